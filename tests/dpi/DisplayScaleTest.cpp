// The program at the display scales people use: 100 %, 125 %, 150 % and 200 % (96, 120, 144
// and 192 DPI). tests/dpi/run starts a Wine prefix at each DPI and runs the case of that DPI,
// so one case is one scale. Screenshots of every page and of "Force Test" at 144 and 192 DPI
// land in <build>/screenshots/ for a person to look at, and of the key pages with a mark and
// the Display page with its marks.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "controllertest/DisplayMarks.h"
#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "framework/ScaledArt.h"
#include "resource.h"
#include "support/DemoProcess.h"
#include "support/TestSupport.h"

namespace
{
constexpr int kDpis[] = {96, 120, 144, 192};

// The width of the image Windows would take from an icon resource for a size.
int DrawnIconWidth(int id, int size)
{
    const HMODULE module = ::GetModuleHandleA(nullptr);
    HRSRC group = ::FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    if (!group)
        return 0;
    auto* directory = static_cast<PBYTE>(::LockResource(::LoadResource(module, group)));
    const int image = ::LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
    HRSRC icon = ::FindResourceA(module, MAKEINTRESOURCEA(image), MAKEINTRESOURCEA(3));  // RT_ICON
    if (!icon)
        return 0;
    const auto* header = static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(module, icon)));
    return header ? header->biWidth : 0;
}

