// The General page on the real sheet, with simulated pads, driven like a user: clicks and
// keys as messages to the controls, Apply through the sheet, then the registry and what the
// simulated driver reloaded.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include "SimBench.h"
#include "device/DeviceThread.h"
#include "resource.h"
#include "settings/Setting.h"
#include "settings/SettingsLayout.h"
#include "sheet/PropGeneral.h"
#include "sheet/PropSheet.h"
#include "support/TestSupport.h"
#include "framework/ListView.h"
#include "settings/SettingsLayout.h"
#include "ui/UiHelpers.h"

namespace
{
using Bytes = std::vector<std::uint8_t>;

struct GeneralPageFixture : CSimSheetFixture
{
    CPropGeneral* page = static_cast<CPropGeneral*>(CPropSheet::GetInstance()->GetPage(0));
};

CListView Rows(HWND page)
{
    return CListView(::GetDlgItem(page, IDC_DEVICE_LIST));
}

// Moves a trackbar to `pos` the way the keyboard does: one step to it, then the key's release
// ends the tracking.
void SlideTo(HWND page, int id, int pos)
{
    const HWND slider = ::GetDlgItem(page, id);
    ::SendMessageA(slider, TBM_SETPOS, TRUE, pos + 1);
    ::SendMessageA(slider, WM_KEYDOWN, VK_LEFT, 0x014B0001);
    ::SendMessageA(slider, WM_KEYUP, VK_LEFT, 0xC14B0001);
}

const int kSettingControls[] = {IDC_MOUSE_ENABLE, IDC_MOUSE_CONFIG, IDC_CONTINUOUS,  IDC_NORMAL, IDC_SINGLE,
                                IDC_MOUSE_SPEED,  IDC_DUAL_SHOCK,   IDC_FORCE_LEVEL, IDC_TEST,   IDC_CALIBRATION};
}

TEST_F(GeneralPageFixture, ASingleProgrammablePadIsLoadedAtOnce)
{
    CSimBench::Get().Plug("wired");
    Discover();
    RunSheet(0, [&](HWND, HWND pageWindow) {
        ASSERT_EQ(1, Rows(pageWindow).GetItemCount());
        EXPECT_EQ("Kinetra Gamepad", Rows(pageWindow).GetItemText(0, 0));
        EXPECT_EQ("Active", Rows(pageWindow).GetItemText(0, 1));
        EXPECT_FALSE(Enabled(pageWindow, IDC_CONFIG));
        EXPECT_TRUE(Enabled(pageWindow, IDC_CALIBRATION));
        EXPECT_TRUE(Enabled(pageWindow, IDC_MOUSE_ENABLE));
        EXPECT_TRUE(Enabled(pageWindow, IDC_NORMAL));
        EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(pageWindow, IDC_NORMAL)) << "an empty key reads as normal";
        EXPECT_EQ(1, model->m_bDeviceActive);
    });
}

TEST_F(GeneralPageFixture, ASinglePlainPadIsNotProgrammableAndNothingCanBeEdited)
{
    CSimBench::Get().Plug("plain");
    Discover();
    RunSheet(0, [&](HWND, HWND pageWindow) {
        ASSERT_EQ(1, Rows(pageWindow).GetItemCount());
        EXPECT_EQ("Not Programmable", Rows(pageWindow).GetItemText(0, 1));
        EXPECT_FALSE(Enabled(pageWindow, IDC_CONFIG));
        for (int id : kSettingControls)
            EXPECT_FALSE(Enabled(pageWindow, id)) << "control " << id;
        EXPECT_EQ(0, model->m_bDeviceActive);
    });
}

TEST_F(GeneralPageFixture, TwoPadsWaitForAChoiceThenTheChosenOneIsActive)
{
    CSimBench::Get().Plug("wired");
    CSimBench::Get().Plug("wireless");
    Discover();
    RunSheet(0, [&](HWND, HWND pageWindow) {
        ASSERT_EQ(2, Rows(pageWindow).GetItemCount());
        EXPECT_EQ("Idle", Rows(pageWindow).GetItemText(0, 1));
        EXPECT_EQ("Idle", Rows(pageWindow).GetItemText(1, 1));
        EXPECT_TRUE(Enabled(pageWindow, IDC_CONFIG));
        for (int id : kSettingControls)
            EXPECT_FALSE(Enabled(pageWindow, id)) << "control " << id;

        ChooseRow(::GetDlgItem(pageWindow, IDC_DEVICE_LIST), 1);
        Click(pageWindow, IDC_CONFIG);
        EXPECT_EQ("Idle", Rows(pageWindow).GetItemText(0, 1));
        EXPECT_EQ("Active", Rows(pageWindow).GetItemText(1, 1));
        EXPECT_EQ(1, model->m_bDeviceActive);
        EXPECT_EQ(1, model->m_nCurrentDevice);
        EXPECT_TRUE(Enabled(pageWindow, IDC_MOUSE_ENABLE));
        EXPECT_TRUE(Enabled(pageWindow, IDC_SINGLE));
    });
}

