// The shortcuts file as the Shortcuts page writes it and as a person may leave it, the keys'
// names both ways, and the walk through the profiles that Next and Previous take.
#include <gtest/gtest.h>

#include "switching/ShortcutRules.h"

namespace
{
constexpr std::uint8_t kCtrlAlt = CShortcutKey::kCtrl | CShortcutKey::kAlt;
}

TEST(ShortcutRules, KeysAreNamedAndReadBackAlike)
{
    const struct
    {
        CShortcutKey key;
        const char* text;
    } kCases[] = {
        {{'N', kCtrlAlt}, "Ctrl+Alt+N"},
        {{0x7C, 0}, "F13"},
        {{0x87, CShortcutKey::kShift}, "Shift+F24"},
        {{0x65, kCtrlAlt}, "Ctrl+Alt+Num 5"},
        {{0x27, CShortcutKey::kCtrl}, "Ctrl+Right"},
        {{0xE5, 0}, "Key E5"},
        {{0x6B, CShortcutKey::kAlt}, "Alt+Num +"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(c.text, KeyText(c.key));
        CShortcutKey read;
        EXPECT_TRUE(ReadKeyText(c.text, read)) << c.text;
        EXPECT_EQ(c.key, read) << c.text;
    }
    CShortcutKey read;
    EXPECT_TRUE(ReadKeyText(" alt+ctrl+n ", read)) << "any case, any order of the modifiers";
    EXPECT_EQ((CShortcutKey{'N', kCtrlAlt}), read);
    for (const char* bad : {"", "Ctrl+", "Ctrl+Alt+", "Hyper+N", "F25", "Key 0", "Key XY", "NN"})
        EXPECT_FALSE(ReadKeyText(bad, read)) << bad;
}

TEST(ShortcutRules, TheFileKeepsItsGoodLinesAndNamesTheOthers)
{
    CShortcuts written;
    written.panelOn = false;
    written.SetKey(EShortcut::kNext, "", {'N', kCtrlAlt});
    written.SetKey(EShortcut::kSwitching, "", {0x7C, 0});
    written.SetKey(EShortcut::kProfile, "Race: Night", {'1', kCtrlAlt});
    const CReadShortcuts same = ParseShortcuts(FormatShortcuts(written));
    EXPECT_TRUE(same.droppedLines.empty());
    EXPECT_EQ(FormatShortcuts(written), FormatShortcuts(same.shortcuts));
    EXPECT_EQ((CShortcutKey{'1', kCtrlAlt}), same.shortcuts.KeyOf(EShortcut::kProfile, "race: night"));

    const CReadShortcuts damaged = ParseShortcuts("panel: on\r\n"
                                                  "next: Ctrl+Alt+N\n"
                                                  "previous Ctrl+Alt+P\n"  // 3: no separator
                                                  "previous: Ctrl+Alt+\n"  // 4: no key
                                                  "# a comment\n"
                                                  "sideways: F14\n"              // 6: no such kind
                                                  "profile Race1: Ctrl+Alt+N\n"  // 7: the key is Next's
                                                  "next: F15\n"                  // 8: Next has its key
                                                  "profile : F16\n"              // 9: no profile
                                                  "profile Race1: F17\n"
                                                  "\x01\xff garbage\n");  // 11
    EXPECT_EQ((std::vector<int>{3, 4, 6, 7, 8, 9, 11}), damaged.droppedLines);
    EXPECT_TRUE(damaged.shortcuts.panelOn);
    EXPECT_EQ((CShortcutKey{'N', kCtrlAlt}), damaged.shortcuts.KeyOf(EShortcut::kNext));
    EXPECT_EQ((CShortcutKey{0x80, 0}), damaged.shortcuts.KeyOf(EShortcut::kProfile, "Race1"));
    EXPECT_TRUE(damaged.shortcuts.KeyOf(EShortcut::kPrevious).Empty());

    CShortcuts edited = damaged.shortcuts;
    edited.SetKey(EShortcut::kNext, "", {});
    EXPECT_TRUE(edited.KeyOf(EShortcut::kNext).Empty()) << "an empty key removes the shortcut";
    edited.SetKey(EShortcut::kPrevious, "", {0x80, 0});
    EXPECT_TRUE(edited.KeyOf(EShortcut::kProfile, "Race1").Empty()) << "a key moved to another shortcut";
    EXPECT_EQ(1u, edited.keys.size());
}

TEST(ShortcutRules, NextAndPreviousWalkTheProfilesAroundTheEnds)
{
    const std::vector<std::string> names = {"Desk", "Fly", "Race1"};
    const struct
    {
        const char* current;
        int step;
        const char* expected;
    } kCases[] = {
        {"Desk", 1, "Fly"},  {"race1", 1, "Desk"}, {"Desk", -1, "Race1"},
        {"Fly", -1, "Desk"}, {"Gone", 1, "Desk"},  {"", -1, "Race1"},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.expected, StepProfile(names, c.current, c.step)) << c.current << " " << c.step;
    EXPECT_EQ("", StepProfile({}, "Desk", 1));
    EXPECT_EQ("Solo", StepProfile({"Solo"}, "Solo", 1));
}
