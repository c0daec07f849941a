// Profiles in the demo program, driven from outside as a person would: a profile saved in its
// sheet lands in the config folder beside the demo, and loading it back makes the simulated
// driver reload exactly the bytes it held.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "resource.h"
#include "support/DemoProcess.h"
#include "support/TestSupport.h"

namespace
{

HWND CurrentPage(HWND sheet)
{
    return reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

HWND ShowPage(HWND sheet, int index)
{
    ::SendMessageA(sheet, PSM_SETCURSEL, index, 0);
    return CurrentPage(sheet);
}

int PageCount(HWND sheet)
{
    const HWND tabs = reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    return static_cast<int>(::SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
}

// Shows the tab whose page has this caption; its page window, or null.
HWND ShowPageNamed(HWND sheet, const char* caption)
{
    for (int index = 0; index < PageCount(sheet); ++index) {
        const HWND page = ShowPage(sheet, index);
        char text[64] = {};
        ::SendMessageA(page, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        if (std::string(text) == caption)
            return page;
    }
    return nullptr;
}

void Click(HWND window, int id)
{
    ::SendMessageA(::GetDlgItem(window, id), BM_CLICK, 0, 0);
}

// A double click on the first row of the profile list, below its header.
void DoubleClickFirstProfile(HWND page)
{
    const HWND list = ::GetDlgItem(page, IDC_PROFILE_LIST);
    RECT header = {};
    ::GetClientRect(reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0)), &header);
    const LPARAM at = MAKELPARAM(12, header.bottom + 6);
    ::SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(list, WM_LBUTTONUP, 0, at);
    ::SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    ::SendMessageA(list, WM_LBUTTONUP, 0, at);
}

// The driver's reload line once the demo's sheet pressed Apply with `radio` chosen.
std::string ApplyKeystroke(DemoProcess& demo, HWND sheet, int radio)
{
    const HWND general = ShowPage(sheet, 0);
    Click(general, radio);
    Click(sheet, ID_APPLY_NOW);
    return demo.WaitForLine("reload ", 5000);
}
}

TEST(ProfileDemo, ASavedProfileLandsBesideTheDemoAndLoadingItReloadsItsBytes)
{
    ASSERT_EQ(nullptr, ::FindWindowA("Kinetra Class", nullptr)) << "a Kinetra from an earlier test still runs";
    const std::string file = DemoProcess::ProgramPath("config\\DemoRace.reg");
    ::DeleteFileA(file.c_str());
    DemoProcess demo;
    ASSERT_NE("", demo.WaitForLine("ready", 15000));
    demo.Send("config");
    const HWND sheet = FindSheet(10000);
    ASSERT_NE(nullptr, sheet);
    ASSERT_EQ(sheet, SettleSheet(sheet));
    while (!demo.WaitForLine("reload ", 0).empty()) {
    }

    const std::string saved = ApplyKeystroke(demo, sheet, IDC_SINGLE);
    ASSERT_NE("", saved) << "Apply reached no driver";
    HWND profile = ShowPageNamed(sheet, "Profile");
    ::SendDlgItemMessageA(profile, IDC_PROFILE_NAME, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("DemoRace"));
    Click(profile, IDC_PROFILE_SAVE_AS);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(file.c_str())) << file;

    const std::string changed = ApplyKeystroke(demo, sheet, IDC_CONTINUOUS);
    ASSERT_NE("", changed);
    ASSERT_NE(saved, changed);
    profile = ShowPageNamed(sheet, "Profile");
    DoubleClickFirstProfile(profile);
    EXPECT_EQ(saved, demo.WaitForLine("reload ", 5000)) << "the profile's bytes reached the driver";

    ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    demo.Send("quit");
    EXPECT_EQ(0u, demo.WaitForExit(10000));
    ::DeleteFileA(file.c_str());
}
