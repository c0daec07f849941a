// A pad's history file as Kinetra writes it and as a damaged one reads, and the 20 states kept.
#include <gtest/gtest.h>

#include "profiles/PadHistoryFile.h"

namespace
{
CHistoryEntry Entry(int n)
{
    return {"2026-12-10 01:40:" + std::to_string(10 + n),
            "Load Race" + std::to_string(n),
            n % 2 ? "Desk" : "",
            n % 3 == 0,
            {{"KeyConfig", std::vector<std::uint8_t>(32, static_cast<std::uint8_t>(n))}, {"LALA", {}}}};
}
}

TEST(PadHistory, TheFileReadsBackAndADamagedLineLosesOnlyItself)
{
    std::vector<CHistoryEntry> entries = {Entry(1), Entry(2), Entry(3)};
    entries[1].values.clear();  // a pad whose key held none of the values
    const std::string text = FormatHistory("\\\\?\\HID#VID_1&PID_2#7&1&0#{4d1e}", entries);
    EXPECT_EQ(entries, ParseHistory(text));

    std::string damaged = text;
    damaged.insert(damaged.find("2026-12-10 01:40:12"), "2026-12-10\tApply\tDesk\tmaybe\tKeyMap=00\n"  // no flag
                                                        "x\tApply\t\tas loaded\tKeyMap=0g\n"           // no hex
                                                        "x\tApply\t\tas loaded\t\n"                    // no values
                                                        "garbage\r\n");
    damaged += "2026-12-10 01:41:00\tApply\t\tmodified\tKeyMap=00 Sens";  // cut off while written
    EXPECT_EQ(entries, ParseHistory(damaged));
}

TEST(PadHistory, TheTwentyFirstChangeDropsTheOldestOnly)
{
    std::vector<CHistoryEntry> entries;
    for (int n = 1; n <= 21; ++n)
        AddHistoryEntry(entries, Entry(n));
    ASSERT_EQ(kHistoryLength, entries.size());
    EXPECT_EQ(Entry(2), entries.front());
    EXPECT_EQ(Entry(21), entries.back());
}

TEST(PadHistory, EachPadHasAFileNameOfItsOwn)
{
    const std::string first = HistoryFileName("\\\\?\\hid#vid_1234&pid_5678#7&2a3b&0&0000#{4d1e55b2-f16f-11cf}");
    EXPECT_EQ(std::string::npos, first.find_first_of("\\/:*?\"<>|#&{}"));
    EXPECT_NE(first, HistoryFileName("\\\\?\\hid#vid_1234&pid_5678#7&2a3b&0&0001#{4d1e55b2-f16f-11cf}"));
    EXPECT_EQ(first, HistoryFileName("\\\\?\\HID#VID_1234&PID_5678#7&2A3B&0&0000#{4D1E55B2-F16F-11CF}"))
        << "device paths ignore case";
    EXPECT_LE(HistoryFileName(std::string(300, 'a')).size(), 80u);
}
