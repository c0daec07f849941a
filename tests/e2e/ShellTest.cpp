// The real program, started as a person starts it: single instance, tray icon and menu,
// the sheet from the tray, pads arriving and leaving, and quitting.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <functional>

#include "resource.h"
#include "support/DemoProcess.h"
#include "support/TestSupport.h"

namespace
{
constexpr UINT kTrayMessage = 3024;

// The fixed items come below "Profiles", "Switch automatically", "Undo" and a separator.
constexpr int kConfigurationDowns = 4;
constexpr int kQuitDowns = 5;

bool ChooseFromTrayMenu(HWND hidden, int downs, const char* screenshot = nullptr)
{
    return ChooseFromTrayMenu(hidden, std::vector<UINT>(static_cast<std::size_t>(downs), VK_DOWN), screenshot);
}

// Waits for the demo, opens its sheet as the tray's "&Configuration" does, and finds the
// General page in it.
void OpenGeneralPage(DemoProcess& demo, HWND& sheet, HWND& page)
{
    ASSERT_NE("", demo.WaitForLine("ready", 15000));
    demo.Send("config");
    sheet = FindSheet(10000);
    ASSERT_NE(nullptr, sheet);
    page = ::FindWindowExA(sheet, nullptr, "#32770", "General");
    ASSERT_NE(nullptr, page);
}

struct ShellFixture : testing::Test
{
    void SetUp() override
    {
        ASSERT_EQ(nullptr, ::FindWindowA("Kinetra Class", nullptr)) << "a Kinetra from an earlier test still runs";
    }
};
}

TEST_F(ShellFixture, ASecondInstanceEndsAtOnceAndLeavesTheFirstRunning)
{
    DemoProcess first;
    ASSERT_TRUE(first.Started());
    ASSERT_NE("", first.WaitForLine("ready", 15000));
    const HWND hidden = FindKinetraWindow();
    ASSERT_NE(nullptr, hidden);

    DemoProcess second;
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(0u, second.WaitForExit(10000));
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), first.WaitForExit(0));
    EXPECT_EQ(hidden, FindKinetraWindow(0));
    EXPECT_EQ(1, first.DeviceCount());
}

TEST_F(ShellFixture, TrayMenuOpensTheSheetAndQuitEndsTheProgram)
{
    DemoProcess demo;
    ASSERT_NE("", demo.WaitForLine("ready", 15000));
    const HWND hidden = FindKinetraWindow();
    ASSERT_NE(nullptr, hidden);
    EXPECT_TRUE(WaitUntil([&] { return TrayIconExists(hidden); }, 5000));

    ASSERT_TRUE(ChooseFromTrayMenu(hidden, kConfigurationDowns, "tray-menu"));
    const HWND sheet = FindSheet(10000);
    ASSERT_NE(nullptr, sheet) << "\"&Configuration\" opened no sheet";
    ::Sleep(500);
    SaveScreenshot("general-page");

    // A double click, or the menu command again, raises the open sheet instead of opening another.
    ::PostMessageA(hidden, kTrayMessage, 0, WM_LBUTTONDBLCLK);
    ::PostMessageA(hidden, WM_COMMAND, 40001, 0);
    ::Sleep(700);
    EXPECT_EQ(1, CountSheets());
    EXPECT_EQ(sheet, FindSheet(0));
    // A single left click and a right double click do nothing.
    ::PostMessageA(hidden, kTrayMessage, 0, WM_LBUTTONUP);
    ::PostMessageA(hidden, kTrayMessage, 0, WM_RBUTTONDBLCLK);
    ::Sleep(300);
    EXPECT_EQ(nullptr, FindMenuWindow(0));

    ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(sheet); }, 5000));

    ASSERT_TRUE(ChooseFromTrayMenu(hidden, kQuitDowns));
    EXPECT_EQ(0u, demo.WaitForExit(10000));
    EXPECT_FALSE(TrayIconExists(hidden));
    EXPECT_EQ(nullptr, ::FindWindowA("Kinetra Class", nullptr));
}

