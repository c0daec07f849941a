#include "about/HyperLink.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cassert>
#include <cstdio>
#include <memory>

#include "framework/MessageBox.h"

namespace
{
constexpr UINT kHoverCheckMs = 100;
// The cursor of the Windows help viewer, a hand. Current Windows no longer ships it.
constexpr WORD kHelpHandCursor = 106;
// The old underline stays visible below the text's cell when the underlined font is taller.
constexpr int kUnderlineSlack = 10;

struct CLibraryFree
{
    void operator()(HMODULE module) const { ::FreeLibrary(module); }
};
using CLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, CLibraryFree>;

HFONT FontOf(HWND window)
{
    if (auto font = reinterpret_cast<HFONT>(::SendMessageA(window, WM_GETFONT, 0, 0)))
        return font;
    if (auto font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)))
        return font;
    return static_cast<HFONT>(::GetStockObject(ANSI_VAR_FONT));
}

RECT RectInParent(HWND window, RECT rect)
{
    ::MapWindowPoints(window, ::GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}
}

std::string OpenErrorText(int code)
{
    switch (code) {
    case 0: return "The operating system is out\nof memory or resources.";
    case SE_ERR_FNF: return "The specified file was not found.";
    case SE_ERR_PNF: return "The specified path was not found.";
    case SE_ERR_ACCESSDENIED: return "The operating system denied\naccess to the specified file.";
    case SE_ERR_OOM: return "There was not enough memory to complete the operation.";
    case ERROR_BAD_FORMAT: return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case SE_ERR_SHARE: return "A sharing violation occurred. ";
    case SE_ERR_ASSOCINCOMPLETE: return "The filename association is\nincomplete or invalid.";
    case SE_ERR_DDETIMEOUT: return "The DDE transaction could not\nbe completed because the request timed out.";
    case SE_ERR_DDEFAIL: return "The DDE transaction failed.";
    case SE_ERR_DDEBUSY:
        return "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
    case SE_ERR_NOASSOC: return "There is no application associated\nwith the given filename extension.";
    case SE_ERR_DLLNOTFOUND: return "The specified dynamic-link library was not found.";
    default: {
        char text[64];
        std::snprintf(text, sizeof text, "Unknown Error (%d) occurred.", code);
        return text;
    }
    }
}

CHyperLink::~CHyperLink()
{
    // The underline font goes first, while the control may still hold the plain one.
    m_fontUnderlined.reset();
    if (m_tip && ::IsWindow(m_tip))
        ::DestroyWindow(m_tip);
}

void CHyperLink::PreSubclassWindow()
{
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, GetStyle() | SS_NOTIFY);
    const std::string text = GetWindowText();
    if (m_strTarget.empty())
        m_strTarget = text;
    if (text.empty())
        SetWindowText(m_strTarget.c_str());
    assert(!m_strTarget.empty() && "a link needs a text or a target");
    CreateFonts();
    FitToText();
    LoadHandCursor();
    SetUnderlineMode(-1);
    CreateTip();
}

void CHyperLink::CreateFonts()
{
    LOGFONTA description = {};
    const bool described = ::GetObjectA(FontOf(m_hWnd), sizeof description, &description) != 0;
    assert(described && "a link needs a font");
    if (!described)
        return;
    m_fontPlain.reset(::CreateFontIndirectA(&description));
    description.lfUnderline = TRUE;
    m_fontUnderlined.reset(::CreateFontIndirectA(&description));
}

