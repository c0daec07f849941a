// Rules on profile names, the name box's keys and the names copies take, on the host under
// sanitizers.
#include <gtest/gtest.h>

#include <string>

#include "profiles/ProfileRules.h"

TEST(ProfileNames, OnlyNamesThatMakeOneFileInTheFolderPass)
{
    constexpr std::size_t kFolder = 20;
    for (const char* name : {"Race1", "calibration", "Copy (2) of X", "a b", "CONSOLE", "COM10", "LPT"})
        EXPECT_EQ("", ProfileNameProblem(name, kFolder)) << name;
    EXPECT_EQ("Nothing input!", ProfileNameProblem("", kFolder));
    for (const char* name : {"..\\x", "a/b", "a:b", "a*", "a?", "a\"b", "<a>", "a|b", "a.b", "tab\tname", "x."})
        EXPECT_NE(std::string::npos, ProfileNameProblem(name, kFolder).find("may not contain")) << name;
    EXPECT_EQ("A Profile Name may not end with a space!", ProfileNameProblem("Race1 ", kFolder));
    for (const char* name : {"CON", "con", "Prn", "AUX", "NUL", "COM1", "com9", "LPT1", "lpt9"})
        EXPECT_NE(std::string::npos, ProfileNameProblem(name, kFolder).find("keeps for a device")) << name;

    // folder + "\" + name + ".reg" and the terminating zero in 260 characters
    const std::size_t longest = kProfilePathBuffer - kFolder - 1 - 4 - 1;
    EXPECT_EQ("", ProfileNameProblem(std::string(longest, 'x'), kFolder));
    EXPECT_EQ("The Profile Name is too long!", ProfileNameProblem(std::string(longest + 1, 'x'), kFolder));
    EXPECT_EQ("The Profile Name is too long!", ProfileNameProblem("calibration", 250));
}

TEST(ProfileNameKeys, LettersDigitsAndEditingKeysPassTheRestIsRefused)
{
    for (unsigned key : {0x41u, 0x5Au, 0x30u, 0x39u, 0x60u, 0x69u, 0x08u, 0x0Du, 0x1Bu, 0x2Du, 0x5Fu})
        EXPECT_EQ(ENameKey::kPass, NameKeyAction(key, false)) << key;
    for (unsigned key : {0xBDu, 0x20u, 0x2Eu, 0x25u, 0x09u, 0xBEu, 0x6Au, 0x70u})
        EXPECT_EQ(ENameKey::kRefuse, NameKeyAction(key, false)) << key;
    EXPECT_EQ(ENameKey::kSwallow, NameKeyAction('1', true)) << "Shift+1 would type !";
    EXPECT_EQ(ENameKey::kSwallow, NameKeyAction(0x08, true));
    EXPECT_EQ(ENameKey::kPass, NameKeyAction('A', true)) << "Shift+A types A";
    for (unsigned modifier : {0x10u, 0x11u, 0x12u, 0x14u, 0xA0u, 0xA5u})
        EXPECT_EQ(ENameKey::kPass, NameKeyAction(modifier, false)) << "the modifier before a letter: " << modifier;
    EXPECT_EQ(ENameKey::kRefuse, NameKeyAction(0xBD, true));
}

TEST(CopyNames, EachCopyTakesTheNextFreeName)
{
    EXPECT_EQ("Copy of X.reg", NextCopyName("X.reg"));
    EXPECT_EQ("Copy (1) of X.reg", NextCopyName("Copy of X.reg"));
    EXPECT_EQ("Copy (2) of X.reg", NextCopyName("Copy (1) of X.reg"));
    EXPECT_EQ("Copy (10) of X.reg", NextCopyName("Copy (9) of X.reg"));
    EXPECT_EQ("Copy of Copy (X.reg", NextCopyName("Copy (X.reg"));
    EXPECT_EQ("Copy (1) of ", NextCopyName("Copy of "));
    EXPECT_EQ("Copy (1) of ", NextCopyName("Copy "));
}