TEST_F(ShellFixture, PadsArrivingAndLeavingRefreshTheTable)
{
    DemoProcess demo("none");
    ASSERT_NE("", demo.WaitForLine("ready", 15000));
    demo.Send("status");
    EXPECT_EQ("status devices=0 timeout=100 active=0", demo.WaitForLine("status ", 5000));

    const ULONGLONG plugged = ::GetTickCount64();
    demo.Send("plug wired");
    ASSERT_NE("", demo.WaitForLine("plugged ", 10000));
    EXPECT_GE(::GetTickCount64() - plugged, 2000u) << "the arrival is handled after its pause";
    demo.Send("status");
    EXPECT_EQ("status devices=1 timeout=0 active=0", demo.WaitForLine("status ", 5000));

    demo.Send("plug plain");
    ASSERT_NE("", demo.WaitForLine("plugged ", 10000));
    EXPECT_EQ(2, demo.DeviceCount());

    demo.Send("unplug 1");
    ASSERT_NE("", demo.WaitForLine("unplugged ", 10000));
    EXPECT_EQ(1, demo.DeviceCount());
    demo.Send("unplug 2");
    ASSERT_NE("", demo.WaitForLine("unplugged ", 10000));
    demo.Send("status");
    EXPECT_EQ("status devices=0 timeout=100 active=0", demo.WaitForLine("status ", 5000));
}

TEST_F(ShellFixture, ARemovalOfAnotherKindOfDeviceAlsoRefreshes)
{
    DemoProcess demo("wired,wired");
    ASSERT_NE("", demo.WaitForLine("ready", 15000));
    const HWND hidden = FindKinetraWindow();
    EXPECT_EQ(2, demo.DeviceCount());
    demo.Send("unplug 1 quiet");
    ASSERT_NE("", demo.WaitForLine("unplugged ", 10000));
    EXPECT_EQ(2, demo.DeviceCount()) << "no broadcast yet, so no refresh";
    // A storage volume leaving: the program does not look at what left.
    ::SendMessageA(hidden, WM_DEVICECHANGE, 0x8004 /* DBT_DEVICEREMOVECOMPLETE */, 0);
    EXPECT_EQ(1, demo.DeviceCount());
}

TEST_F(ShellFixture, ApplyFromTheSheetReachesTheDriver)
{
    DemoProcess demo("wired");
    HWND sheet = nullptr, page = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenGeneralPage(demo, sheet, page));
    // The single programmable pad is loaded at once; pick single keystrokes and apply.
    ::SendMessageA(::GetDlgItem(page, 1075), BM_CLICK, 0, 0);
    ::SendMessageA(::GetDlgItem(sheet, ID_APPLY_NOW), BM_CLICK, 0, 0);
    const std::string reload = demo.WaitForLine("reload ", 5000);
    ASSERT_NE("", reload);
    // 255 = single keystroke; the mouse speed slider starts at its lowest, 116 (0x74).
    EXPECT_NE(std::string::npos, reload.find(" Sensitivity=ff7401 ")) << reload;
    EXPECT_NE(std::string::npos, reload.find(" ForceFeedBack=000000 ")) << reload;
    ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(ShellFixture, TheOpenSheetFollowsPadsArrivingAndLeaving)
{
    DemoProcess demo("wired");
    HWND sheet = nullptr, page = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenGeneralPage(demo, sheet, page));
    const HWND list = ::GetDlgItem(page, 1000);
    auto rows = [&] { return static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); };
    EXPECT_TRUE(WaitUntil([&] { return rows() == 1; }, 3000));

    demo.Send("plug wireless");
    ASSERT_NE("", demo.WaitForLine("plugged ", 10000));  // the table is refreshed by now
    EXPECT_TRUE(WaitUntil([&] { return rows() == 2; }, 1700)) << "the list did not follow the arrival";
    demo.Send("unplug 1");
    ASSERT_NE("", demo.WaitForLine("unplugged ", 10000));
    EXPECT_TRUE(WaitUntil([&] { return rows() == 1; }, 1700)) << "the list did not follow the removal";
    ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
}