// A control's rectangle in its dialog's client coordinates.
RECT ClientRectOf(HWND dialog, HWND control)
{
    RECT r = {};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool IsDark(HWND window, int x, int y)
{
    POINT at = {x, y};
    ::ClientToScreen(window, &at);
    CWindowDC screen(nullptr);
    const COLORREF colour = ::GetPixel(screen.get(), at.x, at.y);
    return GetRValue(colour) < 96 && GetGValue(colour) < 96 && GetBValue(colour) < 96;
}

using displaymarks::CMark;

// The pixels of a bitmap or of the screen, 0x00RRGGBB, top row first.
struct CPixels
{
    int width = 0;
    int height = 0;
    std::vector<DWORD> bits;

    DWORD At(int x, int y) const { return bits[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }

    static CPixels Of(HDC source, int x, int y, int width, int height)
    {
        CPixels pixels{width, height, std::vector<DWORD>(static_cast<size_t>(width) * height)};
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        CBitmap dib(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        CMemDC memory(::CreateCompatibleDC(nullptr));
        CSelectObject select(memory.get(), dib.get());
        ::BitBlt(memory.get(), 0, 0, width, height, source, x, y, SRCCOPY);
        ::GdiFlush();
        std::copy_n(static_cast<const DWORD*>(bits), pixels.bits.size(), pixels.bits.begin());
        return pixels;
    }
    static CPixels OfScreen(POINT at, int width, int height)
    {
        CWindowDC screen(nullptr);
        return Of(screen.get(), at.x, at.y, width, height);
    }
    static CPixels OfArt(UINT id, int dpi)
    {
        CBitmap art(LoadArtBitmap(id, dpi));
        BITMAP size = {};
        ::GetObjectA(art.get(), sizeof size, &size);
        CMemDC memory(::CreateCompatibleDC(nullptr));
        CSelectObject select(memory.get(), art.get());
        return Of(memory.get(), 0, 0, size.bmWidth, size.bmHeight);
    }
};

// The rectangles that other controls of the page cover on a picture whose top-left corner
// is at `origin` on the screen (the group box is drawn around it, not over it).
std::vector<RECT> CoveredParts(HWND page, HWND picture, POINT origin)
{
    std::vector<RECT> covered;
    for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const LONG style = ::GetWindowLongA(child, GWL_STYLE);
        char name[16] = {};
        ::GetClassNameA(child, name, sizeof name);
        const bool group = lstrcmpiA(name, "Button") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX;
        if (child == picture || group || !(style & WS_VISIBLE))
            continue;
        RECT r = {};
        ::GetWindowRect(child, &r);
        ::OffsetRect(&r, -origin.x, -origin.y);
        covered.push_back(r);
    }
    return covered;
}

bool Covered(const std::vector<RECT>& covered, int x, int y)
{
    return std::any_of(covered.begin(), covered.end(), [&](const RECT& r) {
        const POINT at = {x, y};
        return ::PtInRect(&r, at) != FALSE;
    });
}

// The bounding box of the pixels inside `within` where a and b differ, but for those that
// other controls cover; empty when none.
RECT Changed(const CPixels& a, const CPixels& b, RECT within, const std::vector<RECT>& covered = {})
{
    RECT box = {within.right, within.bottom, within.left, within.top};
    for (int y = std::max(0L, within.top); y < std::min<LONG>(a.height, within.bottom); ++y) {
        for (int x = std::max(0L, within.left); x < std::min<LONG>(a.width, within.right); ++x) {
            if (a.At(x, y) != b.At(x, y) && !Covered(covered, x, y))
                box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                       std::max<LONG>(box.bottom, y + 1)};
        }
    }
    return box.left < box.right ? box : RECT{};
}

std::string Text(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// The top-left corner of a window's client area on the screen.
POINT ScreenOrigin(HWND window)
{
    POINT at = {0, 0};
    ::ClientToScreen(window, &at);
    return at;
}

// The page's only bitmap static: the pad picture of a key page.
HWND PictureOf(HWND page)
{
    for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char name[16] = {};
        ::GetClassNameA(child, name, sizeof name);
        if (lstrcmpiA(name, "Static") == 0 && (::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
            return child;
    }
    return nullptr;
}

// The gap between two rectangles, 0 when they touch or overlap.
double Gap(const RECT& a, const RECT& b)
{
    const LONG dx = std::max({0L, a.left - b.right, b.left - a.right});
    const LONG dy = std::max({0L, a.top - b.bottom, b.top - a.bottom});
    return std::hypot(static_cast<double>(dx), static_cast<double>(dy));
}

// Each box of a key page and the part of the picture it binds (96-DPI picture pixels).
struct CBinding
{
    int box;
    CMark part;
};

// The direction pad's arms and the tilt arrows on the movement picture (291).
const CBinding kMovementBindings[] = {
    {IDC_KEY_1, {94, 52, 51, 49}},    {IDC_KEY_3, {143, 99, 49, 51}},   {IDC_KEY_5, {94, 148, 51, 49}},
    {IDC_KEY_7, {47, 99, 49, 51}},    {IDC_KEY_9, {339, 29, 26, 38}},   {IDC_KEY_10, {339, 180, 26, 38}},
    {IDC_KEY_11, {237, 111, 38, 26}}, {IDC_KEY_12, {428, 111, 38, 26}},
};

class DisplayScale : public testing::TestWithParam<int>
{
protected:
    int At(int v) const { return ScaleToDpi(v, GetParam()); }
    bool Shoot() const { return GetParam() >= 144; }
    std::string Shot(const std::string& what) const { return "dpi" + std::to_string(GetParam()) + "_" + what; }
    // A mark's rectangle at this scale, each edge scaled as the page scales it.
    RECT Scaled(const CMark& m) const { return {At(m.x), At(m.y), At(m.x + m.width), At(m.y + m.height)}; }
    RECT OnScreen(const CMark& m, POINT origin) const
    {
        RECT r = Scaled(m);
        ::OffsetRect(&r, origin.x, origin.y);
        return r;
    }

    // The screen changed from `before` to `after` exactly where the pressed picture differs
    // from the plain one inside the mark: the part is marked, and nothing else.
    void ExpectMarked(const CPixels& before, const CPixels& after, const CMark& mark,
                      const std::vector<RECT>& covered = {}) const
    {
        const RECT expected = Changed(m_plain, m_pressed, Scaled(mark), covered);
        const RECT seen = Changed(before, after, {0, 0, after.width, after.height}, covered);
        EXPECT_FALSE(::IsRectEmpty(&expected));
        EXPECT_TRUE(::EqualRect(&expected, &seen)) << "expected " << Text(expected) << ", changed " << Text(seen);
    }

    // Every box within the stated distance of the part it binds, scaled.
    void ExpectBoxesNearParts(HWND page, POINT picture, const CBinding* bindings, size_t count, int reach) const
    {
        for (size_t i = 0; i < count; ++i) {
            RECT box = {};
            ::GetWindowRect(::GetDlgItem(page, bindings[i].box), &box);
            const double gap = Gap(box, OnScreen(bindings[i].part, picture));
            EXPECT_LE(gap, At(reach)) << "box " << bindings[i].box << " stands " << gap << " pixels from its part";
            std::printf("dpi %d box %d gap %.0f (%.0f at 96-DPI size)\n", GetParam(), bindings[i].box, gap,
                        gap * kBaseDpi / GetParam());
        }
    }

    CPixels m_plain;
    CPixels m_pressed;
};

TEST_P(DisplayScale, IconsForceTestAndPagesFollowTheScale)
{
    ASSERT_EQ(GetParam(), SystemDpi()) << "the prefix did not start at this DPI";

    // The icons hold drawn images in the sizes the scale asks for, not a shrunk large one.
    for (int id : {IDI_KINETRA, IDI_SHEET, IDI_TRAY}) {
        for (int metric : {SM_CXSMICON, SM_CXICON}) {
            const int size = ::GetSystemMetrics(metric);
            if (size <= 48) {
                EXPECT_EQ(size, DrawnIconWidth(id, size)) << "icon " << id << " at " << size;
            }
        }
    }

    DemoProcess demo("wired");
    const HWND sheet = OpenSettledSheet(demo);
    ASSERT_NE(nullptr, sheet);
    const HWND general = ::FindWindowExA(sheet, nullptr, "#32770", "General");
    ASSERT_NE(nullptr, general);

    const HWND tabs = reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    const int pages = static_cast<int>(::SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
    for (int page = 0; Shoot() && page < pages; ++page) {
        ::SendMessageA(sheet, PSM_SETCURSEL, page, 0);
        ::Sleep(700);
        SaveScreenshot(Shot("page" + std::to_string(page)).c_str());
    }
    ::SendMessageA(sheet, PSM_SETCURSEL, 0, 0);

    // Force on, applied; then "&Test".
    ::SendMessageA(::GetDlgItem(general, IDC_DUAL_SHOCK), BM_CLICK, 0, 0);
    ::SendMessageA(::GetDlgItem(sheet, ID_APPLY_NOW), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(general, IDC_TEST)) != FALSE; }, 3000));
    ::PostMessageA(::GetDlgItem(general, IDC_TEST), BM_CLICK, 0, 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (dialog = ::FindWindowA(nullptr, "Force Test")) != nullptr; }, 5000));
    ASSERT_NE("", demo.WaitForLine("effect 1 magnitude=0 direction=0,0 gain=1", 5000)) << "a centred stick";

    // The bars and their labels stand where they stand at 96 DPI (left, top, width, height),
    // scaled.
    // The bars' ids are those of OK and Cancel, so they are found by class, X first.
    const HWND barX = ::FindWindowExA(dialog, nullptr, PROGRESS_CLASSA, nullptr);
    const HWND barY = ::FindWindowExA(dialog, barX, PROGRESS_CLASSA, nullptr);
    const struct
    {
        HWND control;
        int x, y, width, height;
    } placed[] = {{barX, 60, 355, 290, 15},
                  {barY, 60, 375, 290, 15},
                  {::GetDlgItem(dialog, IDC_FF_X_LABEL), 10, 355, 50, 15},
                  {::GetDlgItem(dialog, IDC_FF_Y_LABEL), 10, 375, 50, 15}};
    for (const auto& control : placed) {
        SCOPED_TRACE(control.x * 1000 + control.y);
        ASSERT_NE(nullptr, control.control);
        const RECT r = ClientRectOf(dialog, control.control);
        EXPECT_EQ(At(control.x), r.left);
        EXPECT_EQ(At(control.y), r.top);
        EXPECT_EQ(At(control.width), r.right - r.left);
        EXPECT_EQ(At(control.height), r.bottom - r.top);
    }
    // The square's left edge lies one pixel outside the scaled margin; the face outside it.
    ::Sleep(500);
    EXPECT_TRUE(IsDark(dialog, At(30) - 1, At(120))) << "no frame at the scaled margin";
    EXPECT_FALSE(IsDark(dialog, At(30) - 4, At(120))) << "the frame is wider than one 96-DPI pixel";

    // The force a stick position gives is the same at every scale.
    const struct
    {
        const char* rz;
        const char* z;
        const char* effect;
    } sticks[] = {{"40000", "32767", "effect 1 magnitude=4375 direction=1,0 gain=1"},
                  {"65535", "65535", "effect 1 magnitude=14142 direction=1,1 gain=1"}};
    for (const auto& stick : sticks) {
        demo.Send(std::string("axis 1 Rz ") + stick.rz);
        demo.Send(std::string("axis 1 Z ") + stick.z);
        EXPECT_NE("", demo.WaitForLine(stick.effect, 5000)) << stick.rz << ", " << stick.z;
    }
    if (Shoot()) {
        ::Sleep(300);
        SaveScreenshot(Shot("force_test").c_str());
    }
    ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); }, 3000));
    ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    demo.Send("quit");
    EXPECT_EQ(0u, demo.WaitForExit(10000));
}

}

