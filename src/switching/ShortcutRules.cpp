#include "switching/ShortcutRules.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iterator>

#include "framework/TextFile.h"

namespace
{
constexpr std::string_view kPanel = "panel: ";
constexpr std::string_view kProfile = "profile ";
constexpr std::string_view kSeparator = ": ";

struct CKind
{
    EShortcut what;
    std::string_view word;
};
constexpr CKind kKinds[] = {
    {EShortcut::kNext, "next"}, {EShortcut::kPrevious, "previous"}, {EShortcut::kSwitching, "switching"}};

struct CModifierName
{
    std::uint8_t bit;
    std::string_view name;
};
constexpr CModifierName kModifiers[] = {
    {CShortcutKey::kCtrl, "Ctrl"}, {CShortcutKey::kAlt, "Alt"}, {CShortcutKey::kShift, "Shift"}};

// Keys whose names are not their letter, digit or function number.
struct CKeyName
{
    std::uint8_t virtualKey;
    std::string_view name;
};
constexpr CKeyName kKeyNames[] = {
    {0x08, "Backspace"}, {0x09, "Tab"},    {0x0D, "Enter"},  {0x13, "Pause"}, {0x20, "Space"}, {0x21, "Page Up"},
    {0x22, "Page Down"}, {0x23, "End"},    {0x24, "Home"},   {0x25, "Left"},  {0x26, "Up"},    {0x27, "Right"},
    {0x28, "Down"},      {0x2D, "Insert"}, {0x2E, "Delete"}, {0x6A, "Num *"}, {0x6B, "Num +"}, {0x6D, "Num -"},
    {0x6E, "Num ."},     {0x6F, "Num /"},  {0xBA, ";"},      {0xBB, "="},     {0xBC, ","},     {0xBD, "-"},
    {0xBE, "."},         {0xBF, "/"},      {0xC0, "`"},      {0xDB, "["},     {0xDC, "\\"},    {0xDD, "]"},
    {0xDE, "'"},
};

bool SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string KeyName(std::uint8_t key)
{
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return std::string(1, static_cast<char>(key));
    if (key >= 0x70 && key <= 0x87)  // F1 to F24
        return "F" + std::to_string(key - 0x70 + 1);
    if (key >= 0x60 && key <= 0x69)  // the number pad's digits
        return "Num " + std::to_string(key - 0x60);
    for (const CKeyName& named : kKeyNames)
        if (named.virtualKey == key)
            return std::string(named.name);
    char text[16];
    std::snprintf(text, sizeof text, "Key %02X", key);
    return text;
}

bool ReadNumber(std::string_view text, int base, int& number)
{
    if (text.empty() || text.size() > 2)
        return false;
    number = 0;
    for (char c : text) {
        const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                          : base == 16 && std::isxdigit(static_cast<unsigned char>(c))
                              ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                              : -1;
        if (digit < 0)
            return false;
        number = number * base + digit;
    }
    return true;
}

bool ReadKeyName(std::string_view name, std::uint8_t& key)
{
    for (int k = 1; k < 256; ++k) {
        if (SameText(KeyName(static_cast<std::uint8_t>(k)), name)) {
            key = static_cast<std::uint8_t>(k);
            return true;
        }
    }
    return false;
}

// "Ctrl+Alt+" and the like at the start of `text`, taken off it.
std::uint8_t TakeModifiers(std::string_view& text)
{
    std::uint8_t modifiers = 0;
    for (bool found = true; found;) {
        found = false;
        for (const CModifierName& modifier : kModifiers) {
            const std::string_view head = text.substr(0, modifier.name.size() + 1);
            if (text.size() > head.size() && SameText(head, std::string(modifier.name) + "+")) {
                modifiers |= modifier.bit;
                text.remove_prefix(head.size());
                found = true;
            }
        }
    }
    return modifiers;
}

bool ReadShortcutLine(std::string_view what, std::string_view keys, CShortcuts& shortcuts)
{
    CShortcut shortcut;
    if (!ReadKeyText(keys, shortcut.key))
        return false;
    const auto kind = std::find_if(std::begin(kKinds), std::end(kKinds),
                                   [&](const CKind& k) { return SameText(k.word, what); });
    if (kind != std::end(kKinds)) {
        shortcut.what = kind->what;
    } else if (what.starts_with(kProfile) && !Trimmed(what.substr(kProfile.size())).empty()) {
        shortcut.what = EShortcut::kProfile;
        shortcut.profile = std::string(Trimmed(what.substr(kProfile.size())));
    } else {
        return false;
    }
    // A key can do one thing, and a kind has one key: a second use of either is no shortcut.
    const bool taken = std::any_of(shortcuts.keys.begin(), shortcuts.keys.end(), [&](const CShortcut& s) {
        return s.key == shortcut.key ||
               (s.what == shortcut.what && (s.what != EShortcut::kProfile || SameText(s.profile, shortcut.profile)));
    });
    if (taken)
        return false;
    shortcuts.keys.push_back(shortcut);
    return true;
}

bool ReadLine(std::string_view line, CShortcuts& shortcuts)
{
    if (line.starts_with(kPanel)) {
        const std::string_view value = Trimmed(line.substr(kPanel.size()));
        shortcuts.panelOn = value == "on";
        return value == "on" || value == "off";
    }
    // A profile's name may hold ": ", a key's name never does: the last one parts them.
    const std::size_t separator = line.rfind(kSeparator);
    if (separator == std::string_view::npos)
        return false;
    return ReadShortcutLine(Trimmed(line.substr(0, separator)), Trimmed(line.substr(separator + kSeparator.size())),
                            shortcuts);
}

std::string WhatText(const CShortcut& shortcut)
{
    for (const CKind& kind : kKinds)
        if (kind.what == shortcut.what)
            return std::string(kind.word);
    return std::string(kProfile) + shortcut.profile;
}

bool SameShortcut(const CShortcut& shortcut, EShortcut what, const std::string& profile)
{
    return shortcut.what == what && (what != EShortcut::kProfile || SameText(shortcut.profile, profile));
}
}

