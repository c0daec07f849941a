// The names and code rules of the key boxes, on the host under sanitizers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "keys/KeyNames.h"
#include "settings/SettingsLayout.h"

TEST(KeyNames, EveryEntryFitsItsSlotAndTheNamedCodesReadAsShown)
{
    int named = 0;
    for (const auto& entry : g_KeyNames) {
        ASSERT_LT(std::strlen(entry), static_cast<size_t>(kKeyNameSize)) << "entry " << (&entry - g_KeyNames);
        named += entry[0] != '\0';
    }
    // 22 + 16 + 10 digits + 26 letters + 3 + 16 keypad + 24 F-keys + 2 + 6 + 11 + 12 + 9 mouse
    EXPECT_EQ(157, named);
    const std::pair<std::uint16_t, const char*> samples[] = {
        {0x00, ""},        {0x01, "L-Btn"},   {0x08, "Back"},     {0x1D, "N-Cnvt"},   {0x2C, "Prt Sc"},
        {0x30, "0"},       {0x39, "9"},       {0x3A, ""},         {0x41, "A"},        {0x5A, "Z"},
        {0x5D, "App"},     {0x5E, ""},        {0x6C, "Num Sep"},  {0x6F, "Num /"},    {0x70, "F1"},
        {0x87, "F24"},     {0x88, ""},        {0x90, "Num Lk"},   {0xA5, "R-Alt"},    {0xBA, ";"},
        {0xC0, "`"},       {0xDC, "\\"},      {0xDE, "'"},        {0xE5, "Proc"},     {0xEA, "R-Win"},
        {0xF1, "L-Win"},   {0xFE, "OEM Clr"}, {0xFF, ""},         {0x0100, "M-Up"},   {0x0400, "M-Right"},
        {0x0500, "R-Btn"}, {0x0600, "L-Btn"}, {0x0700, "Scr Up"}, {0x0800, "Scr Dn"}, {0x0900, "M-Btn"},
        {0x0A00, ""},      {0xFF00, ""},
    };
    for (const auto& [code, name] : samples)
        EXPECT_EQ(std::string(name), KeyNameOf(code)) << std::hex << code;
}

TEST(KeyCodes, OnlyKeysAndTheNineMouseActionsAreValidAndTheRightSideNeedsTheExtendedFlag)
{
    EXPECT_EQ(0x0041, ValidCode(0x0041));
    EXPECT_EQ(0x0900, ValidCode(0x0900));
    EXPECT_EQ(0, ValidCode(0x0A00));
    EXPECT_EQ(0, ValidCode(0x0105));
    EXPECT_EQ(0, ValidCode(0xFFFF));
    EXPECT_EQ(0xA3, SidedVirtualKey(0xA2, true));
    EXPECT_EQ(0xA5, SidedVirtualKey(0xA4, true));
    EXPECT_EQ(0xA2, SidedVirtualKey(0xA2, false));
    EXPECT_EQ(0xA0, SidedVirtualKey(0xA0, true)) << "Shift has its own scan codes";
}

TEST(KeyCodes, KeypadScanCodesHaveKeypadKeysAndNothingElseDoes)
{
    const std::uint8_t keypad[][2] = {{0x45, 0x13}, {0x47, 0x67}, {0x48, 0x68}, {0x49, 0x69}, {0x4A, 0x6D},
                                      {0x4B, 0x64}, {0x4C, 0x65}, {0x4D, 0x66}, {0x4E, 0x6B}, {0x4F, 0x61},
                                      {0x50, 0x62}, {0x51, 0x63}, {0x52, 0x60}, {0x53, 0x6E}};
    int found = 0;
    for (int scan = 0; scan < 256; ++scan) {
        const std::uint8_t key = NumpadVirtualKey(static_cast<std::uint8_t>(scan));
        found += key != 0;
        for (const auto& pair : keypad) {
            if (pair[0] == scan) {
                EXPECT_EQ(pair[1], key) << std::hex << scan;
            }
        }
    }
    EXPECT_EQ(14, found) << "0x46 (Scroll Lock) and the rest map to nothing";
    EXPECT_EQ(0, NumpadVirtualKey(0x46));
}

TEST(KeyCodes, ABoxStoresItsScanCodeOrItsMouseActionOrNothing)
{
    struct
    {
        std::uint16_t code;
        std::uint8_t scan;
        bool extended;
        std::uint8_t kind, value;
    } cases[] = {
        {0x41, 0x1E, false, kBindKey, 0x1E}, {0x11, 0x9D, true, kBindExtendedKey, 0x9D},
        {0x0500, 0, false, kBindMouse, 5},   {0x0500, 0x1E, false, kBindMouse, 5},
        {0x41, 0, false, kBindNone, 0},      {0, 0, false, kBindNone, 0},
        {0, 0x56, false, kBindKey, 0x56},  // a stored key this layout cannot name is kept
    };
    for (const auto& c : cases) {
        const CStoredBinding binding = StoredBindingOf(c.code, c.scan, c.extended);
        EXPECT_EQ(c.kind, binding.kind) << std::hex << c.code;
        EXPECT_EQ(c.value, binding.value) << std::hex << c.code;
        EXPECT_EQ(c.kind, KeyConfigByteForKind(KeyConfigKindOf(binding.kind))) << "the setter stores the kind";
    }
    EXPECT_EQ(kBindNone, KeyConfigByteForKind(KeyConfigKindOf(3))) << "an unknown kind is stored as nothing";
}

TEST(KeyCodes, F13ToF24HaveTheirFixedScanCodesBothWaysAndNoOtherKeyDoes)
{
    const std::uint8_t scanCodes[] = {0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x76};
    for (int k = 0; k < kFunctionKeyCount; ++k) {
        EXPECT_EQ(scanCodes[k], FunctionKeyScanCode(static_cast<std::uint8_t>(0x7C + k))) << "F" << 13 + k;
        EXPECT_EQ(0x7C + k, FunctionKeyVirtualKey(scanCodes[k])) << "F" << 13 + k;
    }
    // F12 and the key after F24; F1's scan code and the one between F23's and F24's.
    EXPECT_EQ(0, FunctionKeyScanCode(0x7B) + FunctionKeyScanCode(0x88));
    EXPECT_EQ(0, FunctionKeyVirtualKey(0x3B) + FunctionKeyVirtualKey(0x6F));
}
