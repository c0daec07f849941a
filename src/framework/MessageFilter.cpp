#include "framework/MessageFilter.h"

#include <exception>

#include "framework/Window.h"

namespace
{
constexpr char kObjectProperty[] = "Kinetra.Window";

thread_local HHOOK t_hHook = nullptr;
thread_local int t_nFilters = 0;

HWND ParentInChain(HWND window)
{
    // Only child windows pass a message on: a top-level window's owner is another window.
    if (!(::GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD))
        return nullptr;
    return ::GetParent(window);
}

LRESULT CALLBACK GetMessageProc(int code, WPARAM wParam, LPARAM lParam)
{
    // PM_NOREMOVE peeks see the same message again later: it is offered once, when taken.
    if (code == HC_ACTION && wParam == PM_REMOVE && lParam) {
        auto* message = reinterpret_cast<MSG*>(lParam);
        try {
            if (CMessageFilter::PreTranslate(*message))
                message->message = WM_NULL;
        } catch (const std::exception& e) {
            ::OutputDebugStringA(e.what());
        } catch (...) {
            ::OutputDebugStringA("unknown exception while a message was offered to its window\n");
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
}

CMessageFilter::CMessageFilter()
{
    if (t_nFilters++ == 0)
        t_hHook = ::SetWindowsHookExA(WH_GETMESSAGE, GetMessageProc, nullptr, ::GetCurrentThreadId());
}

CMessageFilter::~CMessageFilter()
{
    if (--t_nFilters == 0 && t_hHook) {
        ::UnhookWindowsHookEx(t_hHook);
        t_hHook = nullptr;
    }
}

bool CMessageFilter::PreTranslate(MSG& message)
{
    for (HWND window = message.hwnd; window; window = ParentInChain(window)) {
        CWindow* object = WindowObjectFromHandle(window);
        if (object && object->PreTranslateMessage(message))
            return true;
    }
    return false;
}

CWindow* WindowObjectFromHandle(HWND window)
{
    return window ? static_cast<CWindow*>(::GetPropA(window, kObjectProperty)) : nullptr;
}

void BindWindowObject(HWND window, CWindow* object)
{
    if (!window)
        return;
    if (object)
        ::SetPropA(window, kObjectProperty, object);
    else
        ::RemovePropA(window, kObjectProperty);
}