CShortcutKey CShortcuts::KeyOf(EShortcut what, const std::string& profile) const
{
    for (const CShortcut& shortcut : keys)
        if (SameShortcut(shortcut, what, profile))
            return shortcut.key;
    return {};
}

void CShortcuts::SetKey(EShortcut what, const std::string& profile, CShortcutKey key)
{
    // A key does one thing: it leaves the shortcut that had it.
    std::erase_if(keys, [&](const CShortcut& shortcut) {
        return SameShortcut(shortcut, what, profile) || (!key.Empty() && shortcut.key == key);
    });
    if (!key.Empty())
        keys.push_back({what, what == EShortcut::kProfile ? profile : std::string(), key});
}

std::string KeyText(CShortcutKey key)
{
    std::string text;
    for (const CModifierName& modifier : kModifiers)
        if (key.modifiers & modifier.bit)
            text += std::string(modifier.name) + "+";
    return text + KeyName(key.virtualKey);
}

bool ReadKeyText(std::string_view text, CShortcutKey& key)
{
    text = Trimmed(text);
    const std::uint8_t modifiers = TakeModifiers(text);
    std::uint8_t virtualKey = 0;
    int number = 0;
    if (text.starts_with("Key ") && ReadNumber(text.substr(4), 16, number) && number > 0)
        virtualKey = static_cast<std::uint8_t>(number);
    else if (!ReadKeyName(text, virtualKey))
        return false;
    key = {virtualKey, modifiers};
    return true;
}

std::string FormatShortcuts(const CShortcuts& shortcuts)
{
    std::string text = "# Kinetra's shortcut keys. Each line: what: keys, where what is next, previous, switching\n"
                       "# (automatic switching on or off) or profile <name>.\n";
    text += std::string(kPanel) + (shortcuts.panelOn ? "on" : "off") + "\n";
    for (const CShortcut& shortcut : shortcuts.keys)
        text += WhatText(shortcut) + std::string(kSeparator) + KeyText(shortcut.key) + "\n";
    return text;
}

CReadShortcuts ParseShortcuts(std::string_view text)
{
    CReadShortcuts read;
    read.droppedLines = ReadEditableLines(text, [&](std::string_view line) { return ReadLine(line, read.shortcuts); });
    return read;
}

std::string StepProfile(const std::vector<std::string>& names, const std::string& current, int step)
{
    if (names.empty())
        return {};
    const auto at = std::find_if(names.begin(), names.end(),
                                 [&](const std::string& n) { return SameText(n, current); });
    const auto count = static_cast<int>(names.size());
    if (at == names.end())
        return step > 0 ? names.front() : names.back();
    const int index = static_cast<int>(at - names.begin());
    return names[static_cast<std::size_t>(((index + step) % count + count) % count)];
}
