// The road of one binding through the real demo program: its sheet, its own message loop,
// the registry and the simulated driver, which prints what it reloaded.
#include <gtest/gtest.h>

#include <windows.h>

#include <prsht.h>

#include "resource.h"
#include "support/DemoProcess.h"
#include "support/TestSupport.h"

namespace
{
constexpr int kFirstBox = 1009;

// The sheet's Apply button, pressed as its click reports it to the sheet.
void Apply(HWND sheet)
{
    ::SendMessageA(sheet, WM_COMMAND, MAKEWPARAM(ID_APPLY_NOW, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(sheet, ID_APPLY_NOW)));
}

std::string TextOf(HWND window)
{
    char text[32] = {};
    ::SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

}

TEST(KeyBinding, KeysBoundInTheDemoSheetReachItsDriver)
{
    ASSERT_EQ(nullptr, ::FindWindowA("Kinetra Class", nullptr)) << "a Kinetra from an earlier test still runs";
    DemoProcess demo;
    const std::string plugged = demo.WaitForLine("plugged ", 15000);  // "plugged <pad> wired"
    ASSERT_NE("", plugged);
    const std::string reload = "reload " + plugged.substr(8, plugged.find(' ', 8) - 8) + " ";
    ASSERT_NE("", demo.WaitForLine("ready", 15000));
    demo.Send("config");
    const HWND sheet = FindSheet(10000);
    ASSERT_NE(nullptr, sheet);
    ASSERT_EQ(sheet, SettleSheet(sheet));

    // Button 3 bound to "A"; the direction pad's UP to the Up arrow (extended).
    ::SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
    const HWND buttons = ::FindWindowExA(sheet, nullptr, "#32770", "Button");
    ASSERT_NE(nullptr, buttons);
    const HWND button3 = ::GetDlgItem(buttons, kFirstBox + 2);
    ::PostMessageA(button3, WM_KEYDOWN, 'A', 0x001E0001);
    ::PostMessageA(button3, WM_KEYUP, 'A', 0xC01E0001);
    ASSERT_TRUE(WaitUntil([&] { return TextOf(button3) == "A"; }, 5000));
    Apply(sheet);
    const std::string first = demo.WaitForLine(reload, 5000);
    ASSERT_NE("", first);
    EXPECT_EQ("000001", ReloadValue(first, "KeyConfig").substr(0, 6)) << first;
    EXPECT_EQ("00001e", ReloadValue(first, "KeyMap").substr(0, 6)) << first;

    ::SendMessageA(sheet, PSM_SETCURSEL, 2, 0);
    const HWND movement = ::FindWindowExA(sheet, nullptr, "#32770", "Direction Pad and Motion Function");
    ASSERT_NE(nullptr, movement);
    const HWND up = ::GetDlgItem(movement, kFirstBox);
    ::PostMessageA(up, WM_KEYDOWN, VK_UP, 0x01480001);
    ASSERT_TRUE(WaitUntil([&] { return TextOf(up) == "Up"; }, 5000));
    Apply(sheet);
    const std::string second = demo.WaitForLine(reload, 5000);
    ASSERT_NE("", second);
    EXPECT_EQ("04", ReloadValue(second, "KeyConfig").substr(24, 2)) << second;
    EXPECT_EQ("c8", ReloadValue(second, "KeyMap").substr(24, 2)) << second;
    EXPECT_EQ("1e", ReloadValue(second, "KeyMap").substr(4, 2)) << "the first binding stays";

    ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    demo.Send("quit");
    EXPECT_EQ(0u, demo.WaitForExit(10000));
}