namespace
{
bool MapsModule(HANDLE process, const char* name)
{
    HMODULE modules[512];
    DWORD needed = 0;
    if (!::EnumProcessModules(process, modules, sizeof modules, &needed))
        return true;  // unknown counts against the program
    char found[MAX_PATH];
    for (DWORD i = 0; i < std::min<DWORD>(needed, sizeof modules) / sizeof modules[0]; ++i) {
        if (::GetModuleBaseNameA(process, modules[i], found, MAX_PATH) && !lstrcmpiA(found, name))
            return true;
    }
    return false;
}
}

TEST_F(ShellFixture, TheProductStartsWithNoPadShowsItsIconAndQuits)
{
    // Kinetra.exe on the real DirectInput and setupapi: Wine has no pad to offer.
    DemoProcess product("none", "Kinetra.exe");
    ASSERT_TRUE(product.Started());
    const HWND hidden = FindKinetraWindow(15000);
    ASSERT_NE(nullptr, hidden);
    EXPECT_TRUE(WaitUntil([&] { return TrayIconExists(hidden); }, 5000));
    // At rest it maps no DLL that only a page or a dialog needs. ole32 cannot be checked here:
    // Wine's own dinput8 imports it, so every DirectInput program under Wine maps it.
    for (const char* late : {"comdlg32.dll", "winmm.dll"})
        EXPECT_FALSE(MapsModule(product.process(), late)) << late << " is mapped at rest";
    ::PostMessageA(hidden, WM_COMMAND, 40002, 0);
    EXPECT_EQ(0u, product.WaitForExit(10000));
}

namespace
{

// The message box a process shows now, if any: answered with OK once its words are taken.
bool AnswerMessageOf(DWORD processId, std::vector<std::string>& shown)
{
    for (HWND box = ::FindWindowA("#32770", nullptr); box; box = ::FindWindowExA(nullptr, box, "#32770", nullptr)) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(box, &owner);
        if (owner != processId || !::IsWindowVisible(box))
            continue;
        char caption[128] = {}, text[256] = {};
        ::GetWindowTextA(box, caption, sizeof caption);
        ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        shown.push_back(std::string(caption) + ": " + text);
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        WaitUntil([box] { return !::IsWindow(box); }, 5000);
        return true;
    }
    return false;
}
}

TEST_F(ShellFixture, AFailedMatchAtStartUpSaysSoInOrderAndLeavesNoConfigFolder)
{
    // A copy in a folder of its own, so that a config folder made beside it would show.
    ScratchDir folder;
    const std::string copy = folder.path() + "\\KinetraDemo.exe";
    ASSERT_TRUE(::CopyFileA(DemoProcess::ProgramPath("KinetraDemo.exe").c_str(), copy.c_str(), FALSE));
    ::SetEnvironmentVariableA("KINETRA_SIM_FAULTS", "interfaces");
    DemoProcess demo("wired", copy.c_str());
    ::SetEnvironmentVariableA("KINETRA_SIM_FAULTS", nullptr);
    ASSERT_TRUE(demo.Started());

    std::vector<std::string> shown;
    const DWORD id = ::GetProcessId(demo.process());
    WaitUntil(
        [&] {
            AnswerMessageOf(id, shown);
            return demo.WaitForExit(0) != STILL_ACTIVE || shown.size() > 2;
        },
        20000);
    EXPECT_EQ(0u, demo.WaitForExit(5000));
    const std::vector<std::string> expected = {"CDiDevice: Invalid Handle!!!", "Main.h: DxInput AssignDevInfo Fail!"};
    EXPECT_EQ(expected, shown);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((folder.path() + "\\config").c_str()))
        << "start-up made the config folder before the pads were matched";
}
