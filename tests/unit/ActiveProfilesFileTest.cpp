// The active profile record's file: what an earlier write left, read back from a real file.
#include <gtest/gtest.h>

#include "framework/TextFile.h"
#include "profiles/ActiveProfiles.h"
#include "settings/Setting.h"
#include "support/TestSupport.h"

namespace
{
constexpr char kPadA[] = "\\\\?\\hid#vid_1209&pid_4b10#7&a&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
constexpr char kPadB[] = "\\\\?\\hid#vid_1209&pid_4b10#7&b&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
constexpr char kPadC[] = "\\\\?\\hid#vid_1209&pid_4b10#7&c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}

// Lines written by a Windows text stream end in CR LF; a torn or hand-edited line names no pad.
TEST(ActiveProfilesFile, ReadsEveryWellFormedLineWhateverItsEndingAndDropsTheRest)
{
    ScratchDir dir;
    CSetting model{(dir.path() + "\\Kinetra.exe").c_str()};
    const std::string a = std::string(kPadA).substr(4), b = std::string(kPadB).substr(4);
    ASSERT_TRUE(WriteFileReplacing(ActiveProfilesPath(),
                                   a + "\tRace 1.v2\tloaded\r\n" + "no tabs at all\r\n" + b + "\tDrift\tmodified\n" +
                                       "\\\\?\\" + std::string(kPadC).substr(4) + "\tX\tloaded\textra\n\tY\tloaded\n"));
    struct
    {
        const char* pad;
        const char* expected;
    } const cases[] = {{kPadA, "Race 1.v2"}, {kPadB, "Drift (modified)"}, {kPadC, "none"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, CActiveProfiles::Describe(CActiveProfiles::Get().Of(c.pad))) << c.pad;

    // A change writes the whole record again, with the dropped lines gone and the rest kept.
    CActiveProfiles::Get().Set(kPadC, {"Crawl", false});
    std::string text;
    ASSERT_TRUE(ReadWholeFile(ActiveProfilesPath(), text));
    EXPECT_EQ(a + "\tRace 1.v2\tloaded\n" + b + "\tDrift\tmodified\n" + std::string(kPadC).substr(4) +
                  "\tCrawl\tloaded\n",
              text);
    EXPECT_FALSE(WriteFileReplacing(dir.path() + "\\missing\\ActiveProfiles.txt", text));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), ::GetLastError()) << "the reason a failed write gives";
    EXPECT_FALSE(ReadWholeFile(dir.path() + "\\missing\\ActiveProfiles.txt", text));
}
