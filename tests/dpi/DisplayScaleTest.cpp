// The program at the display scales people use: 100 %, 125 %, 150 % and 200 % (96, 120, 144
// and 192 DPI). tests/dpi/run starts a Wine prefix at each DPI and runs the case of that DPI,
// so one case is one scale. Screenshots of every page and of "Force Test" at 144 and 192 DPI
// land in <build>/screenshots/ for a person to look at.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "resource.h"
#include "support/DemoProcess.h"
#include "support/TestSupport.h"

namespace
{
constexpr int kApplyButton = 0x3021;
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

class DisplayScale : public testing::TestWithParam<int>
{
protected:
    int At(int v) const { return ScaleToDpi(v, GetParam()); }
    bool Shoot() const { return GetParam() >= 144; }
    std::string Shot(const std::string& what) const { return "dpi" + std::to_string(GetParam()) + "_" + what; }
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
    ::SendMessageA(::GetDlgItem(sheet, kApplyButton), BM_CLICK, 0, 0);
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

INSTANTIATE_TEST_SUITE_P(Dpi, DisplayScale, testing::ValuesIn(kDpis),
                         [](const testing::TestParamInfo<int>& info) { return std::to_string(info.param); });
}
