// The settings model: its bytes, queries, persistence messages and profile folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "settings/Setting.h"
#include "support/TestSupport.h"

namespace
{
using Bytes = std::vector<std::uint8_t>;

struct SettingFixture : testing::Test
{
    ScratchDir dir;
    CSetting model{(dir.path() + "\\Kinetra.exe").c_str()};
    ScratchKey key;

    void UseKeyAsCurrentDevice(HKEY deviceKey)
    {
        model.m_nDeviceCount = 1;
        model.m_nCurrentDevice = 0;
        model.m_hDeviceKeys[0] = deviceKey;
    }
};

bool AllZero(const Bytes& bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](auto b) { return b == 0; });
}
}

TEST_F(SettingFixture, FreshModelIsAllZeroWithTheDerivedDefaults)
{
    EXPECT_EQ(21u, model.m_LeftAnalog.size());
    EXPECT_EQ(21u, model.m_RightAnalog.size());
    EXPECT_EQ(3u, model.m_ForceFeedBack.size());
    EXPECT_EQ(32u, model.m_KeyConfig.size());
    EXPECT_EQ(32u, model.m_KeyMap.size());
    EXPECT_EQ(3u, model.m_Sensitivity.size());
    EXPECT_EQ(32u, model.m_KeyMapBackup.size());
    for (const Bytes* block : {&model.m_LeftAnalog, &model.m_RightAnalog, &model.m_ForceFeedBack, &model.m_KeyConfig,
                               &model.m_KeyMap, &model.m_Sensitivity})
        EXPECT_TRUE(AllZero(*block));
    EXPECT_EQ(1, model.GetKeystrokeMode());
    EXPECT_EQ(254, model.GetForceFeedback(0));
    EXPECT_EQ(0, model.IsMouseEnabled());
    EXPECT_EQ(-1, model.GetAnalogSelection());
    EXPECT_EQ(0, model.m_bDeviceActive);
    EXPECT_EQ(0, model.m_nCurrentDevice);
}

