#include "framework/Window.h"

#include <commctrl.h>

bool InitFramework()
{
    static const bool initialised = [] {
        INITCOMMONCONTROLSEX controls = {};
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
        return ::InitCommonControlsEx(&controls) != FALSE;
    }();
    return initialised;
}

void ForwardToChildren(HWND parent, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Only top-level windows hear of some changes (system colours); controls that follow
    // them must be told by their parent.
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        ::SendMessageA(child, message, wParam, lParam);
}

namespace
{
std::string TextOf(HWND window)
{
    const int length = ::GetWindowTextLengthA(window);
    if (length <= 0)
        return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = ::GetWindowTextA(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}
}

std::string CWindow::GetDlgItemText(int id) const
{
    return TextOf(GetDlgItem(id));
}

std::string CWindow::GetWindowText() const
{
    return TextOf(m_hWnd);
}

void CWindow::ModifyStyle(DWORD remove, DWORD add) const
{
    const DWORD style = (GetStyle() & ~remove) | add;
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(style));
}

RECT CWindow::GetClientRect() const
{
    RECT rect = {};
    ::GetClientRect(m_hWnd, &rect);
    return rect;
}
