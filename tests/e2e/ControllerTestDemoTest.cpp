// The demo's hand on the pad: its commands move the simulated pad, the open Display tab and
// "Force Test" of the running program follow, and the force the pad receives comes out as
// "effect" lines.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "resource.h"
#include "support/DemoProcess.h"
#include "support/TestSupport.h"

namespace
{
// The fifth tab; Kinetra's own Programs page comes after it.
constexpr int kDisplayTab = 6;

std::string TextOf(HWND window, int id)
{
    char text[64] = {};
    ::GetDlgItemTextA(window, id, text, sizeof text);
    return text;
}
}

TEST(ControllerTestDemo, CommandsMoveThePadAndTheForceItReceivesIsPrinted)
{
    ASSERT_EQ(nullptr, ::FindWindowA("Kinetra Class", nullptr)) << "a Kinetra from an earlier test still runs";
    DemoProcess demo("wired");
    ASSERT_NE("", demo.WaitForLine("ready", 15000));
    demo.Send("config");
    const HWND sheet = FindSheet(10000);
    ASSERT_NE(nullptr, sheet);
    const HWND general = ::FindWindowExA(sheet, nullptr, "#32770", "General");
    ASSERT_NE(nullptr, general);
    ASSERT_EQ(sheet, SettleSheet(sheet));

    // The Display tab: a held button and a pushed stick show in its read-outs.
    ::SendMessageA(sheet, PSM_SETCURSEL, kDisplayTab, 0);
    const HWND display = ::FindWindowExA(sheet, nullptr, "#32770", "Display");
    ASSERT_NE(nullptr, display);
    demo.Send("press 1 3");
    demo.Send("axis 1 X 0");
    demo.Send("hat 1 4500");
    EXPECT_TRUE(WaitUntil([&] { return TextOf(display, 1054) == "02 "; }, 3000)) << TextOf(display, 1054);
    EXPECT_TRUE(WaitUntil([&] { return TextOf(display, 1049) == "0"; }, 3000)) << TextOf(display, 1049);
    EXPECT_TRUE(WaitUntil([&] { return TextOf(display, 1053) == "4500"; }, 3000)) << TextOf(display, 1053);
    ::SendMessageA(sheet, PSM_SETCURSEL, 0, 0);

    // Force on, applied; then "&Test" and the right stick pushed right and down.
    ::SendMessageA(::GetDlgItem(general, 1002), BM_CLICK, 0, 0);
    ::SendMessageA(::GetDlgItem(sheet, ID_APPLY_NOW), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(general, 1011)) != FALSE; }, 3000))
        << "&Test stayed disabled with force feedback on";
    ::PostMessageA(::GetDlgItem(general, 1011), BM_CLICK, 0, 0);
    HWND forceTest = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (forceTest = ::FindWindowA(nullptr, "Force Test")) != nullptr; }, 5000));
    EXPECT_NE("", demo.WaitForLine("effect 1 magnitude=0 direction=0,0 gain=1", 5000)) << "a centred stick";
    demo.Send("axis 1 Rz 65535");
    demo.Send("axis 1 Z 65535");
    EXPECT_NE("", demo.WaitForLine("effect 1 magnitude=14142 direction=1,1 gain=1", 5000));
    ::PostMessageA(forceTest, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(forceTest); }, 3000));
    ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    demo.Send("quit");
    EXPECT_EQ(0u, demo.WaitForExit(10000));
}

namespace
{
void Apply(HWND sheet)
{
    ::SendMessageA(sheet, WM_COMMAND, MAKEWPARAM(ID_APPLY_NOW, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(sheet, ID_APPLY_NOW)));
}

// A key pressed in the box of Button `button` on the Button page.
void Bind(HWND sheet, int button, WPARAM key, LPARAM scanBits)
{
    ::SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
    const HWND page = ::FindWindowExA(sheet, nullptr, "#32770", "Button");
    const HWND box = ::GetDlgItem(page, 1009 + button - 1);
    ::PostMessageA(box, WM_KEYDOWN, key, scanBits);
    ::PostMessageA(box, WM_KEYUP, key, scanBits | 0xC0000000);
    ::Sleep(300);
}

// How a person opens and leaves one of the two test windows, and what shows it still reads
// the pad.
struct CTestWindow
{
    const char* name;
    bool forceTest;  // "Force Test" from the General page; else the Display tab
};

class RefreshDuringTest : public ::testing::TestWithParam<CTestWindow>
{};
}

