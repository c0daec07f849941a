// When the profile follows the program in front: every case the switching meets, from a table,
// without a window.
#include <gtest/gtest.h>

#include "switching/SwitchDecision.h"

namespace
{
constexpr char kRace[] = "C:\\Games\\RaceGame.exe";
constexpr char kBrowser[] = "C:\\Web\\Browser.exe";
constexpr char kFly[] = "C:\\Games\\Fly\\Fly.exe";

CProgramRules Rules(bool switchOn, bool otherwiseLoad, bool untilExit)
{
    CProgramRules rules;
    rules.switchOn = switchOn;
    rules.otherwiseLoad = otherwiseLoad;
    rules.otherwiseProfile = "Desk";
    rules.untilExit = untilExit;
    // The first rule names a deleted profile and is skipped; Fly is matched by its whole path.
    rules.rules = {{"RaceGame.exe", "Gone"}, {"racegame.EXE", "Race1"}, {kFly, "Fly"}};
    return rules;
}
}

TEST(SwitchDecision, OnlyAChangeOfProgramLoadsAndOnlyWhatThePadIsNotOn)
{
    struct
    {
        const char* what;
        EFront front;
        const char* program;
        const char* decided;  // the program last decided for, or the one a choice by hand was made over
        bool keptAlive;
        const char* active;  // the pad's profile, modified or not: only its name counts
        const char* loads;   // "" for nothing
    } const kCases[] = {
        {"the game comes to the front", EFront::kProgram, kRace, kBrowser, false, "Desk", "Race1"},
        {"the same game again: the sheet closed, a refresh", EFront::kProgram, kRace, kRace, false, "Desk", ""},
        {"the same game, its path in another case", EFront::kProgram, "c:\\games\\RACEGAME.exe", kRace, false, "Desk",
         ""},
        {"the game back with its profile applied as modified", EFront::kProgram, kRace, kBrowser, false, "race1", ""},
        {"a choice by hand over the game holds while it stays", EFront::kProgram, kRace, kRace, false, "Fly", ""},
        {"another program ends the choice by hand", EFront::kProgram, kBrowser, kRace, false, "Fly", "Desk"},
        {"Kinetra's own sheet or menu", EFront::kOwn, "", kRace, false, "Desk", ""},
        {"the task switcher", EFront::kShell, "", kRace, false, "Desk", ""},
        {"nothing in front for a moment", EFront::kNone, "", kRace, false, "Desk", ""},
        {"a program whose path cannot be read", EFront::kUnknown, "", kRace, false, "Desk", ""},
        {"the desktop gets what no rule matches", EFront::kDesktop, "", kRace, false, "Race1", "Desk"},
        {"the desktop again", EFront::kDesktop, "", "<desktop>", false, "Race1", ""},
        {"a kept game still runs behind the browser", EFront::kProgram, kBrowser, kRace, true, "Race1", ""},
        {"a rule by its whole path", EFront::kProgram, kFly, kRace, false, "Race1", "Fly"},
        {"the same file name elsewhere is no match", EFront::kProgram, "D:\\Fly.exe", kRace, false, "Race1", "Desk"},
        {"a rule matches a kept game again", EFront::kProgram, kFly, kBrowser, true, "Race1", "Fly"},
    };
    const auto exists = [](const std::string& name) { return name != "Gone"; };
    for (const auto& c : kCases) {
        const CSwitchDecision decision = DecideSwitch({c.front, c.program}, {c.decided, c.keptAlive},
                                                      Rules(true, true, false), exists);
        EXPECT_EQ(c.loads, NeedsLoad(decision.profile, c.active) ? decision.profile : "") << c.what;
        // What is decided now is what a later decision compares with; windows that are no
        // program leave the decided one as it was.
        EXPECT_EQ(decision.newProgram, !decision.program.empty() && !SameName(decision.program, c.decided)) << c.what;
    }
}

TEST(SwitchDecision, TheSwitchOffKeepAndKeepUntilItExitsDecideNothingMore)
{
    const auto exists = [](const std::string&) { return true; };
    const CFrontNow browser{EFront::kProgram, kBrowser};
    const CFrontNow race{EFront::kProgram, kRace};
    EXPECT_FALSE(DecideSwitch(race, {kBrowser, false}, Rules(false, true, false), exists).newProgram) << "switch off";
    EXPECT_EQ("", DecideSwitch(browser, {kRace, false}, Rules(true, false, false), exists).profile) << "keep";
    EXPECT_TRUE(DecideSwitch(browser, {kRace, false}, Rules(true, false, false), exists).newProgram);
    const CSwitchDecision kept = DecideSwitch(race, {kBrowser, false}, Rules(true, true, true), exists);
    EXPECT_EQ("Gone", kept.profile) << "the first rule whose profile exists";
    EXPECT_TRUE(kept.keep);
    EXPECT_FALSE(DecideSwitch(browser, {kRace, false}, Rules(true, true, true), exists).keep);
}