namespace
{
// The stated distances, in 96-DPI pixels, from a box to the edge of the part it binds: the
// farthest box at 96 DPI (132 and 226 pixels under Wine), with a few pixels for the dialog
// font, which under Wine grows faster than the DPI; the pictures stand centred where the
// font places them, so the boxes keep their distances within that.
constexpr int kButtonBoxReach = 140;
constexpr int kMovementBoxReach = 235;

// The picture's top-left corner on the screen: centred in its static control.
POINT CentredPicture(HWND control, const CPixels& picture)
{
    RECT client = {};
    ::GetClientRect(control, &client);
    POINT at = ScreenOrigin(control);
    at.x += (client.right - picture.width) / 2;
    at.y += (client.bottom - picture.height) / 2;
    return at;
}

TEST_P(DisplayScale, MarksAndBoxesStayOnTheirParts)
{
    ASSERT_EQ(GetParam(), SystemDpi()) << "the prefix did not start at this DPI";
    const int dpi = ArtDpi(GetParam());
    m_plain = CPixels::OfArt(IDB_PAD, dpi);
    m_pressed = CPixels::OfArt(IDB_PRESSED, dpi);
    ASSERT_EQ(At(397), m_plain.width) << "the pad picture is drawn for this scale";
    ASSERT_EQ(At(283), m_plain.height);

    DemoProcess demo("wired");
    const HWND sheet = OpenSettledSheet(demo);
    ASSERT_NE(nullptr, sheet);

    // The Button page: the focused box's button is marked, and each box stands by its button.
    ::SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
    const HWND buttons = ::FindWindowExA(sheet, nullptr, "#32770", "Button");
    ASSERT_NE(nullptr, buttons);
    const HWND pad = PictureOf(buttons);
    ASSERT_NE(nullptr, pad);
    ::Sleep(500);
    const POINT picture = CentredPicture(pad, m_plain);
    const std::vector<RECT> overPad = CoveredParts(buttons, pad, picture);
    const int boxes[] = {IDC_KEY_1, IDC_KEY_2, IDC_KEY_3, IDC_KEY_4,  IDC_KEY_5,  IDC_KEY_6,
                         IDC_KEY_7, IDC_KEY_8, IDC_KEY_9, IDC_KEY_10, IDC_KEY_11, IDC_KEY_12};
    std::vector<CBinding> buttonBindings;
    for (int k = 0; k < displaymarks::kButtons; ++k) {
        SCOPED_TRACE("button " + std::to_string(k + 1));
        buttonBindings.push_back({boxes[k], displaymarks::kButtonMarks[k]});
        ::SendMessageA(buttons, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(buttons, boxes[k])), TRUE);
        ::Sleep(200);
        ExpectMarked(m_plain, CPixels::OfScreen(picture, m_plain.width, m_plain.height), displaymarks::kButtonMarks[k],
                     overPad);
    }
    if (Shoot())
        SaveScreenshot(Shot("button_mark12").c_str());
    ExpectBoxesNearParts(buttons, picture, buttonBindings.data(), buttonBindings.size(), kButtonBoxReach);

