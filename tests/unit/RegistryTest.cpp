// The seven values the driver reads, on the real (Wine) registry.
#include <gtest/gtest.h>

#include <numeric>

#include "settings/Registry.h"
#include "support/TestSupport.h"

namespace
{
using Bytes = std::vector<std::uint8_t>;

Bytes Pattern(std::size_t size, std::uint8_t start)
{
    Bytes bytes(size);
    std::iota(bytes.begin(), bytes.end(), start);
    return bytes;
}

struct RegistryFixture : testing::Test
{
    ScratchKey key;
    CRegistry reg;

    void SetUp() override
    {
        reg.m_KeyConfig = Pattern(32, 0x10);
        reg.m_KeyMap = Pattern(32, 0x40);
        reg.m_Sensitivity = {45, 120, 1};
        reg.m_RightAnalog = Pattern(21, 0x80);
        reg.m_ForceFeedBack = {200, 1, 1};
        reg.m_LeftAnalog = Pattern(21, 0xA0);
        reg.m_hDeviceKey = key.get();
    }
};

DWORD ValueType(HKEY key, const char* name)
{
    DWORD type = 0;
    ::RegQueryValueExA(key, name, nullptr, &type, nullptr, nullptr);
    return type;
}
}

TEST_F(RegistryFixture, WriteStoresSevenBinaryValuesOfTheirSizesAndLalaMirrorsLeftAnalog)
{
    ASSERT_EQ(1, reg.WriteValues());
    EXPECT_EQ(reg.m_KeyConfig, key.Value("KeyConfig"));
    EXPECT_EQ(reg.m_KeyMap, key.Value("KeyMap"));
    EXPECT_EQ(reg.m_Sensitivity, key.Value("Sensitivity"));
    EXPECT_EQ(reg.m_RightAnalog, key.Value("RightAnalog"));
    EXPECT_EQ(reg.m_ForceFeedBack, key.Value("ForceFeedBack"));
    EXPECT_EQ(reg.m_LeftAnalog, key.Value("LeftAnalog"));
    EXPECT_EQ(key.Value("LeftAnalog"), key.Value("LALA"));
    for (const char* name :
         {"KeyConfig", "KeyMap", "Sensitivity", "RightAnalog", "ForceFeedBack", "LeftAnalog", "LALA"})
        EXPECT_EQ(static_cast<DWORD>(REG_BINARY), ValueType(key.get(), name)) << name;
}

TEST_F(RegistryFixture, WriteSkipsAnUnsizedBlockButStillWritesTheRest)
{
    reg.m_Sensitivity.clear();
    ASSERT_EQ(1, reg.WriteValues());
    EXPECT_FALSE(key.Has("Sensitivity"));
    EXPECT_EQ(reg.m_ForceFeedBack, key.Value("ForceFeedBack"));
}

TEST_F(RegistryFixture, WriteStopsAtTheFirstRefusedValue)
{
    // A handle without write access refuses "KeyConfig", the first value: nothing after it
    // is written, so what the key held before stays.
    const Bytes oldMap(32, 0xEE);
    key.Set("KeyMap", oldMap);
    HKEY readOnly = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, key.path().c_str(), 0, KEY_READ, &readOnly));
    reg.m_hDeviceKey = readOnly;
    EXPECT_EQ(0, reg.WriteValues());
    ::RegCloseKey(readOnly);
    EXPECT_EQ(oldMap, key.Value("KeyMap"));
    EXPECT_FALSE(key.Has("KeyConfig"));
    EXPECT_FALSE(key.Has("LeftAnalog"));
    EXPECT_FALSE(key.Has("LALA"));
}

TEST_F(RegistryFixture, ReadTakesOnlyTheFlagByteOfEachStick)
{
    ASSERT_EQ(1, reg.WriteValues());
    CRegistry other;
    other.m_LeftAnalog = Bytes(21, 0x55);
    other.m_RightAnalog = Bytes(21, 0x66);
    other.m_LeftAnalog[0] = 9;
    other.m_hDeviceKey = key.get();
    Bytes stored = Pattern(21, 0xA0);
    stored[0] = 1;
    key.Set("LeftAnalog", stored);
    ASSERT_EQ(1, other.ReadValues());
    EXPECT_EQ(1, other.m_LeftAnalog[0]);
    EXPECT_EQ(Bytes(other.m_LeftAnalog.begin() + 1, other.m_LeftAnalog.end()), Bytes(20, 0x55));
    EXPECT_EQ(0x80, other.m_RightAnalog[0]);
    EXPECT_EQ(Bytes(other.m_RightAnalog.begin() + 1, other.m_RightAnalog.end()), Bytes(20, 0x66));
    EXPECT_EQ(reg.m_KeyConfig, other.m_KeyConfig);
    EXPECT_EQ(reg.m_KeyMap, other.m_KeyMap);
    EXPECT_EQ(reg.m_Sensitivity, other.m_Sensitivity);
    EXPECT_EQ(reg.m_ForceFeedBack, other.m_ForceFeedBack);
}

TEST_F(RegistryFixture, ReadWithoutForceFeedBackTakesTheOthersThenFails)
{
    ASSERT_EQ(1, reg.WriteValues());
    ASSERT_EQ(ERROR_SUCCESS, ::RegDeleteValueA(key.get(), "ForceFeedBack"));
    CRegistry other;
    other.m_ForceFeedBack = {7, 7, 7};
    other.m_hDeviceKey = key.get();
    EXPECT_EQ(0, other.ReadValues());
    EXPECT_EQ(reg.m_KeyMap, other.m_KeyMap);
    EXPECT_EQ(reg.m_KeyConfig, other.m_KeyConfig);
    EXPECT_EQ(reg.m_Sensitivity, other.m_Sensitivity);
    EXPECT_EQ(reg.m_LeftAnalog[0], other.m_LeftAnalog[0]);
    EXPECT_EQ(reg.m_RightAnalog[0], other.m_RightAnalog[0]);
    EXPECT_EQ((Bytes{7, 7, 7}), other.m_ForceFeedBack);
}

TEST_F(RegistryFixture, ShortValueReadsZeroFilledAndLongValueFailsTheRead)
{
    ASSERT_EQ(1, reg.WriteValues());
    key.Set("KeyMap", {0x1E, 0x30});
    CRegistry other;
    other.m_KeyMap = Bytes(32, 0x77);
    other.m_hDeviceKey = key.get();
    ASSERT_EQ(1, other.ReadValues());
    Bytes expected(32, 0);
    expected[0] = 0x1E;
    expected[1] = 0x30;
    EXPECT_EQ(expected, other.m_KeyMap);

    key.Set("Sensitivity", {1, 2, 3, 4});
    CRegistry third;
    third.m_Sensitivity = {9, 9, 9};
    third.m_ForceFeedBack = {8, 8, 8};
    third.m_hDeviceKey = key.get();
    EXPECT_EQ(0, third.ReadValues());
    EXPECT_EQ((Bytes{9, 9, 9}), third.m_Sensitivity);
    EXPECT_EQ((Bytes{8, 8, 8}), third.m_ForceFeedBack);
    EXPECT_EQ(expected, third.m_KeyMap);  // read before the failure
}

TEST_F(RegistryFixture, ReadFromAMissingKeyFailsAtOnceAndChangesNothing)
{
    CRegistry other;
    other.m_KeyMap = Bytes(32, 0x12);
    other.m_hDeviceKey = nullptr;
    EXPECT_EQ(0, other.ReadValues());
    EXPECT_EQ(Bytes(32, 0x12), other.m_KeyMap);
}
