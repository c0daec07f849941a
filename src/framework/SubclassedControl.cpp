#include "framework/SubclassedControl.h"

#include "framework/MessageFilter.h"

#include <commctrl.h>

#include <exception>

namespace
{
constexpr UINT_PTR kSubclassId = 0x4B4E;  // one subclass of ours per control
// Marks a control as ours, so its parent knows to reflect to it. (comctl32's
// GetWindowSubclass would tell too, but MinGW's import library lacks it.)
constexpr char kOwnerProperty[] = "Kinetra.Control";
}

CSubclassedControl::~CSubclassedControl()
{
    UnsubclassWindow();
}

bool CSubclassedControl::SubclassWindow(HWND window)
{
    if (!window || m_hWnd)
        return false;
    m_hWnd = window;
    PreSubclassWindow();
    if (!::SetWindowSubclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        m_hWnd = nullptr;
        return false;
    }
    ::SetPropA(window, kOwnerProperty, this);
    BindWindowObject(window, this);
    return true;
}

HWND CSubclassedControl::UnsubclassWindow()
{
    HWND window = m_hWnd;
    if (window) {
        ::RemoveWindowSubclass(window, SubclassProc, kSubclassId);
        ::RemovePropA(window, kOwnerProperty);
        BindWindowObject(window, nullptr);
    }
    m_hWnd = nullptr;
    return window;
}

CSubclassedControl* CSubclassedControl::FromHandle(HWND window)
{
    return window ? static_cast<CSubclassedControl*>(::GetPropA(window, kOwnerProperty)) : nullptr;
}

LRESULT CSubclassedControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return Default(message, wParam, lParam);
}

void CSubclassedControl::DrawItem(DRAWITEMSTRUCT*) {}

LRESULT CSubclassedControl::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefSubclassProc(m_hWnd, message, wParam, lParam);
}

LRESULT CSubclassedControl::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_REFLECT_DRAWITEM) {
        DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    }
    return WindowProc(message, wParam, lParam);
}

LRESULT CALLBACK CSubclassedControl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                  DWORD_PTR self)
{
    auto* control = reinterpret_cast<CSubclassedControl*>(self);
    if (message == WM_NCDESTROY) {
        // The window goes; the object stays for the next one.
        const LRESULT result = ::DefSubclassProc(window, message, wParam, lParam);
        control->UnsubclassWindow();
        return result;
    }
    try {
        return control->Dispatch(message, wParam, lParam);
    } catch (const std::exception& e) {
        ::OutputDebugStringA(e.what());
    } catch (...) {
        ::OutputDebugStringA("unknown exception in a control's window procedure\n");
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}