void CHyperLink::CreateTip()
{
    if (m_tip && ::IsWindow(m_tip))
        ::DestroyWindow(m_tip);
    m_tip = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    if (!m_tip)
        return;
    TOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = m_hWnd;
    tool.uId = kToolId;
    tool.rect = GetClientRect();
    tool.lpszText = const_cast<char*>(m_strTarget.c_str());
    ::SendMessageA(m_tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void CHyperLink::SetTarget(const std::string& target)
{
    m_strTarget = target;
    if (!m_hWnd)
        return;
    FitToText();
    TOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = m_hWnd;
    tool.uId = kToolId;
    tool.lpszText = const_cast<char*>(m_strTarget.c_str());
    ::SendMessageA(m_tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

void CHyperLink::SetOpened(BOOL opened)
{
    m_bOpened = opened;
    if (m_hWnd)
        Invalidate(true);
}

void CHyperLink::SetUnderlineMode(int mode)
{
    if (mode == m_nUnderlineMode)
        return;
    if (m_hWnd) {
        SelectFont(mode == 1 ? m_fontUnderlined : m_fontPlain);
        Invalidate(true);
    }
    m_nUnderlineMode = mode;
}

void CHyperLink::SelectFont(const CFont& font)
{
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
}

void CHyperLink::FitToText()
{
    if (!m_hWnd || !m_bFitToText)
        return;
    RECT window = {};
    ::GetWindowRect(m_hWnd, &window);
    ::MapWindowPoints(nullptr, ::GetParent(m_hWnd), reinterpret_cast<POINT*>(&window), 2);
    const RECT client = RectInParent(m_hWnd, GetClientRect());
    const int borderWidth = (window.right - window.left) - (client.right - client.left);
    const int borderHeight = (window.bottom - window.top) - (client.bottom - client.top);

    SIZE text = {};
    {
        CWindowDC dc(m_hWnd);
        CSelectObject font(dc.get(), m_fontUnderlined.get());
        const std::string caption = GetWindowText();
        ::GetTextExtentPoint32A(dc.get(), caption.c_str(), static_cast<int>(caption.size()), &text);
    }

    const DWORD style = GetStyle();
    if (style & SS_CENTERIMAGE) {
        const int shrink = ((client.bottom - client.top) - text.cy) / 2;
        window.top += shrink;
        window.bottom -= shrink;
    } else {
        window.bottom = window.top + text.cy + borderHeight;
    }
    const int width = text.cx + borderWidth;
    if (style & SS_CENTER) {
        const int shrink = ((window.right - window.left) - width) / 2;
        window.left += shrink;
        window.right -= shrink;
    } else if (style & SS_RIGHT) {
        window.left = window.right - width;
    } else {
        window.right = window.left + width;
    }
    ::SetWindowPos(m_hWnd, nullptr, window.left, window.top, window.right - window.left, window.bottom - window.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void CHyperLink::LoadHandCursor()
{
    if (m_hHandCursor)
        return;
    char path[MAX_PATH] = {};
    const UINT length = ::GetWindowsDirectoryA(path, MAX_PATH);
    if (length > 0 && length + sizeof "\\winhlp32.exe" <= MAX_PATH) {
        lstrcatA(path, "\\winhlp32.exe");
        const CLibrary help(::LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (help)
            if (HCURSOR hand = ::LoadCursorA(help.get(), MAKEINTRESOURCEA(kHelpHandCursor)))
                m_hHandCursor.reset(::CopyIcon(hand));
    }
    // Without the help viewer's cursor the system's own hand still says "this is a link".
    if (!m_hHandCursor)
        if (HCURSOR hand = ::LoadCursorA(nullptr, IDC_HAND))
            m_hHandCursor.reset(::CopyIcon(hand));
}

BOOL CHyperLink::DestroyWindow()
{
    KillTimer(m_nHoverTimer);
    return ::DestroyWindow(m_hWnd);
}

HINSTANCE CHyperLink::OpenTarget(const char* target, int showCommand)
{
    return ::ShellExecuteA(nullptr, "open", target, nullptr, nullptr, showCommand);
}

void CHyperLink::ShowOpenError(int code) const
{
    const std::string text = "Unable to open hyperlink:\n\n" + OpenErrorText(code);
    CMessageBox::Show(m_hWnd ? ::GetParent(m_hWnd) : nullptr, text.c_str(), "Kinetra", MB_OK | MB_ICONEXCLAMATION);
}

HBRUSH CHyperLink::OnCtlColor(HDC dc) const
{
    ::SetTextColor(dc, m_bHover ? m_clrHover : (m_bOpened ? m_clrVisited : m_clrLink));
    ::SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

BOOL CHyperLink::OnEraseBkgnd(HDC dc) const
{
    const RECT client = GetClientRect();
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    return TRUE;
}

BOOL CHyperLink::OnSetCursor() const
{
    if (!m_hHandCursor)
        return FALSE;
    ::SetCursor(m_hHandCursor.get());
    return TRUE;
}

void CHyperLink::OnMouseMove()
{
    if (m_bHover)
        return;
    m_bHover = TRUE;
    if (m_nUnderlineMode == -1)
        SelectFont(m_fontUnderlined);
    Invalidate(true);
    SetTimer(m_nHoverTimer, kHoverCheckMs);
}

void CHyperLink::OnHoverTimer()
{
    const DWORD position = ::GetMessagePos();
    POINT point = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    ::ScreenToClient(m_hWnd, &point);
    RECT client = GetClientRect();
    if (::PtInRect(&client, point))
        return;
    m_bHover = FALSE;
    KillTimer(m_nHoverTimer);
    if (m_nUnderlineMode != 1)
        SelectFont(m_fontPlain);
    client.bottom += kUnderlineSlack;
    ::InvalidateRect(m_hWnd, &client, TRUE);
}

void CHyperLink::OnClicked()
{
    m_bHover = FALSE;
    const auto result = static_cast<int>(reinterpret_cast<INT_PTR>(OpenTarget(m_strTarget.c_str(), SW_SHOW)));
    m_bOpened = result > 32;
    if (m_bOpened) {
        SetOpened(TRUE);
        return;
    }
    ::MessageBeep(MB_ICONEXCLAMATION);
    ShowOpenError(result);
}

void CHyperLink::RelayToTip(UINT message, WPARAM wParam, LPARAM lParam) const
{
    if (!m_tip || message < WM_MOUSEFIRST || message > WM_MOUSELAST)
        return;
    const DWORD position = ::GetMessagePos();
    MSG relayed = {m_hWnd,
                   message,
                   wParam,
                   lParam,
                   static_cast<DWORD>(::GetMessageTime()),
                   {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))}};
    ::SendMessageA(m_tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

LRESULT CHyperLink::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    RelayToTip(message, wParam, lParam);
    switch (message) {
    case WM_REFLECT_CTLCOLORSTATIC: return reinterpret_cast<LRESULT>(OnCtlColor(reinterpret_cast<HDC>(wParam)));
    case WM_REFLECT_COMMAND:
        if (HIWORD(wParam) != STN_CLICKED)
            return 0;
        OnClicked();
        return TRUE;
    case WM_ERASEBKGND: return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    case WM_SETCURSOR:
        if (OnSetCursor())
            return TRUE;
        break;
    case WM_MOUSEMOVE: OnMouseMove(); break;
    case WM_TIMER:
        if (wParam == m_nHoverTimer)
            OnHoverTimer();
        break;
    case WM_DESTROY:
        KillTimer(m_nHoverTimer);
        if (m_tip && ::IsWindow(m_tip))
            ::DestroyWindow(m_tip);
        m_tip = nullptr;
        break;
    default: break;
    }
    return Default(message, wParam, lParam);
}
