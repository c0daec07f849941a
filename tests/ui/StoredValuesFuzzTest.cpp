// Random stored values (fixed seeds): each of the seven values of a gamepad's key gets every
// registry type, lengths 0 to 64, or is missing. First the model's read and write on the real
// Wine registry, for thousands of cases; then a smaller number through the real sheet with a
// simulated pad: load the pad, show every page, edit one box on each key page, Apply, and
// check what was written and what the driver reloaded. A failure names its seed and case.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "keys/KeyNames.h"
#include "resource.h"
#include "settings/Registry.h"
#include "settings/ValueRead.h"
#include "ui/PadSheetFixture.h"

namespace
{
using Bytes = std::vector<std::uint8_t>;
constexpr char kScratchKey[] = "Software\\KinetraTest\\StoredValuesFuzz";
constexpr DWORD kTypes[] = {REG_BINARY, REG_SZ, REG_DWORD, REG_MULTI_SZ, REG_NONE};

// Every value the program writes, with its length; "LALA" is the copy of "LeftAnalog".
constexpr struct
{
    const char* name;
    std::size_t size;
} kWritten[] = {{"KeyConfig", 32},    {"KeyMap", 32},     {"Sensitivity", 3}, {"RightAnalog", 21},
                {"ForceFeedBack", 3}, {"LeftAnalog", 21}, {"LALA", 21}};

struct CStoredValue
{
    bool missing = true;
    DWORD type = REG_BINARY;
    Bytes bytes;
};

// One random case: a type and 0 to 64 bytes, or nothing, for each of the seven values.
std::vector<CStoredValue> RandomValues(std::mt19937& random)
{
    std::vector<CStoredValue> values(std::size(kWritten));
    for (auto& value : values) {
        value.missing = random() % 7 == 0;
        value.type = kTypes[random() % std::size(kTypes)];
        const std::size_t edges[] = {0, 1, 2, 3, 4, 21, 22, 32, 33};
        value.bytes.resize(random() % 2 ? edges[random() % std::size(edges)] : random() % 65);
        for (auto& byte : value.bytes)
            byte = static_cast<std::uint8_t>(random());
    }
    return values;
}

void StoreValues(HKEY key, const std::vector<CStoredValue>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i].missing) {
            ::RegDeleteValueA(key, kWritten[i].name);
            continue;
        }
        ::RegSetValueExA(key, kWritten[i].name, 0, values[i].type, values[i].bytes.data(),
                         static_cast<DWORD>(values[i].bytes.size()));
    }
}

struct CReadBack
{
    bool found = false;
    DWORD type = REG_NONE;
    Bytes bytes;
};

// A value as the program's calls see it (string types come back through the ANSI code page).
CReadBack ReadBack(HKEY key, const char* name)
{
    CReadBack value;
    BYTE buffer[512];
    DWORD size = sizeof buffer;
    value.found = ::RegQueryValueExA(key, name, nullptr, &value.type, buffer, &size) == ERROR_SUCCESS;
    if (value.found)
        value.bytes.assign(buffer, buffer + size);
    return value;
}

// The blocks a read of `key` must give, starting from `blocks` (in the order of kValueReads):
// each value that fits its buffer lands padded with 0; the first that does not stops the read.
int ExpectedRead(HKEY key, std::vector<Bytes>& blocks)
{
    for (std::size_t i = 0; i < kValueReadCount; ++i) {
        const CReadBack value = ReadBack(key, kValueReads[i].name);
        if (!value.found || value.bytes.size() > kValueReads[i].bufferSize)
            return 0;
        for (std::size_t b = 0; b < kValueReads[i].count; ++b)
            blocks[i][b] = b < value.bytes.size() ? value.bytes[b] : 0;
    }
    return 1;
}

std::vector<CByteArray*> ReadOrder(CRegistry& r)
{
    return {&r.m_KeyMap, &r.m_KeyConfig, &r.m_RightAnalog, &r.m_LeftAnalog, &r.m_Sensitivity, &r.m_ForceFeedBack};
}

