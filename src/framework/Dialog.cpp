#include "framework/Dialog.h"

#include <exception>

#include "framework/MessageFilter.h"
#include "framework/SubclassedControl.h"

namespace
{
// Messages whose result a dialog procedure returns itself instead of in DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message)
{
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG: return true;
    default: return false;
    }
}
}

BOOL CDialogBase::UpdateData(BOOL save)
{
    if (!m_hWnd)
        return FALSE;
    CDataExchange dx(m_hWnd, save != FALSE);
    DoDataExchange(dx);
    return TRUE;
}

BOOL CDialogBase::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

bool CDialogBase::OnCommand(int, int, HWND)
{
    return false;
}

bool CDialogBase::OnNotify(NMHDR*, LRESULT&)
{
    return false;
}

void CDialogBase::OnTimer(UINT_PTR) {}

bool CDialogBase::OnPaint()
{
    return false;
}

void CDialogBase::OnShowWindow(BOOL, UINT) {}

void CDialogBase::OnDestroy() {}

bool CDialogBase::WindowProc(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

std::optional<LRESULT> CDialogBase::ReflectDrawItem(WPARAM wParam, LPARAM lParam)
{
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (!item || item->CtlType == ODT_MENU || !CSubclassedControl::FromHandle(item->hwndItem))
        return std::nullopt;
    return ::SendMessageA(item->hwndItem, WM_REFLECT_DRAWITEM, wParam, lParam);
}

std::optional<LRESULT> CDialogBase::ReflectToControl(UINT reflected, WPARAM wParam, LPARAM lParam)
{
    const HWND control = reinterpret_cast<HWND>(lParam);
    if (!control || !CSubclassedControl::FromHandle(control))
        return std::nullopt;
    if (const LRESULT result = ::SendMessageA(control, reflected, wParam, lParam))
        return result;
    return std::nullopt;
}

std::optional<LRESULT> CDialogBase::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    // One handler per message: a message with a handler of its own never reaches WindowProc.
    LRESULT result = 0;
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_COMMAND:
        if (ReflectToControl(WM_REFLECT_COMMAND, wParam, lParam))
            return 0;
        if (OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)))
            return 0;
        return std::nullopt;
    case WM_NOTIFY:
        if (OnNotify(reinterpret_cast<NMHDR*>(lParam), result))
            return result;
        return std::nullopt;
    case WM_TIMER: OnTimer(wParam); return 0;
    case WM_PAINT:
        if (OnPaint())
            return 0;
        return std::nullopt;
    case WM_SHOWWINDOW:
        OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
        return std::nullopt;  // the system still shows or hides the window
    case WM_DESTROY: OnDestroy(); return std::nullopt;
    case WM_SYSCOLORCHANGE: ForwardToChildren(m_hWnd, message, wParam, lParam); break;
    case WM_CTLCOLORSTATIC:
        if (auto brush = ReflectToControl(WM_REFLECT_CTLCOLORSTATIC, wParam, lParam))
            return brush;
        break;
    case WM_DRAWITEM:
        if (auto reflected = ReflectDrawItem(wParam, lParam))
            return reflected;
        break;
    default: break;
    }
    if (WindowProc(message, wParam, lParam, result))
        return result;
    return std::nullopt;
}

CDialogBase* CDialogBase::FromHandle(HWND window)
{
    return reinterpret_cast<CDialogBase*>(::GetWindowLongPtrA(window, DWLP_USER));
}

INT_PTR CDialogBase::Route(UINT message, WPARAM wParam, LPARAM lParam)
{
    const std::optional<LRESULT> result = Dispatch(message, wParam, lParam);
    if (!result)
        return FALSE;
    if (ReturnsDirectly(message))
        return static_cast<INT_PTR>(*result);
    ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, *result);
    return TRUE;
}

INT_PTR CDialogBase::HandleMessage(CDialogBase* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG && self) {
        self->m_hWnd = window;
        ::SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        BindWindowObject(window, self);
    } else {
        self = FromHandle(window);
    }
    if (!self)
        return FALSE;  // messages before WM_INITDIALOG (WM_SETFONT) take the default
    INT_PTR handled = FALSE;
    try {
        handled = self->Route(message, wParam, lParam);
    } catch (const std::exception& e) {
        ::OutputDebugStringA(e.what());
    } catch (...) {
        ::OutputDebugStringA("unknown exception in a dialog procedure\n");
    }
    if (message == WM_NCDESTROY) {
        // The window goes; the object stays (pages are shown again later).
        ::SetWindowLongPtrA(window, DWLP_USER, 0);
        BindWindowObject(window, nullptr);
        self->m_hWnd = nullptr;
    }
    return handled;
}

INT_PTR CDialog::DoModal()
{
    InitFramework();
    CMessageFilter filter;  // the dialog's controls see their input before the dialog manager
    return ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_nTemplateId), m_hParent, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(INT_PTR result)
{
    ::EndDialog(m_hWnd, result);
}

bool CDialog::OnCommand(int id, int, HWND)
{
    switch (id) {
    case IDOK: OnOK(); return true;
    case IDCANCEL: OnCancel(); return true;
    default: return false;
    }
}

void CDialog::OnOK()
{
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = message == WM_INITDIALOG ? reinterpret_cast<CDialogBase*>(lParam) : nullptr;
    return HandleMessage(self, window, message, wParam, lParam);
}
