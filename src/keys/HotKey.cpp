#include "keys/HotKey.h"

#include <windowsx.h>

#include <cstdlib>
#include <cstring>

#include "keys/KeyNames.h"

namespace
{
// A move this far from where the capture began (in either direction) leaves the box empty:
// the user moved the mouse away instead of choosing an action.
constexpr int kCaptureMoveLimit = 150;

bool IsKeyDown(UINT message)
{
    return message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
}

bool IsKeyboard(UINT message)
{
    return message >= WM_KEYFIRST && message <= WM_KEYLAST;
}

bool IsMouse(UINT message)
{
    return message >= WM_MOUSEFIRST && message <= WM_MOUSELAST;
}

bool StartsCapture(UINT message)
{
    return message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK;
}

bool IsButtonDown(UINT message)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: return true;
    default: return false;
    }
}

UINT ReleaseOf(UINT message)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: return WM_LBUTTONUP;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: return WM_RBUTTONUP;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: return WM_MBUTTONUP;
    default: return 0;
    }
}

// A menu is being tracked on this thread (the edit control's own menu, or the window menu):
// its loop reads the keys from the queue itself, and they are the menu's, not a binding.
bool MenuIsTracked()
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetCurrentThreadId(), &info))
        return false;
    return (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE)) != 0;
}

// Edits that would put text in the box that is not its binding (the edit control's menu
// sends these too).
bool ChangesTextByHand(UINT message)
{
    switch (message) {
    case WM_CHAR:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
    case EM_REPLACESEL: return true;
    default: return false;
    }
}
}

CHotKeyEdit::~CHotKeyEdit()
{
    // The cursor display count belongs to the thread, not to the window: it must come back
    // even when the box goes while capturing.
    if (m_bCapturing)
        EndCapture();
}

void CHotKeyEdit::ShowCode()
{
    const char* name = KeyNameOf(m_wCode);
    SetWindowText(name);
    const auto length = static_cast<WPARAM>(std::strlen(name));
    SendMessage(EM_SETSEL, length, -1);
}

void CHotKeyEdit::SetAction(int kind, unsigned value)
{
    if (kind == 1)
        m_wCode = SidedVirtualKey(static_cast<std::uint16_t>(value & 0xFF), m_bExtended != 0);
    else
        m_wCode = static_cast<std::uint16_t>((value & 0xFF) << 8);
    ShowCode();
}

void CHotKeyEdit::SetCode(WORD code)
{
    const std::uint16_t valid = ValidCode(code);
    m_wCode = (valid >> 8) ? valid : SidedVirtualKey(valid, m_bExtended != 0);
    ShowCode();
}

int CHotKeyEdit::SetNumpadKey(BYTE scanCode)
{
    const std::uint8_t virtualKey = NumpadVirtualKey(scanCode);
    if (!virtualKey)
        return 0;
    SetAction(1, virtualKey);
    return 1;
}

void CHotKeyEdit::BeginCapture()
{
    POINT cursor = {};
    ::GetCursorPos(&cursor);
    ::ScreenToClient(m_hWnd, &cursor);
    m_ptStart = cursor;
    // The box is empty from here on, so it must store nothing unless a new binding comes.
    m_wCode = 0;
    m_nScanCode = 0;
    m_bExtended = 0;
    SetWindowText("");
    ::ShowCursor(FALSE);
    ::SetCapture(m_hWnd);
    m_bCapturing = 1;
    ::SetFocus(m_hWnd);
}

void CHotKeyEdit::EndCapture()
{
    // Cleared first: releasing the capture tells this box that it lost it.
    m_bCapturing = 0;
    if (m_hWnd && ::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    ::ShowCursor(TRUE);
}

void CHotKeyEdit::LeaveCapture()
{
    // The system or another window took the capture: the box gives up waiting.
    m_bCapturing = 0;
    ::ShowCursor(TRUE);
}

bool CHotKeyEdit::OnCaptureMouse(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEMOVE: {
        const int dx = GET_X_LPARAM(lParam) - m_ptStart.x;
        const int dy = GET_Y_LPARAM(lParam) - m_ptStart.y;
        if (std::abs(dx) < kCaptureMoveLimit && std::abs(dy) < kCaptureMoveLimit)
            return false;
        SetAction(0, 0);
        return true;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: SetAction(0, kMouseLeftButton); return true;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: SetAction(0, kMouseRightButton); return true;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: SetAction(0, kMouseMiddleButton); return true;
    case WM_MOUSEWHEEL: {
        const short delta = GET_WHEEL_DELTA_WPARAM(wParam);
        if (delta == 0)
            return false;
        SetAction(0, delta > 0 ? kMouseScrollUp : kMouseScrollDown);
        return true;
    }
    default: return false;
    }
}

void CHotKeyEdit::BindKey(UINT virtualKey, BYTE scanCode, bool extended)
{
    m_bExtended = extended ? 1 : 0;
    m_nScanCode = static_cast<std::uint8_t>(scanCode + (extended ? 0x80 : 0));
    SetAction(1, virtualKey);
}

void CHotKeyEdit::AssignKey(const MSG& message)
{
    const bool extended = (message.lParam >> 24) & 1;
    BindKey(static_cast<UINT>(message.wParam), static_cast<BYTE>((message.lParam >> 16) & 0xFF), extended);
}

bool CHotKeyEdit::PreTranslateMessage(MSG& message)
{
    if (!m_hWnd || message.hwnd != m_hWnd || !::IsWindowEnabled(m_hWnd))
        return false;  // a disabled box takes no binding
    if (!IsKeyboard(message.message) && !IsMouse(message.message))
        return false;  // painting, timers and the like take their normal course
    if (MenuIsTracked())
        return false;
    return m_bCapturing ? TranslateCapturing(message) : TranslateIdle(message);
}

bool CHotKeyEdit::TranslateIdle(const MSG& message)
{
    if (IsKeyDown(message.message)) {
        AssignKey(message);
        return true;
    }
    // Releases and characters of keys too: the box never types, and Alt or F10 released in
    // it must not open the sheet's window menu.
    if (IsKeyboard(message.message))
        return true;
    if (IsButtonDown(message.message))
        m_nSwallowRelease = 0;
    if (StartsCapture(message.message)) {
        BeginCapture();
        return true;
    }
    if (m_nSwallowRelease && message.message == m_nSwallowRelease) {
        m_nSwallowRelease = 0;
        return true;
    }
    return false;  // the right button still opens the edit control's menu
}

bool CHotKeyEdit::TranslateCapturing(const MSG& message)
{
    if (::GetCapture() != m_hWnd)
        return true;
    if (IsKeyDown(message.message)) {
        AssignKey(message);
        EndCapture();
        return true;
    }
    const bool mouseAction = message.message == WM_MOUSEMOVE || message.message == WM_MOUSEWHEEL ||
                             IsButtonDown(message.message);
    if (mouseAction && OnCaptureMouse(message.message, message.wParam, message.lParam)) {
        m_nSwallowRelease = ReleaseOf(message.message);
        EndCapture();
    }
    return true;  // releases, moves below the limit and other input are the capture's
}

LRESULT CHotKeyEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (ChangesTextByHand(message))
        return 0;
    if (message == WM_CAPTURECHANGED && m_bCapturing && reinterpret_cast<HWND>(lParam) != m_hWnd)
        LeaveCapture();
    if (message == WM_DESTROY && m_bCapturing)
        EndCapture();
    return Default(message, wParam, lParam);
}
