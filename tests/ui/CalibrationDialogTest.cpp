// Calibration from the General page's button on the real sheet with a simulated pad: the
// question, the backup in the profile folder, the cleared bindings the driver reloads, and
// the system's game-controller panel, which Wine has.
#include <windows.h>

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <cstring>
#include <fstream>

#include "framework/Handles.h"
#include "profiles/PadHistory.h"
#include "support/DemoProcess.h"
#include "support/TestSupport.h"
#include "ui/PadSheetFixture.h"
#include "ui/ProfilePageHelpers.h"
#include "ui/UiHelpers.h"

namespace
{
using Bytes = std::vector<std::uint8_t>;

struct CPanelSearch
{
    std::vector<HWND> found;
};

BOOL CALLBACK CollectPanelWindow(HWND window, LPARAM lParam)
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == ::GetCurrentProcessId() || !::IsWindowVisible(window))
        return TRUE;
    CHandle handle(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
    char image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (handle && ::QueryFullProcessImageNameA(handle.get(), 0, image, &size) &&
        std::string(image).find("rundll32") != std::string::npos)
        reinterpret_cast<CPanelSearch*>(lParam)->found.push_back(window);
    return TRUE;
}

// Visible top-level windows of the game-controller panel (a rundll32 process of its own).
std::vector<HWND> PanelWindows()
{
    CPanelSearch search;
    ::EnumWindows(CollectPanelWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Closes the panel the calibration started and ends its process, which the test made run.
void ClosePanel(HWND window)
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    CHandle handle(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process));
    if (handle && ::WaitForSingleObject(handle.get(), 3000) == WAIT_TIMEOUT)
        ::TerminateProcess(handle.get(), 0);
}

struct CalibrationFixture : CPadSheetFixture
{
    void SetUp() override
    {
        CPadSheetFixture::SetUp();
        ClearProfileFolder();
        Bytes kinds(32, 0);
        Bytes codes(32, 0);
        for (int i = 0; i < 12; ++i) {
            kinds[i] = 1;
            codes[i] = static_cast<std::uint8_t>(0x10 + i);
        }
        SetKeyValue(pad->KeyPath(), "KeyConfig", kinds);
        SetKeyValue(pad->KeyPath(), "KeyMap", codes);
    }

    void TearDown() override
    {
        CPadSheetFixture::TearDown();
        for (HWND window : PanelWindows())
            ClosePanel(window);
        ClearProfileFolder();
    }

    // Presses "Ca&libration" and answers its question with `answer`; the dialog, still open
    // when `inspect` runs.
    void Calibrate(HWND page, int answer, const std::function<void(HWND dialog)>& inspect = {})
    {
        ::PostMessageA(::GetDlgItem(page, IDC_CALIBRATION), BM_CLICK, 0, 0);
        const HWND dialog = WaitForOwnWindow("Calibration", 5000);
        ASSERT_NE(nullptr, dialog) << "the question never showed";
        if (inspect)
            inspect(dialog);
        ::PostMessageA(dialog, WM_COMMAND, answer, 0);
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); }, 5000));
        // Settled once the page answers behind the rest of the sequence.
        ::SendMessageA(page, WM_NULL, 0, 0);
    }
};
}

TEST_F(CalibrationFixture, TheQuestionBlinksInRedAndCancelChangesNothing)
{
    RunSheet(0, [&](HWND sheetWindow, HWND page) {
        ASSERT_EQ(1, model->m_bDeviceActive);
        const Bytes kinds = KeyValue(pad->KeyPath(), "KeyConfig");
        Calibrate(page, IDCANCEL, [&](HWND dialog) {
            const HWND label = ::GetDlgItem(dialog, IDC_ANALOG_MODE);
            char text[64] = {};
            ::GetWindowTextA(label, text, sizeof text);
            EXPECT_STREQ("\"ANALOG MODE\"", text);
            RECT size = {0, 0, 238, 101};
            ::MapDialogRect(dialog, &size);
            RECT client;
            ::GetClientRect(dialog, &client);
            EXPECT_EQ(size.right, client.right);
            EXPECT_EQ(size.bottom, client.bottom);
            EXPECT_NE(nullptr,
                      reinterpret_cast<HICON>(::SendDlgItemMessageA(dialog, IDC_CALIBRATION_ICON, STM_GETICON, 0, 0)));
            // The label's colours, as the dialog gives them to the static when it paints.
            CMemDC dc(::CreateCompatibleDC(nullptr));
            ::SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                           reinterpret_cast<LPARAM>(label));
            EXPECT_EQ(RGB(255, 0, 0), ::GetTextColor(dc.get()));
            // Shown and hidden in turn, every 500 ms.
            bool seen[2] = {false, false};
            const ULONGLONG end = ::GetTickCount64() + 1600;
            while (::GetTickCount64() < end && !(seen[0] && seen[1])) {
                seen[::IsWindowVisible(label) ? 1 : 0] = true;
                ::Sleep(50);
            }
            EXPECT_TRUE(seen[0] && seen[1]) << "the label did not blink";
            WaitUntil([&] { return ::IsWindowVisible(label) != FALSE; }, 1000);
            SaveScreenshot("calibration_dialog");
        });
        EXPECT_EQ(kinds, KeyValue(pad->KeyPath(), "KeyConfig"));
        EXPECT_FALSE(::PathFileExistsA(ConfigFile("calibration.reg").c_str()));
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(sheetWindow, ID_APPLY_NOW)));
        EXPECT_TRUE(messages.messages().empty());
    });
}

