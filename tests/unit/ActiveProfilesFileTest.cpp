// The active profile record's file: what an earlier write left, read back from a real file.
#include <gtest/gtest.h>

#include "framework/TextFile.h"
#include "profiles/ActiveProfiles.h"
#include "settings/Setting.h"
#include "support/TestSupport.h"

// Lines written by a Windows text stream end in CR LF; a torn or hand-edited line names no pad.
TEST(ActiveProfilesFile, ReadsEveryWellFormedLineWhateverItsEndingAndDropsTheRest)
{
    ScratchDir dir;
    CSetting model{(dir.path() + "\\Kinetra.exe").c_str()};
    const std::string a = "hid#vid_1209&pid_4b10#7&a", b = "hid#vid_1209&pid_4b10#7&b", c = "hid#vid_1209&pid_4b10#7&c";
    ASSERT_TRUE(WriteFileReplacing(ActiveProfilesPath(), a + "\tRace 1.v2\tloaded\r\nno tabs\r\n" + b +
                                                             "\tDrift\tmodified\n" + c +
                                                             "\tX\tloaded\textra\n\tY\tloaded\n"));
    const std::pair<std::string, const char*> cases[] = {{a, "Race 1.v2"}, {b, "Drift (modified)"}, {c, "none"}};
    for (const auto& [pad, expected] : cases)
        EXPECT_EQ(expected, CActiveProfiles::Describe(CActiveProfiles::Get().Of("\\\\?\\" + pad))) << pad;

    // A change writes the whole record again, with the dropped lines gone and the rest kept.
    CActiveProfiles::Get().Set("\\\\?\\" + c, {"Crawl", false});
    std::string text;
    ASSERT_TRUE(ReadWholeFile(ActiveProfilesPath(), text));
    EXPECT_EQ(a + "\tRace 1.v2\tloaded\n" + b + "\tDrift\tmodified\n" + c + "\tCrawl\tloaded\n", text);
    const std::string missing = dir.path() + "\\missing\\ActiveProfiles.txt";
    EXPECT_FALSE(WriteFileReplacing(missing, text));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), ::GetLastError()) << "the reason a failed write gives";
    EXPECT_FALSE(ReadWholeFile(missing, text));
}
