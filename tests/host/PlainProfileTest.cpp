// Which profiles a load may write value by value: only one that the full restore would leave
// exactly as the written values do, everything else goes the checked way.
#include <gtest/gtest.h>

#include "profiles/PlainProfile.h"

namespace
{
constexpr std::uint32_t kBinary = 3;
constexpr std::uint32_t kText = 1;

// The seven values as the program writes them, KeyMap first to show the order is the driver's.
std::vector<CStoredValue> Saved()
{
    return {{"KeyMap", kBinary, std::vector<std::uint8_t>(32, 0xA1)},
            {"KeyConfig", kBinary, std::vector<std::uint8_t>(32, 1)},
            {"Sensitivity", kBinary, {45, 100, 1}},
            {"RightAnalog", kBinary, std::vector<std::uint8_t>(21, 0)},
            {"ForceFeedBack", kBinary, {200, 1, 1}},
            {"LeftAnalog", kBinary, std::vector<std::uint8_t>(21, 0)},
            {"LALA", kBinary, std::vector<std::uint8_t>(21, 0)}};
}

std::vector<CStoredValue> Without(const char* name)
{
    std::vector<CStoredValue> values = Saved();
    std::erase_if(values, [&](const CStoredValue& value) { return value.name == name; });
    return values;
}

// KeyMap a second time, as no registry holds it: a file whose reading the load cannot trust.
std::vector<CStoredValue> KeyMapTwice()
{
    std::vector<CStoredValue> values = Saved();
    values.push_back(values.front());
    return values;
}

std::vector<CStoredValue> With(CStoredValue changed)
{
    std::vector<CStoredValue> values = Without(changed.name.c_str());
    values.push_back(std::move(changed));
    return values;
}
}

TEST(PlainProfile, OnlyAProfileOfTheSettingsAloneIsWrittenValueByValue)
{
    const struct
    {
        const char* what;
        std::vector<CStoredValue> values;
        std::size_t subKeys;
        bool plain;
    } kCases[] = {
        {"the seven values", Saved(), 0, true},
        {"no second copy of the left stick", Without("LALA"), 0, true},
        {"a short second copy", With({"LALA", kBinary, {1, 2}}), 0, true},
        {"a value the model reads missing", Without("Sensitivity"), 0, false},
        {"a value the model reads cut short", With({"KeyMap", kBinary, std::vector<std::uint8_t>(31, 0)}), 0, false},
        {"a value too long", With({"LALA", kBinary, std::vector<std::uint8_t>(22, 0)}), 0, false},
        {"a settings value of another type", With({"ForceFeedBack", kText, {'o', 'n', 0}}), 0, false},
        {"a value more", With({"Note", kText, {'h', 'i', 0}}), 0, false},
        {"a value twice", KeyMapTwice(), 0, false},
        {"a sub-key", Saved(), 1, false},
        {"nothing at all", {}, 0, false},
    };
    for (const auto& test : kCases) {
        const std::optional<CHistoryValues> settings = PlainSettings(test.values, test.subKeys);
        EXPECT_EQ(test.plain, settings.has_value()) << test.what;
        if (!settings)
            continue;
        // In the driver's order, whatever order the file keeps them in, bytes unchanged.
        ASSERT_GE(settings->size(), 6u) << test.what;
        EXPECT_EQ("KeyConfig", settings->front().first) << test.what;
        EXPECT_EQ(std::vector<std::uint8_t>(32, 0xA1), (*settings)[1].second) << test.what;
    }
}

TEST(PlainProfile, APadsKeyMayLackSettingsButHoldNothingElse)
{
    EXPECT_TRUE(OnlySettings({}, 0)) << "a pad never written";
    EXPECT_TRUE(OnlySettings(Without("KeyMap"), 0));
    EXPECT_FALSE(OnlySettings(With({"Note", kText, {0}}), 0));
    EXPECT_FALSE(OnlySettings(Saved(), 2));
}