TEST_F(CalibrationFixture, OkBacksUpClearsReloadsAndOpensThePanel)
{
    RunSheet(0, [&](HWND sheetWindow, HWND page) {
        ASSERT_EQ(1, model->m_bDeviceActive);
        const std::size_t reloads = pad->ReloadCount();
        auto keyBefore = KeyValues(pad->KeyPath());
        std::erase_if(keyBefore, [](const auto& value) { return value.second.empty(); });
        Calibrate(page, IDOK);
        EXPECT_TRUE(messages.messages().empty()) << messages.messages().front().text;
        // The pad's history keeps what calibration cleared, for Undo.
        const std::vector<CHistoryEntry> history = PadHistoryOf(model->CurrentPadId());
        ASSERT_FALSE(history.empty());
        EXPECT_EQ("Calibration", history.back().cause);
        EXPECT_EQ(keyBefore,
                  (std::map<std::string, Bytes>(history.back().values.begin(), history.back().values.end())));
        const std::string first = ReadFileBytes(ConfigFile("calibration.reg"));
        EXPECT_FALSE(first.empty()) << "no backup";
        Bytes cleared = KeyValue(pad->KeyPath(), "KeyConfig");
        ASSERT_EQ(32u, cleared.size());
        for (int i = 0; i < 28; ++i)
            EXPECT_EQ(0, cleared[i]) << "input " << i;
        EXPECT_EQ(Bytes(32, 0), KeyValue(pad->KeyPath(), "KeyMap"));
        ASSERT_TRUE(pad->WaitForReloads(reloads + 1, 3000));
        EXPECT_EQ(cleared, pad->Reloads().back().values.at("KeyConfig"));
        ASSERT_TRUE(WaitUntil([] { return !PanelWindows().empty(); }, 10000)) << "the panel never showed";
        // The page goes on once the panel's process is ready for input.
        EXPECT_TRUE(
            WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(sheetWindow, ID_APPLY_NOW)) != FALSE; }, 30000));
        for (HWND window : PanelWindows())
            ClosePanel(window);

        // The Profile page lists the backup.
        ShowPage(sheetWindow, ProfilePageIndex());
        const HWND profilePage = CurrentPage(sheetWindow);
        EXPECT_GE(ItemOf(profilePage, "calibration"), 0);
        // The backup of a key the program never wrote loads back: the bindings return.
        const std::size_t boxes = messages.messages().size();
        ClickItem(profilePage, "calibration");
        Click(profilePage, IDC_PROFILE_LOAD);
        EXPECT_EQ(boxes, messages.messages().size()) << messages.messages().back().text;
        EXPECT_NE(cleared, KeyValue(pad->KeyPath(), "KeyConfig")) << "the backup did not load";
        ::SendMessageA(sheetWindow, PSM_SETCURSEL, 0, 0);

        // A second calibration replaces the backup with the settings of the moment.
        SetKeyValue(pad->KeyPath(), "Sensitivity", {1, 120, 1});
        Calibrate(page, IDOK);
        const std::string second = ReadFileBytes(ConfigFile("calibration.reg"));
        EXPECT_FALSE(second.empty());
        EXPECT_NE(first, second);
        ASSERT_TRUE(WaitUntil([] { return !PanelWindows().empty(); }, 10000));
    });
}

TEST_F(CalibrationFixture, ABackupThatCannotBeWrittenStopsBeforeAnythingIsCleared)
{
    // A file where the folder of half-written saves would go: no save can be written.
    std::ofstream(ConfigFile("~work"), std::ios::binary) << "in the way";
    RunSheet(0, [&](HWND sheetWindow, HWND page) {
        const Bytes kinds = KeyValue(pad->KeyPath(), "KeyConfig");
        const std::size_t reloads = pad->ReloadCount();
        Calibrate(page, IDOK);
        ASSERT_EQ(1u, messages.messages().size());
        EXPECT_EQ("Cannot Backup Current Registry!\n Calibration Exit!", messages.messages()[0].text);
        EXPECT_EQ("Error", messages.messages()[0].caption);
        EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONWARNING), messages.messages()[0].type);
        EXPECT_EQ(kinds, KeyValue(pad->KeyPath(), "KeyConfig")) << "the bindings are intact";
        ::Sleep(300);
        EXPECT_EQ(reloads, pad->ReloadCount());
        EXPECT_FALSE(::PathFileExistsA(ConfigFile("calibration.reg").c_str()));
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(sheetWindow, ID_APPLY_NOW)));
        EXPECT_TRUE(PanelWindows().empty());

        // A profile folder too deep for the backup's name is refused the same way.
        char configDir[MAX_PATH];
        lstrcpynA(configDir, g_szConfigDir, MAX_PATH);
        std::string deep = std::string(configDir) + "\\" + std::string(240 - std::strlen(configDir) % 240, 'd');
        deep.resize(250);
        lstrcpynA(g_szConfigDir, deep.c_str(), MAX_PATH);
        Calibrate(page, IDOK);
        lstrcpynA(g_szConfigDir, configDir, MAX_PATH);
        ASSERT_EQ(2u, messages.messages().size());
        EXPECT_EQ("Cannot Backup Current Registry!\n Calibration Exit!", messages.messages()[1].text);
        EXPECT_EQ(kinds, KeyValue(pad->KeyPath(), "KeyConfig"));
    });
}