TEST_F(SettingFixture, ConfigFolderSitsBesideTheProgram)
{
    EXPECT_EQ(dir.path() + "\\", std::string(g_szExeDir));
    EXPECT_EQ(dir.path() + "\\config", std::string(g_szConfigDir));
    const DWORD attributes = ::GetFileAttributesA(g_szConfigDir);
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(SettingConstruction, FailsWhenTheConfigFolderCannotBeMade)
{
    ScratchDir dir;
    const std::string missingParent = dir.path() + "\\no\\such\\folder\\Kinetra.exe";
    try {
        CSetting model(missingParent.c_str());
        FAIL() << "construction went on without a config folder";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ("Failed to create directory", e.what());
    }
    // A file standing where the folder belongs is no folder either.
    dir.WriteFile("config", "x");
    EXPECT_THROW(CSetting((dir.path() + "\\Kinetra.exe").c_str()), std::runtime_error);
}

TEST_F(SettingFixture, SetKeyConfigStoresEachKindsByte)
{
    model.SetKeyConfig(0, 0);
    model.SetKeyConfig(1, 1);
    model.SetKeyConfig(2, 4);
    model.SetKeyConfig(3, 1);
    model.SetKeyConfig(3, 3);
    model.SetKeyConfig(4, 1);
    model.SetKeyConfig(4, 2);
    EXPECT_EQ(2, model.m_KeyConfig[0]);
    EXPECT_EQ(1, model.m_KeyConfig[1]);
    EXPECT_EQ(4, model.m_KeyConfig[2]);
    EXPECT_EQ(0, model.m_KeyConfig[3]);
    EXPECT_EQ(1, model.m_KeyConfig[4]) << "kind 2 keeps the byte";
    model.SetKeyMap(31, 0x9E);
    EXPECT_EQ(0x9E, model.m_KeyMap[31]);
}

TEST_F(SettingFixture, ForceFeedbackOffKeepsLevelAndMode)
{
    model.SetForceFeedback(1, 90, 1);
    EXPECT_EQ((Bytes{90, 1, 1}), model.m_ForceFeedBack);
    EXPECT_EQ(1, model.IsForceFeedbackEnabled());
    model.SetForceFeedback(0, 200, 1);
    EXPECT_EQ((Bytes{90, 1, 0}), model.m_ForceFeedBack);
    EXPECT_EQ(0, model.IsForceFeedbackEnabled());
    EXPECT_EQ(90, model.GetForceFeedback(0));
    EXPECT_EQ(1, model.GetForceFeedback(1));
}

TEST_F(SettingFixture, KeystrokeModeBoundaries)
{
    const struct
    {
        int byte;
        int mode;
    } cases[] = {
        {0, 1}, {1, 0}, {30, 0}, {44, 0}, {45, 1}, {254, 1}, {255, 2},
    };
    for (const auto& c : cases) {
        model.SetSensitivity(c.byte, 120, 1);
        EXPECT_EQ(c.mode, model.GetKeystrokeMode()) << "byte " << c.byte;
    }
    EXPECT_EQ(120, model.GetSensitivity(1));
    EXPECT_EQ(1, model.GetSensitivity(2));
}

TEST_F(SettingFixture, StickFlagsDecideSelectionAndMouse)
{
    model.m_RightAnalog[0] = 1;
    EXPECT_EQ(1, model.GetAnalogSelection());
    EXPECT_EQ(1, model.IsMouseEnabled());
    model.m_LeftAnalog[0] = 1;
    EXPECT_EQ(-1, model.GetAnalogSelection()) << "both sticks set by hand";
    EXPECT_EQ(1, model.IsMouseEnabled());
    model.m_RightAnalog[0] = 0;
    EXPECT_EQ(0, model.GetAnalogSelection());
}

TEST_F(SettingFixture, ResetMappingDoesNothingWithoutAnActiveDevice)
{
    model.SetKeyConfig(5, 1);
    model.SetKeyMap(5, 0x1E);
    model.m_nDeviceCount = 1;
    model.ResetMapping();
    EXPECT_EQ(1, model.m_KeyConfig[5]);
    EXPECT_EQ(0x1E, model.m_KeyMap[5]);
}

TEST_F(SettingFixture, BackupAndRestoreCopyAllSixBlocks)
{
    model.SetKeyConfig(0, 1);
    model.SetKeyMap(0, 0x1E);
    model.SetSensitivity(45, 125, 1);
    model.SetForceFeedback(1, 128, 1);
    model.m_LeftAnalog[7] = 3;
    model.m_RightAnalog[0] = 1;
    model.Backup();
    const CRegistry saved = model;
    model.ClearAll();
    EXPECT_TRUE(AllZero(model.m_KeyMap));
    EXPECT_EQ(0x1E, model.m_KeyMapBackup[0]) << "ClearAll leaves the backups";
    model.Restore();
    EXPECT_EQ(saved.m_KeyConfig, model.m_KeyConfig);
    EXPECT_EQ(saved.m_KeyMap, model.m_KeyMap);
    EXPECT_EQ(saved.m_Sensitivity, model.m_Sensitivity);
    EXPECT_EQ(saved.m_ForceFeedBack, model.m_ForceFeedBack);
    EXPECT_EQ(saved.m_LeftAnalog, model.m_LeftAnalog);
    EXPECT_EQ(saved.m_RightAnalog, model.m_RightAnalog);
}

TEST_F(SettingFixture, ScanProfilesListsFilesOnlyAndDoesNotDouble)
{
    const std::string config = g_szConfigDir;
    ::CreateDirectoryA((config + "\\sub").c_str(), nullptr);
    for (const char* name : {"A.reg", "B.txt"}) {
        const HANDLE f = ::CreateFileA((config + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0,
                                       nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, f);
        ::CloseHandle(f);
    }
    for (int pass = 0; pass < 2; ++pass) {
        model.ScanProfiles();
        auto names = model.m_ProfileFiles;
        std::sort(names.begin(), names.end());
        EXPECT_EQ((std::vector<std::string>{"A.reg", "B.txt"}), names);
        EXPECT_EQ(2, model.m_nProfileCount);
    }
}

TEST_F(SettingFixture, SaveWritesTheCurrentDevicesKey)
{
    MessageLog messages;
    UseKeyAsCurrentDevice(key.get());
    model.SetKeyConfig(2, 1);
    model.SetKeyMap(2, 0x1E);
    EXPECT_EQ(1, model.SaveCurrentDevice());
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(model.m_KeyConfig, key.Value("KeyConfig"));
    EXPECT_EQ(0x1E, key.Value("KeyMap").at(2));
}

TEST_F(SettingFixture, SaveWithANullKeyShowsItsMessageAndWritesNothing)
{
    MessageLog messages;
    UseKeyAsCurrentDevice(nullptr);
    EXPECT_EQ(0, model.SaveCurrentDevice());
    ASSERT_EQ(1u, messages.messages().size());
    EXPECT_EQ("InValid Registry Key from Current Device!", messages.messages()[0].text);
    EXPECT_EQ("", messages.messages()[0].caption);
    EXPECT_EQ(nullptr, messages.messages()[0].owner);
    EXPECT_EQ(static_cast<UINT>(MB_OK), messages.messages()[0].type);
}

TEST_F(SettingFixture, SaveThatTheKeyRefusesIsReportedYetReturnsOne)
{
    MessageLog messages;
    HKEY readOnly = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, key.path().c_str(), 0, KEY_READ, &readOnly));
    UseKeyAsCurrentDevice(readOnly);
    EXPECT_EQ(1, model.SaveCurrentDevice());
    ::RegCloseKey(readOnly);
    ASSERT_EQ(1u, messages.messages().size());
    EXPECT_EQ("UpdateDataResgistry Failed!!!", messages.messages()[0].text);
    EXPECT_EQ("Error", messages.messages()[0].caption);
    EXPECT_FALSE(key.Has("KeyConfig"));
}

