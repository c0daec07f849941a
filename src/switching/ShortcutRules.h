#pragma once
// The shortcut keys that switch profiles from inside a game, as the Shortcuts page edits them and
// the shortcuts file keeps them. Kept free of <windows.h>: the file's reading and writing and the
// walk through the profiles can be checked on any host.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ConfigFolder.h"

// A key as the system's hot-key control holds it: a virtual key and the control's modifier bits.
struct CShortcutKey
{
    static constexpr std::uint8_t kShift = 0x01;  // HOTKEYF_SHIFT
    static constexpr std::uint8_t kCtrl = 0x02;   // HOTKEYF_CONTROL
    static constexpr std::uint8_t kAlt = 0x04;    // HOTKEYF_ALT

    std::uint8_t virtualKey = 0;  // 0: no key
    std::uint8_t modifiers = 0;

    bool Empty() const { return virtualKey == 0; }
    bool operator==(const CShortcutKey&) const = default;
};

enum class EShortcut { kNext, kPrevious, kSwitching, kProfile };

struct CShortcut
{
    EShortcut what = EShortcut::kNext;
    std::string profile;  // for kProfile: the profile's name, in the system's code page
    CShortcutKey key;
};

struct CShortcuts
{
    std::vector<CShortcut> keys;  // only shortcuts with a key; one a kind, one a profile
    bool panelOn = true;          // "Show the profile on screen when it changes"

    // The key of a kind (and profile), empty when it has none.
    CShortcutKey KeyOf(EShortcut what, const std::string& profile = {}) const;
    // Sets or, with an empty key, removes the key of a kind (and profile); a shortcut that had
    // the same key loses it.
    void SetKey(EShortcut what, const std::string& profile, CShortcutKey key);
};

struct CReadShortcuts
{
    CShortcuts shortcuts;
    std::vector<int> droppedLines;  // 1-based numbers of the lines that did not read
};

// The file's text: a comment, the panel's setting, then one "what: keys" line a shortcut.
std::string FormatShortcuts(const CShortcuts& shortcuts);
// Reads what FormatShortcuts wrote, or what a person made of it: a line that does not read is
// dropped and named, and every other line still counts. A key named twice keeps its first use.
CReadShortcuts ParseShortcuts(std::string_view text);

// "Ctrl+Alt+N", "F13", "Shift+Num 5": the key as the page and the file name it.
std::string KeyText(CShortcutKey key);
// The key a KeyText names; false when it names none.
bool ReadKeyText(std::string_view text, CShortcutKey& key);

// The profile `step` places after `current` in `names` (the Profile page's order), around the end
// and back; the first (or, going back, the last) when `current` is not among them. Empty when
// there are no names. Names match in any case, as the profile folder does.
std::string StepProfile(const std::vector<std::string>& names, const std::string& current, int step);