// What the program wrote is well-formed: all seven REG_BINARY of their fixed lengths, "LALA"
// equal to "LeftAnalog", and the stick flags 0 or 1 with at most one stick on the mouse.
void ExpectWellFormed(HKEY key)
{
    for (const auto& written : kWritten) {
        const CReadBack value = ReadBack(key, written.name);
        ASSERT_TRUE(value.found) << written.name;
        EXPECT_EQ(static_cast<DWORD>(REG_BINARY), value.type) << written.name;
        EXPECT_EQ(written.size, value.bytes.size()) << written.name;
    }
    EXPECT_EQ(ReadBack(key, "LeftAnalog").bytes, ReadBack(key, "LALA").bytes);
}

bool ReloadMatchesKey(const CSimReload& reload, HKEY key)
{
    for (const auto& written : kWritten) {
        const auto value = reload.values.find(written.name);
        if (value == reload.values.end() || value->second != ReadBack(key, written.name).bytes)
            return false;
    }
    return true;
}

struct CScratchKey
{
    HKEY key = nullptr;
    CScratchKey()
    {
        ::RegCreateKeyExA(HKEY_CURRENT_USER, kScratchKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    }
    ~CScratchKey()
    {
        ::RegCloseKey(key);
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kScratchKey);
    }
};
}

TEST(StoredValuesFuzz, EveryTypeAndLengthReadsByTheBufferRuleAndIsWrittenBackAsBinary)
{
    CScratchKey scratch;
    ASSERT_NE(nullptr, scratch.key);
    const int blockSizes[] = {kKeyTableSize,    kKeyTableSize,    kAnalogBlockSize,
                              kAnalogBlockSize, kSensitivitySize, kForceFeedBackSize};
    for (const unsigned seed : {11u, 12u, 13u}) {
        std::mt19937 random(seed);
        for (int step = 0; step < 1000; ++step) {
            SCOPED_TRACE("seed " + std::to_string(seed) + " case " + std::to_string(step));
            StoreValues(scratch.key, RandomValues(random));
            CRegistry registry;
            registry.m_hDeviceKey = scratch.key;
            const std::vector<CByteArray*> blocks = ReadOrder(registry);
            std::vector<Bytes> expected;
            for (std::size_t i = 0; i < blocks.size(); ++i) {
                blocks[i]->resize(static_cast<std::size_t>(blockSizes[i]));
                for (auto& byte : *blocks[i])
                    byte = static_cast<std::uint8_t>(random());
                expected.push_back(*blocks[i]);
            }
            const int expectedResult = ExpectedRead(scratch.key, expected);
            ASSERT_EQ(expectedResult, registry.ReadValues());
            for (std::size_t i = 0; i < blocks.size(); ++i)
                ASSERT_EQ(expected[i], *blocks[i]) << kValueReads[i].name;

            ASSERT_EQ(1, registry.WriteValues());
            ASSERT_NO_FATAL_FAILURE(ExpectWellFormed(scratch.key));
            for (const auto& [name, block] : {std::pair{"KeyConfig", &registry.m_KeyConfig},
                                              {"KeyMap", &registry.m_KeyMap},
                                              {"Sensitivity", &registry.m_Sensitivity},
                                              {"RightAnalog", &registry.m_RightAnalog},
                                              {"ForceFeedBack", &registry.m_ForceFeedBack},
                                              {"LeftAnalog", &registry.m_LeftAnalog}})
                ASSERT_EQ(*block, ReadBack(scratch.key, name).bytes) << name;
        }
    }
}

namespace
{
constexpr int kBoxIds[] = {IDC_KEY_1,  IDC_KEY_2,  IDC_KEY_3,  IDC_KEY_4,  IDC_KEY_5,  IDC_KEY_6,
                           IDC_KEY_7,  IDC_KEY_8,  IDC_KEY_9,  IDC_KEY_10, IDC_KEY_11, IDC_KEY_12,
                           IDC_KEY_13, IDC_KEY_14, IDC_KEY_15, IDC_KEY_16};
// The key pages: sheet index, box count, settings index of the first box.
constexpr struct
{
    int page, boxes, firstIndex;
} kKeyPages[] = {{1, 12, 0}, {2, 16, 12}};
constexpr int kEditedScan = 0x1E;  // "A"

struct StoredValuesSheetFixture : CPadSheetFixture
{
    CUiThread ui;  // made here: this thread runs the sheet
};
}