    // The Direction Pad and Motion Function page: its picture drawn for the scale, each box
    // by its arm or arrow.
    ::SendMessageA(sheet, PSM_SETCURSEL, 2, 0);
    const HWND movement = ::FindWindowExA(sheet, nullptr, "#32770", "Direction Pad and Motion Function");
    ASSERT_NE(nullptr, movement);
    const CPixels arrows = CPixels::OfArt(IDB_MOVEMENT, dpi);
    ASSERT_EQ(At(577), arrows.width);
    const HWND arrowsPicture = PictureOf(movement);
    ASSERT_NE(nullptr, arrowsPicture);
    ::Sleep(500);
    // The static centres it itself, within a pixel of where the Button page centres its own.
    POINT arrowsAt = CentredPicture(arrowsPicture, arrows);
    RECT wrong = {0, 0, 1, 1};
    for (int shift = 0; shift < 9 && !::IsRectEmpty(&wrong); ++shift) {
        const POINT at = {arrowsAt.x + shift % 3 - 1, arrowsAt.y + shift / 3 - 1};
        wrong = Changed(arrows, CPixels::OfScreen(at, arrows.width, arrows.height), {0, 0, arrows.width, arrows.height},
                        CoveredParts(movement, arrowsPicture, at));
        if (::IsRectEmpty(&wrong))
            arrowsAt = at;
    }
    EXPECT_TRUE(::IsRectEmpty(&wrong))
        << Text(wrong) << ": the picture on the screen is not the one drawn for the scale, where it should stand";
    ExpectBoxesNearParts(movement, arrowsAt, kMovementBindings, std::size(kMovementBindings), kMovementBoxReach);