TEST_F(GeneralPageFixture, ApplyWritesTheEditsAndTheDriverReloadsExactlyThem)
{
    CSimPadOptions options = CSimBench::Kind("wired");
    options.calibration[2] = {0, 128, 255};   // Z: the right stick's first axis
    options.calibration[3] = {10, 100, 250};  // Rz
    const int padNumber = CSimBench::Get().Plug(options);
    const auto pad = CSimBench::Get().Pad(padNumber);
    Discover();
    RunSheet(0, [&](HWND sheetWindow, HWND pageWindow) {
        Click(pageWindow, IDC_CONTINUOUS);
        Click(pageWindow, IDC_MOUSE_ENABLE);
        SlideTo(pageWindow, IDC_MOUSE_SPEED, 120);
        Click(pageWindow, IDC_DUAL_SHOCK);
        SlideTo(pageWindow, IDC_FORCE_LEVEL, 200);
        EXPECT_FALSE(Enabled(pageWindow, IDC_TEST)) << "the test waits for Apply";
        EXPECT_TRUE(Enabled(::GetParent(pageWindow), ID_APPLY_NOW));
        Click(sheetWindow, ID_APPLY_NOW);
        EXPECT_TRUE(Enabled(pageWindow, IDC_TEST)) << "usable once applied";
    });

    const std::string& key = pad->KeyPath();
    EXPECT_EQ((Bytes{1, 120, 1}), KeyValue(key, "Sensitivity"));
    EXPECT_EQ((Bytes{200, 1, 1}), KeyValue(key, "ForceFeedBack"));
    Bytes right(kAnalogBlockSize, 0);
    right[0] = 1;  // the mouse is always the right stick
    FillAnalogWords(right.data(), {0, 128, 255}, {10, 100, 250});
    EXPECT_EQ(right, KeyValue(key, "RightAnalog"));
    EXPECT_EQ(0x80, right[1]);
    const Bytes left = KeyValue(key, "LeftAnalog");
    ASSERT_EQ(21u, left.size());
    EXPECT_EQ(0, left[0]);
    EXPECT_EQ(left, KeyValue(key, "LALA"));

    ASSERT_TRUE(pad->WaitForReloads(1, 3000)) << "no reload report reached the driver";
    const CSimReload reload = pad->Reloads().back();
    for (const CDriverValue& value : kDriverValues)
        EXPECT_EQ(KeyValue(key, value.name), reload.values.at(value.name)) << value.name;
}

TEST_F(GeneralPageFixture, ApplyWithNoActivePadWritesAndSendsNothing)
{
    const int first = CSimBench::Get().Plug("wired");
    CSimBench::Get().Plug("wired");
    Discover();
    RunSheet(0, [&](HWND sheetWindow, HWND) {
        ::SendMessageA(sheetWindow, WM_COMMAND, MAKEWPARAM(ID_APPLY_NOW, BN_CLICKED), 0);
    });
    const auto pad = CSimBench::Get().Pad(first);
    ::Sleep(300);
    EXPECT_EQ(0u, pad->ReloadReportsReceived());
    EXPECT_TRUE(KeyValue(pad->KeyPath(), "KeyConfig").empty());
}

TEST_F(GeneralPageFixture, LeavingWithEditsAsksAndOkAppliesThem)
{
    const int padNumber = CSimBench::Get().Plug("wired");
    Discover();
    MessageLog messages(IDOK);
    RunSheet(0, [&](HWND sheetWindow, HWND pageWindow) {
        Click(pageWindow, IDC_SINGLE);
        Click(sheetWindow, IDOK);
    });
    ASSERT_EQ(1u, messages.messages().size());
    EXPECT_EQ("Apply Modified Setting?", messages.messages()[0].text);
    EXPECT_EQ("Kinetra", messages.messages()[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL), messages.messages()[0].type & 0xF);
    EXPECT_EQ(255, KeyValue(CSimBench::Get().Pad(padNumber)->KeyPath(), "Sensitivity").at(0));
}

TEST_F(GeneralPageFixture, LeavingWithEditsAndCancelStoresNothing)
{
    const int padNumber = CSimBench::Get().Plug("wired");
    Discover();
    MessageLog messages(IDCANCEL);
    RunSheet(0, [&](HWND sheetWindow, HWND pageWindow) {
        Click(pageWindow, IDC_SINGLE);
        Click(sheetWindow, IDOK);
    });
    ASSERT_EQ(1u, messages.messages().size());
    EXPECT_EQ(0, page->m_bModified);
    EXPECT_TRUE(KeyValue(CSimBench::Get().Pad(padNumber)->KeyPath(), "Sensitivity").empty());
}

TEST_F(GeneralPageFixture, ConfigWithNoRowSelectedKeepsTheActivePadAndItsSettings)
{
    CSimBench::Get().Plug("wired");
    const int second = CSimBench::Get().Plug("wired");
    Discover();
    MessageLog messages;
    RunSheet(0, [&](HWND, HWND pageWindow) {
        ChooseRow(::GetDlgItem(pageWindow, IDC_DEVICE_LIST), 1);
        Click(pageWindow, IDC_CONFIG);
        ASSERT_EQ(1, model->m_bDeviceActive);
        model->SetSensitivity(255, 120, 1);
        ChooseRow(::GetDlgItem(pageWindow, IDC_DEVICE_LIST), -1);
        Click(pageWindow, IDC_CONFIG);
    });
    ASSERT_EQ(1u, messages.messages().size());
    EXPECT_EQ("No Device is Selected!", messages.messages()[0].text);
    EXPECT_EQ("Kinetra", messages.messages()[0].caption);
    EXPECT_EQ(1, model->m_bDeviceActive);
    EXPECT_EQ(1, model->m_nCurrentDevice);
    EXPECT_EQ(255, model->GetSensitivity(0)) << "the model was not cleared";
    (void)second;
}