TEST_F(SettingFixture, LoadWithTheInvalidHandleKeyShowsItsMessageAndKeepsTheModel)
{
    MessageLog messages;
    UseKeyAsCurrentDevice(reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE));
    model.SetKeyMap(0, 0x2C);
    EXPECT_EQ(0, model.LoadCurrentDevice());
    ASSERT_EQ(1u, messages.messages().size());
    EXPECT_EQ("INVALID HKEY HANDLE", messages.messages()[0].text);
    EXPECT_EQ("Error", messages.messages()[0].caption);
    EXPECT_EQ(0x2C, model.m_KeyMap[0]);
}

TEST_F(SettingFixture, LoadReadsWhatAnotherModelSaved)
{
    MessageLog messages;
    UseKeyAsCurrentDevice(key.get());
    model.SetSensitivity(1, 126, 1);
    model.SetForceFeedback(1, 0, 1);
    model.m_RightAnalog[0] = 1;
    ASSERT_EQ(1, model.SaveCurrentDevice());

    ScratchDir otherDir;
    CSetting other((otherDir.path() + "\\Kinetra.exe").c_str());
    other.m_nDeviceCount = 1;
    other.m_hDeviceKeys[0] = key.get();
    EXPECT_EQ(1, other.LoadCurrentDevice());
    EXPECT_EQ(0, other.GetKeystrokeMode());
    EXPECT_EQ(126, other.GetSensitivity(1));
    EXPECT_EQ(254, other.GetForceFeedback(0)) << "a stored level 0 reads back as 254";
    EXPECT_EQ(1, other.GetAnalogSelection());
    EXPECT_TRUE(messages.messages().empty());
}
