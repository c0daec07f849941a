// The demo's hand on the pad: its commands move the simulated pad, the open Display tab and
// "Force Test" of the running program follow, and the force the pad receives comes out as
// "effect" lines.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "support/DemoProcess.h"
#include "support/TestSupport.h"

namespace
{
constexpr int kApplyButton = 0x3021;

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
    ::Sleep(1800);  // the General page's first device-count check

    // The Display tab: a held button and a pushed stick show in its read-outs.
    const HWND tabs = reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    const int pages = static_cast<int>(::SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
    ASSERT_GE(pages, 2);
    ::SendMessageA(sheet, PSM_SETCURSEL, pages - 1, 0);
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
    ::SendMessageA(::GetDlgItem(sheet, kApplyButton), BM_CLICK, 0, 0);
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