// Another pad coming and going refreshes the device table under a running test: the test goes
// on with its pad, and leaving it puts the user's own bindings back into the pad's key and
// driver, where the next Apply keeps them.
TEST_P(RefreshDuringTest, AnotherPadComingAndGoingNeitherEndsTheTestNorLosesTheBindings)
{
    ASSERT_EQ(nullptr, ::FindWindowA("Kinetra Class", nullptr)) << "a Kinetra from an earlier test still runs";
    DemoProcess demo("wired");
    const HWND sheet = OpenSettledSheet(demo);
    ASSERT_NE(nullptr, sheet);
    // The user's own settings: Button 3 bound to "A", force feedback on.
    Bind(sheet, 3, 'A', 0x001E0001);
    Apply(sheet);  // before the page is left, which would ask
    ASSERT_NE("", demo.WaitForLine("reload 1 ", 5000));
    ::SendMessageA(sheet, PSM_SETCURSEL, 0, 0);
    const HWND general = ::FindWindowExA(sheet, nullptr, "#32770", "General");
    if (::IsDlgButtonChecked(general, 1002) != BST_CHECKED)
        ::SendMessageA(::GetDlgItem(general, 1002), BM_CLICK, 0, 0);
    Apply(sheet);
    const std::string user = demo.WaitForLine("reload 1 ", 5000);
    ASSERT_EQ("00001e", ReloadValue(user, "KeyMap").substr(0, 6)) << user;

    HWND window = nullptr;
    if (GetParam().forceTest) {
        ::PostMessageA(::GetDlgItem(general, 1011), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return (window = ::FindWindowA(nullptr, "Force Test")) != nullptr; }, 5000));
    } else {
        ::SendMessageA(sheet, PSM_SETCURSEL, kDisplayTab, 0);
        window = ::FindWindowExA(sheet, nullptr, "#32770", "Display");
        ASSERT_NE(nullptr, window);
    }
    const std::string neutral = demo.WaitForLine("reload 1 ", 5000);
    ASSERT_EQ("000000", ReloadValue(neutral, "KeyMap").substr(0, 6)) << "the test switched the bindings off";

    // A pad that is no gamepad of ours arrives and leaves; each refresh gets its time and the
    // General page its device-count check.
    demo.Send("plug plain");
    const std::string plugged = demo.WaitForLine("plugged ", 5000);
    ASSERT_NE("", plugged);
    ::Sleep(4000);
    demo.Send("unplug " + plugged.substr(8, plugged.find(' ', 8) - 8));
    ASSERT_NE("", demo.WaitForLine("unplugged ", 5000));
    ::Sleep(2500);
    EXPECT_TRUE(OpenMessageBoxes(demo.process(), window).empty()) << OpenMessageBoxes(demo.process(), window)[0].second;

    // The test still reads its pad.
    if (GetParam().forceTest) {
        demo.Send("axis 1 Rz 65535");
        demo.Send("axis 1 Z 65535");
        EXPECT_NE("", demo.WaitForLine("effect 1 magnitude=14142 direction=1,1 gain=1", 5000));
        ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(window); }, 3000));
    } else {
        demo.Send("axis 1 X 0");
        EXPECT_TRUE(WaitUntil([&] { return TextOf(window, 1049) == "0"; }, 3000)) << TextOf(window, 1049);
        ::SendMessageA(sheet, PSM_SETCURSEL, 0, 0);
    }
    std::string back, line;
    while (!(line = demo.WaitForLine("reload 1 ", back.empty() ? 5000 : 500)).empty())
        back = line;
    EXPECT_EQ(ReloadValue(user, "KeyConfig"), ReloadValue(back, "KeyConfig"))
        << "leaving gave the driver the user's own";
    EXPECT_EQ(ReloadValue(user, "KeyMap"), ReloadValue(back, "KeyMap"));

    // A binding added afterwards keeps every other one the user had.
    Bind(sheet, 4, 'B', 0x00300001);
    Apply(sheet);
    const std::string after = demo.WaitForLine("reload 1 ", 5000);
    EXPECT_EQ(ReloadValue(user, "KeyMap").substr(0, 6) + "30" + ReloadValue(user, "KeyMap").substr(8),
              ReloadValue(after, "KeyMap"))
        << after;
    ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    demo.Send("quit");
    EXPECT_EQ(0u, demo.WaitForExit(10000));
}

INSTANTIATE_TEST_SUITE_P(Windows, RefreshDuringTest,
                         ::testing::Values(CTestWindow{"ForceTest", true}, CTestWindow{"Display", false}),
                         [](const auto& info) { return std::string(info.param.name); });