TEST_F(StoredValuesSheetFixture, RandomValuesLoadShowEveryPageApplyAndReloadWellFormed)
{
    RunSheet(0, [&](HWND sheetWindow, HWND general) {
        std::mt19937 random(21);
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, pad->KeyPath().c_str(), 0, KEY_ALL_ACCESS, &key));
        constexpr int kCases = 300;
        for (int step = 0; step < kCases; ++step) {
            SCOPED_TRACE("seed 21 case " + std::to_string(step));
            StoreValues(key, RandomValues(random));
            // What loading must give: the cleared model, then the read rule.
            std::vector<Bytes> loaded = {Bytes(32), Bytes(32), Bytes(21), Bytes(21), Bytes(3), Bytes(3)};
            ExpectedRead(key, loaded);
            const Bytes& map = loaded[0];
            const Bytes& config = loaded[1];

            ShowPage(sheetWindow, 0);
            ::SendDlgItemMessageA(general, IDC_DEVICE_LIST, LVM_SETSELECTIONMARK, 0, 0);
            ::PostMessageA(general, WM_COMMAND, MAKEWPARAM(IDC_CONFIG, BN_CLICKED), 0);
            ASSERT_TRUE(ui.Flush());
            for (int page = 1; page < sheet->GetPageCount(); ++page)
                ShowPage(sheetWindow, page);
            ShowPage(sheetWindow, 0);
            int edited[std::size(kKeyPages)];
            for (std::size_t p = 0; p < std::size(kKeyPages); ++p) {
                const auto& keyPage = kKeyPages[p];
                const int box = static_cast<int>(random() % keyPage.boxes);
                edited[p] = keyPage.firstIndex + box;
                const HWND window = ::GetDlgItem(sheet->GetPage(keyPage.page)->m_hWnd, kBoxIds[box]);
                ::PostMessageA(window, WM_KEYDOWN, 'A', 1 | (kEditedScan << 16));
                ::PostMessageA(window, WM_KEYUP, 'A', 1 | (kEditedScan << 16) | 0xC0000000);
            }
            ASSERT_TRUE(ui.Flush());
            // The Display page asks for reloads of its own when it is entered and left. Apply
            // waits until the last of them is through: a request made while the worker is
            // between sending a reload and clearing its flag is lost (left to the worker).
            ASSERT_TRUE(WaitUntil(
                [&] {
                    return g_nUpdateRegistry.load() == 0 && pad->ReloadCount() > 0 &&
                           ReloadMatchesKey(pad->Reloads().back(), key);
                },
                3000))
                << "the Display page's reloads did not settle";
            const std::size_t reloadsBeforeApply = pad->ReloadCount();
            ::SendMessageA(::GetDlgItem(sheetWindow, ID_APPLY_NOW), BM_CLICK, 0, 0);
            ASSERT_TRUE(WaitUntil(
                [&] { return pad->ReloadCount() > reloadsBeforeApply && ReloadMatchesKey(pad->Reloads().back(), key); },
                3000))
                << "the driver did not reload what Apply wrote";

            ASSERT_NO_FATAL_FAILURE(ExpectWellFormed(key));
            const Bytes writtenConfig = ReadBack(key, "KeyConfig").bytes;
            const Bytes writtenMap = ReadBack(key, "KeyMap").bytes;
            for (int index = 0; index < kInputCount; ++index) {
                std::pair<int, int> expected{config[index], map[index]};
                if (index == edited[0] || index == edited[1])
                    expected = {kBindKey, kEditedScan};
                else if (index < 28 && !IsStorableBinding(config[index], map[index]))
                    expected = {kBindNone, 0};  // what a page cannot show it stores as nothing
                const std::pair<int, int> written{writtenConfig[index], writtenMap[index]};
                EXPECT_EQ(expected, written)
                    << "index " << index << " loaded " << int(config[index]) << "/" << int(map[index]);
            }
            // The General page was not edited: its values go back as they were loaded.
            EXPECT_EQ(loaded[4], ReadBack(key, "Sensitivity").bytes);
            EXPECT_EQ(loaded[5], ReadBack(key, "ForceFeedBack").bytes);
            const int left = loaded[3][0], right = loaded[2][0];
            EXPECT_EQ(left == 1 && right == 0 ? 1 : 0, ReadBack(key, "LeftAnalog").bytes.at(0));
            EXPECT_EQ(left == 0 && right == 1 ? 1 : 0, ReadBack(key, "RightAnalog").bytes.at(0));
            if (HasFailure())
                break;  // the first failing case is the one to replay
        }
        ::RegCloseKey(key);
    });
    EXPECT_EQ("", Shown()) << "no message box";
}
