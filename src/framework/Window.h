#pragma once
#include <windows.h>

#include <string>

// Registers the common control classes the templates use (list view, trackbar, tabs).
// Safe to call more than once; the dialogs and the sheet call it before they open. false
// when the controls could not be registered: no window of the program can be made then.
bool InitFramework();

// Sends `message` to each direct child of `parent`.
void ForwardToChildren(HWND parent, UINT message, WPARAM wParam, LPARAM lParam);

// A window handle with the few helpers the pages use. It does not own the window.
class CWindow
{
public:
    CWindow() = default;
    explicit CWindow(HWND window) : m_hWnd(window) {}
    virtual ~CWindow() = default;

    // A message taken from the queue, offered before the loop that took it handles it (while
    // a CMessageFilter lives); true consumes it. Offered to the window it is for, then to its
    // parents.
    virtual bool PreTranslateMessage(MSG&) { return false; }

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void EnableDlgItem(int id, bool enable) const { ::EnableWindow(GetDlgItem(id), enable ? TRUE : FALSE); }
    void ShowDlgItem(int id, bool show) const { ::ShowWindow(GetDlgItem(id), show ? SW_SHOW : SW_HIDE); }
    bool IsDlgItemEnabled(int id) const { return ::IsWindowEnabled(GetDlgItem(id)) != FALSE; }

    void SetDlgItemText(int id, const char* text) const { ::SetDlgItemTextA(m_hWnd, id, text); }
    std::string GetDlgItemText(int id) const;
    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
    void CheckDlgButton(int id, UINT state) const { ::CheckDlgButton(m_hWnd, id, state); }
    LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendDlgItemMessageA(m_hWnd, id, message, wParam, lParam);
    }

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    std::string GetWindowText() const;
    void SetWindowText(const char* text) const { ::SetWindowTextA(m_hWnd, text); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE)); }
    void ModifyStyle(DWORD remove, DWORD add) const;

    UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs) const { return ::SetTimer(m_hWnd, id, elapseMs, nullptr); }
    BOOL KillTimer(UINT_PTR id) const { return ::KillTimer(m_hWnd, id); }

    void Invalidate(bool erase = true) const { ::InvalidateRect(m_hWnd, nullptr, erase ? TRUE : FALSE); }
    void UpdateWindow() const { ::UpdateWindow(m_hWnd); }
    RECT GetClientRect() const;

    HWND m_hWnd = nullptr;
};
