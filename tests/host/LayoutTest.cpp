// Byte rules of the values the driver reads, on the host under sanitizers.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "settings/SettingsLayout.h"

namespace
{
std::vector<int> Words(const std::uint8_t* block)
{
    std::vector<int> words;
    for (int i = 0; i < 10; ++i)
        words.push_back(block[1 + 2 * i] | (block[2 + 2 * i] << 8));
    return words;
}
}

TEST(AnalogWords, ThresholdsLieHalfwayBetweenCentreAndEnds)
{
    std::uint8_t block[21] = {7};
    FillAnalogWords(block, {0, 128, 255}, {10, 100, 250});
    EXPECT_EQ(7, block[0]) << "the flag byte is not a word";
    // H centre, V centre, V lower, V upper, H lower, H upper, V max, V min, H max, H min
    EXPECT_EQ((std::vector<int>{128, 100, 55, 175, 64, 191, 250, 10, 255, 0}), Words(block));
    EXPECT_EQ(0x80, block[1]);
    EXPECT_EQ(0x00, block[2]);
    EXPECT_EQ(0x40, block[9]);
    EXPECT_EQ(0xBF, block[11]);
}

TEST(AnalogWords, DivisionTruncatesTowardZeroAndWordsKeepTheLow16Bits)
{
    std::uint8_t block[21] = {};
    // centre - (centre - min) / 2 with centre - min = -3: -3 / 2 is -1, so the "lower"
    // threshold lands above the centre.
    FillAnalogWords(block, {5, 2, 9}, {-70000, 65536 + 300, INT_MAX});
    const auto words = Words(block);
    EXPECT_EQ(2, words[0]);
    EXPECT_EQ(3, words[4]);       // 2 - (-3 / 2) = 2 + 1
    EXPECT_EQ(5, words[5]);       // 2 + (9 - 2) / 2 = 2 + 3
    EXPECT_EQ(300, words[1]);     // 65836 keeps its low 16 bits
    EXPECT_EQ(0xFFFF, words[6]);  // INT_MAX
    EXPECT_EQ((-70000) & 0xFFFF, words[7]);
}

TEST(AnalogWords, ExtremeCalibrationValuesDoNotOverflow)
{
    std::uint8_t block[21] = {};
    FillAnalogWords(block, {INT_MIN, INT_MAX, INT_MIN}, {INT_MAX, INT_MIN, INT_MAX});
    const auto words = Words(block);
    // H upper = INT_MAX + (INT_MIN - INT_MAX) / 2 = INT_MAX - 2147483647 = 0 (exact in 64 bits)
    EXPECT_EQ(0, words[5]);
    EXPECT_EQ(0xFFFF, words[0]);
    EXPECT_EQ(0x0000, words[1]);
}

TEST(Keystroke, ModesAndBytesMatchTheRadioButtons)
{
    EXPECT_EQ(1, KeystrokeModeFromByte(0));
    for (int b = 1; b <= 44; ++b)
        EXPECT_EQ(0, KeystrokeModeFromByte(static_cast<std::uint8_t>(b))) << b;
    for (int b = 45; b <= 254; ++b)
        EXPECT_EQ(1, KeystrokeModeFromByte(static_cast<std::uint8_t>(b))) << b;
    EXPECT_EQ(2, KeystrokeModeFromByte(255));
    EXPECT_EQ(1, KeystrokeByteFromMode(0));
    EXPECT_EQ(45, KeystrokeByteFromMode(1));
    EXPECT_EQ(255, KeystrokeByteFromMode(2));
    EXPECT_EQ(0, KeystrokeByteFromMode(3));
    EXPECT_EQ(0, KeystrokeByteFromMode(-1));
}

TEST(KeyConfig, KindsMapToTheStoredBytes)
{
    EXPECT_EQ(2, KeyConfigByteForKind(0));
    EXPECT_EQ(1, KeyConfigByteForKind(1));
    EXPECT_EQ(-1, KeyConfigByteForKind(2));
    EXPECT_EQ(0, KeyConfigByteForKind(3));
    EXPECT_EQ(4, KeyConfigByteForKind(4));
}
