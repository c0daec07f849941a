#include "app/SwitchPanel.h"

#include <algorithm>
#include <cmath>

#include "framework/Dpi.h"
#include "framework/Handles.h"

namespace
{
const char kClassName[] = "Kinetra Switch Panel";
constexpr UINT_PTR kHideTimer = 1;

// 96-DPI figures, scaled to the system DPI as the pages are.
constexpr int kCornerMargin = 16;  // from the work area's bottom-right corner
constexpr int kPaddingX = 14;
constexpr int kPaddingY = 10;
constexpr int kLineGap = 4;
constexpr int kIconGap = 6;
constexpr int kRadius = 8;
constexpr int kBorder = 1;
constexpr int kMinTextWidth = 40;  // on a work area too narrow for anything better
// Long lines wrap at this share of the work area's width, so the panel never covers the game.
constexpr int kMaxWidthPercent = 40;

// A dark, slightly translucent box with white text reads on light and dark games alike.
constexpr BYTE kBoxAlpha = 230;
constexpr COLORREF kBoxColour = RGB(32, 32, 32);
constexpr COLORREF kBorderColour = RGB(176, 176, 176);
constexpr COLORREF kTextColour = RGB(255, 255, 255);
constexpr COLORREF kFailedColour = RGB(255, 196, 64);

constexpr WORD kWarningIcon = 32515;  // OIC_WARNING: the system's own warning sign marks a failed line
constexpr UINT kTextFormat = DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX;

struct CLaidLine
{
    RECT text;
    POINT icon;
};

struct CLayout
{
    SIZE size = {};
    int iconSize = 0;
    std::vector<CLaidLine> placed;
};

QUERY_USER_NOTIFICATION_STATE CurrentNotificationState()
{
    // The panel answers what the user just did: when the system cannot say, it shows.
    QUERY_USER_NOTIFICATION_STATE state = QUNS_ACCEPTS_NOTIFICATIONS;
    if (FAILED(::SHQueryUserNotificationState(&state)))
        return QUNS_ACCEPTS_NOTIFICATIONS;
    return state;
}

// The work area of the monitor the player looks at: the one of the window in front.
RECT FrontWorkArea()
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    const HMONITOR monitor = ::MonitorFromWindow(::GetForegroundWindow(), MONITOR_DEFAULTTOPRIMARY);
    if (::GetMonitorInfoA(monitor, &info))
        return info.rcWork;
    RECT work = {};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

// The system's message font, a bit larger and bold: the profile's name is what the player reads.
CFont MakePanelFont()
{
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    LOGFONTA font = {};
    if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        font = metrics.lfMessageFont;
    else
        ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfHeight = ::MulDiv(font.lfHeight, 6, 5);
    font.lfWeight = FW_BOLD;
    return CFont(::CreateFontIndirectA(&font));
}

// Where each line goes: wrapped at the widest the panel may be, a failed line's sign before it,
// centred on its first row of text; and the size of the whole.
CLayout LayOut(HDC dc, const std::vector<CPanelLine>& lines, const RECT& work)
{
    const int dpi = SystemDpi();
    const auto at = [dpi](int value) { return ScaleToDpi(value, dpi); };
    TEXTMETRICA metrics = {};
    ::GetTextMetricsA(dc, &metrics);
    CLayout layout;
    layout.iconSize = ::GetSystemMetrics(SM_CXSMICON);
    const int iconDrop = std::max<int>(0, (layout.iconSize - metrics.tmHeight) / 2);
    const int iconRise = std::max<int>(0, (metrics.tmHeight - layout.iconSize) / 2);
    // The text ends where the panel, with its padding, takes its share of the work area.
    const int maxRight = (work.right - work.left) * kMaxWidthPercent / 100 - at(kPaddingX);
    int top = at(kPaddingY);
    int right = 0;
    for (const CPanelLine& line : lines) {
        const int left = at(kPaddingX) + (line.failed ? layout.iconSize + at(kIconGap) : 0);
        const int textTop = top + (line.failed ? iconDrop : 0);
        const int lineRight = std::max(maxRight, left + at(kMinTextWidth));
        RECT text = {left, textTop, lineRight, textTop};
        ::DrawTextA(dc, line.text.c_str(), -1, &text, kTextFormat | DT_CALCRECT);
        text.right = std::min<LONG>(text.right, lineRight);
        const POINT icon = {at(kPaddingX), top + iconRise};
        layout.placed.push_back({text, icon});
        right = std::max<int>(right, text.right);
        top = std::max<int>(text.bottom, line.failed ? icon.y + layout.iconSize : 0) + at(kLineGap);
    }
    const int maxHeight = (work.bottom - work.top) - 2 * at(kCornerMargin);
    layout.size = {right + at(kPaddingX), std::min(top - at(kLineGap) + at(kPaddingY), maxHeight)};
    return layout;
}

// A 32-bit top-down DIB of `size`, whose pixels the panel's alpha is written into.
HBITMAP MakePicture(SIZE size, DWORD** bits)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(bits), nullptr, 0);
}

