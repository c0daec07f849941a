// The rules file and the command pipe's words: what a person or a program may write there, read
// back as it was meant, and nothing else.
#include <gtest/gtest.h>

#include "command/CommandProtocol.h"
#include "switching/ProgramRules.h"

TEST(ProgramRulesFile, WhatIsWrittenReadsBackAndBadLinesAreNamedWhileTheRestCounts)
{
    CProgramRules rules;
    rules.switchOn = true;
    rules.otherwiseLoad = true;
    rules.otherwiseProfile = "Desk";
    rules.rules = {{"C:\\Games\\Race\\race.exe", "Race1"}, {"notepad.exe", "Desk"}};
    const CReadRules back = ParseRules(FormatRules(rules));
    EXPECT_TRUE(back.droppedLines.empty());
    EXPECT_EQ(FormatRules(rules), FormatRules(back.rules));

    const CReadRules edited = ParseRules("# mine\r\nswitch: maybe\n  game.exe =>  Race1 \r\n=> Nothing\nx.exe =>\n"
                                         "when no rule matches: load\nkeep until exit: on\nb.exe => X => Y\n");
    EXPECT_EQ((std::vector<int>{2, 4, 5, 6, 8}), edited.droppedLines);
    ASSERT_EQ(1u, edited.rules.rules.size());
    EXPECT_EQ("game.exe", edited.rules.rules[0].program);
    EXPECT_EQ("Race1", edited.rules.rules[0].profile);
    EXPECT_TRUE(edited.rules.untilExit);
    EXPECT_FALSE(edited.rules.switchOn) << "a setting that did not read keeps its default";
    EXPECT_TRUE(MatchesAnywhere(edited.rules.rules[0]));
    EXPECT_FALSE(MatchesAnywhere({"C:\\Games\\game.exe", "Race1"}));
}

TEST(CommandWords, HexAndAnswerHeadsReadOnlyWhatTheyWrite)
{
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(BytesOfHex(HexOf({0x00, 0x7f, 0xff}), bytes));
    EXPECT_EQ((std::vector<std::uint8_t>{0x00, 0x7f, 0xff}), bytes);
    for (const char* bad : {"0", "0g", "+1", "-1", "0x"})
        EXPECT_FALSE(BytesOfHex(bad, bytes)) << bad;
    int code = 0;
    std::string message;
    EXPECT_TRUE(ReadAnswerHead(AnswerHead(7, "busy\tstill"), code, message));
    EXPECT_EQ(7, code);
    EXPECT_EQ("busy\tstill", message);
    for (const char* bad : {"", "\tx", "7x\ty", "7"})
        EXPECT_FALSE(ReadAnswerHead(bad, code, message)) << bad;
    EXPECT_EQ((std::vector<std::string>{"load", "", "0"}), SplitFields("load\t\t0"));
}