    // The Display page: each input marks its part of the pad.
    ::SendMessageA(sheet, PSM_SETCURSEL, 6, 0);
    const HWND display = ::FindWindowExA(sheet, nullptr, "#32770", "Display");
    ASSERT_NE(nullptr, display);
    ::Sleep(700);
    RECT client = {};
    ::GetClientRect(display, &client);
    POINT live = ScreenOrigin(display);
    live.x += (client.right - m_plain.width) / 2;
    live.y += At(30);
    const struct
    {
        const char* input;
        CMark mark;
    } inputs[] = {{"press 1 1", displaymarks::kButtonMarks[0]},
                  {"press 1 11", displaymarks::kButtonMarks[10]},
                  {"hat 1 9000", displaymarks::kHatRight},
                  {"axis 1 X 0", displaymarks::kAxisMarks[displaymarks::kAxisX].low},
                  {"axis 1 Z 65535", displaymarks::kAxisMarks[displaymarks::kAxisZ].high}};
    CPixels before = CPixels::OfScreen(live, m_plain.width, m_plain.height);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ((GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face), before.At(0, 0))
        << "the pad's surround is not the page";
    for (const auto& input : inputs) {
        SCOPED_TRACE(input.input);
        demo.Send(input.input);
        ::Sleep(600);
        const CPixels after = CPixels::OfScreen(live, m_plain.width, m_plain.height);
        ExpectMarked(before, after, input.mark);
        before = after;
    }
    if (Shoot())
        SaveScreenshot(Shot("display_marks").c_str());
    ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    demo.Send("quit");
    EXPECT_EQ(0u, demo.WaitForExit(10000));
}
INSTANTIATE_TEST_SUITE_P(Dpi, DisplayScale, testing::ValuesIn(kDpis),
                         [](const testing::TestParamInfo<int>& info) { return std::to_string(info.param); });
}