void PaintLines(HDC dc, const CLayout& layout, const std::vector<CPanelLine>& lines)
{
    const CBrush box(::CreateSolidBrush(kBoxColour));
    const RECT all = {0, 0, layout.size.cx, layout.size.cy};
    ::FillRect(dc, &all, box.get());
    ::SetBkMode(dc, TRANSPARENT);
    const CIcon warning(static_cast<HICON>(
        ::LoadImageA(nullptr, MAKEINTRESOURCEA(kWarningIcon), IMAGE_ICON, layout.iconSize, layout.iconSize, 0)));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const CLaidLine& place = layout.placed[i];
        if (lines[i].failed && warning)
            ::DrawIconEx(dc, place.icon.x, place.icon.y, warning.get(), layout.iconSize, layout.iconSize, 0, nullptr,
                         DI_NORMAL);
        ::SetTextColor(dc, lines[i].failed ? kFailedColour : kTextColour);
        RECT text = place.text;
        ::DrawTextA(dc, lines[i].text.c_str(), -1, &text, kTextFormat);
    }
    ::GdiFlush();
}

// How deep the centre of pixel (x, y) lies inside the rounded box, in pixels; below 0 outside.
float DepthInBox(int x, int y, SIZE size, int radius)
{
    const float halfX = size.cx / 2.0f;
    const float halfY = size.cy / 2.0f;
    const float qx = std::fabs(x + 0.5f - halfX) - (halfX - radius);
    const float qy = std::fabs(y + 0.5f - halfY) - (halfY - radius);
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    const float inside = std::min(std::max(qx, qy), 0.0f);
    return radius - outside - inside;
}

BYTE Mix(BYTE from, BYTE to, float weight)
{
    return static_cast<BYTE>(std::lround(from + (to - from) * weight));
}

// GDI paints no alpha: the rounded edge, the border and the translucency are written into the
// pixels here, premultiplied as UpdateLayeredWindow takes them. The edges are smoothed.
void ShapeBox(DWORD* bits, SIZE size)
{
    const int radius = ScaleToDpi(kRadius, SystemDpi());
    const int border = ScaleToDpi(kBorder, SystemDpi());
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x) {
            const float depth = DepthInBox(x, y, size, radius);
            const float cover = std::clamp(depth + 0.5f, 0.0f, 1.0f);
            const float edge = std::clamp(border - depth + 0.5f, 0.0f, 1.0f);
            DWORD& pixel = bits[y * size.cx + x];
            const float alpha = kBoxAlpha * cover;
            const auto channel = [&](int shift, BYTE borderValue) {
                const BYTE value = Mix(static_cast<BYTE>(pixel >> shift), borderValue, edge);
                return static_cast<DWORD>(std::lround(value * alpha / 255.0f)) << shift;
            };
            pixel = channel(16, GetRValue(kBorderColour)) | channel(8, GetGValue(kBorderColour)) |
                    channel(0, GetBValue(kBorderColour)) | static_cast<DWORD>(std::lround(alpha)) << 24;
        }
    }
}

// The window's text is what it shows, for a screen reader (and never a caption another window
// of Kinetra is looked up by).
std::string SpokenText(const std::vector<CPanelLine>& lines)
{
    std::string said;
    for (const CPanelLine& line : lines)
        said += (said.empty() ? "" : "\r\n") + line.text;
    return said;
}

// Puts the picture selected into `dc` on screen near the work area's bottom-right corner, above
// a topmost game window too, without taking the front.
void PutInCorner(HWND window, HDC dc, SIZE size, const RECT& work)
{
    const int margin = ScaleToDpi(kCornerMargin, SystemDpi());
    POINT at = {std::max<int>(work.left, work.right - margin - size.cx),
                std::max<int>(work.top, work.bottom - margin - size.cy)};
    POINT origin = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::UpdateLayeredWindow(window, nullptr, &at, &size, dc, &origin, 0, &blend, ULW_ALPHA);
    ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}
}

bool PanelMayShow(QUERY_USER_NOTIFICATION_STATE state)
{
    switch (state) {
    case QUNS_NOT_PRESENT:
    case QUNS_BUSY:
    case QUNS_RUNNING_D3D_FULL_SCREEN:
    case QUNS_PRESENTATION_MODE: return false;
    default: return true;
    }
}

CSwitchPanel& CSwitchPanel::Get()
{
    static CSwitchPanel panel;
    return panel;
}

void CSwitchPanel::SetEnabled(bool enabled)
{
    m_bEnabled = enabled;
    if (!enabled)
        Hide();
}

void CSwitchPanel::Show(const std::string& topic, const std::string& line, bool failed)
{
    if (!m_bEnabled || !PanelMayShow(CurrentNotificationState()))
        return;
    if (!m_hWnd && !CreatePanelWindow())
        return;
    if (!::IsWindowVisible(m_hWnd))
        m_lines.clear();
    std::erase_if(m_lines, [&](const CPanelLine& shown) { return shown.topic == topic; });
    m_lines.push_back({topic, line, failed});
    if (m_lines.size() > kMaxLines)
        m_lines.erase(m_lines.begin());
    Present();
    ::SetTimer(m_hWnd, kHideTimer, kShowMs, nullptr);
}

bool CSwitchPanel::CreatePanelWindow()
{
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    static const bool registered = [instance] {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return ::RegisterClassExA(&wc) != 0;
    }();
    if (!registered)
        return false;
    // Layered and transparent: clicks fall through to the game. No activation: the game keeps
    // the front and the keyboard. A tool window: no taskbar button, no alt-tab entry.
    const DWORD exStyle = WS_EX_TOPMOST | WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
    m_hWnd = ::CreateWindowExA(exStyle, kClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    return m_hWnd != nullptr;
}

void CSwitchPanel::Present()
{
    const RECT work = FrontWorkArea();
    const CFont font = MakePanelFont();
    const CMemDC dc(::CreateCompatibleDC(nullptr));
    if (!font || !dc)
        return;
    const CSelectObject fontChoice(dc.get(), font.get());
    const CLayout layout = LayOut(dc.get(), m_lines, work);
    DWORD* bits = nullptr;
    const CBitmap picture(MakePicture(layout.size, &bits));
    if (!picture || !bits)
        return;
    const CSelectObject pictureChoice(dc.get(), picture.get());
    PaintLines(dc.get(), layout, m_lines);
    ShapeBox(bits, layout.size);
    ::SetWindowTextA(m_hWnd, SpokenText(m_lines).c_str());
    PutInCorner(m_hWnd, dc.get(), layout.size, work);
}

void CSwitchPanel::Hide()
{
    m_lines.clear();
    if (!m_hWnd)
        return;
    ::KillTimer(m_hWnd, kHideTimer);
    ::ShowWindow(m_hWnd, SW_HIDE);
}

LRESULT CALLBACK CSwitchPanel::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CSwitchPanel& panel = Get();
    switch (message) {
    case WM_TIMER:
        if (wParam == kHideTimer && window == panel.m_hWnd)
            panel.Hide();
        return 0;
    // Clicks and the pointer belong to the window under the panel.
    case WM_NCHITTEST: return HTTRANSPARENT;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_NCDESTROY:
        if (window == panel.m_hWnd)
            panel.m_hWnd = nullptr;
        break;
    default: break;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}
