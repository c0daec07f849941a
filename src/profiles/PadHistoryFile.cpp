#include "profiles/PadHistoryFile.h"

#include <cctype>
#include <cstdio>

#include "framework/Fields.h"
#include "framework/TextFile.h"

namespace
{
constexpr char kField = '\t';
constexpr std::string_view kModified = "modified";
constexpr std::string_view kAsLoaded = "as loaded";
constexpr std::size_t kLongestName = 60;

bool ReadValue(std::string_view text, CHistoryValues& values)
{
    const std::size_t equals = text.find('=');
    std::vector<std::uint8_t> bytes;
    if (equals == 0 || equals == std::string_view::npos || !BytesOfHex(text.substr(equals + 1), bytes))
        return false;
    values.emplace_back(std::string(text.substr(0, equals)), std::move(bytes));
    return true;
}

// "2026-12-10 01:40:12": digits where the pattern has '9'.
bool IsTime(std::string_view text)
{
    constexpr std::string_view kPattern = "9999-99-99 99:99:99";
    if (text.size() != kPattern.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
        if (kPattern[i] == '9' ? !digit : text[i] != kPattern[i])
            return false;
    }
    return true;
}

bool ReadEntry(std::string_view line, CHistoryEntry& entry)
{
    const std::vector<std::string> fields = SplitFields(line, kField);
    if (fields.size() != 5 || !IsTime(fields[0]) || fields[1].empty() ||
        (fields[3] != kModified && fields[3] != kAsLoaded))
        return false;
    entry = {std::string(fields[0]), std::string(fields[1]), std::string(fields[2]), fields[3] == kModified, {}};
    // A pad whose key held none of the values is a state too: nothing set.
    if (fields[4].empty())
        return true;
    for (const std::string& value : SplitFields(fields[4], ' '))
        if (!ReadValue(value, entry.values))
            return false;
    return true;
}
}

std::string FormatHistory(const std::string& pad, const std::vector<CHistoryEntry>& entries)
{
    std::string text = "# Kinetra's history of the pad " + pad +
                       ": its settings before each change, oldest first.\n"
                       "# time\tchange that followed\tprofile\tmodified or as loaded\tvalues\n";
    for (const CHistoryEntry& entry : entries) {
        text += entry.time + kField + entry.cause + kField + entry.profile + kField +
                std::string(entry.modified ? kModified : kAsLoaded) + kField;
        for (std::size_t i = 0; i < entry.values.size(); ++i)
            text += (i ? " " : "") + entry.values[i].first + "=" + HexOf(entry.values[i].second);
        text += "\n";
    }
    return text;
}

std::vector<CHistoryEntry> ParseHistory(std::string_view text)
{
    std::vector<CHistoryEntry> entries;
    while (!text.empty()) {
        std::string_view line = NextLine(text);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        CHistoryEntry entry;
        if (!line.empty() && line.front() != '#' && ReadEntry(line, entry))
            entries.push_back(std::move(entry));
    }
    return entries;
}

void AddHistoryEntry(std::vector<CHistoryEntry>& entries, CHistoryEntry entry)
{
    entries.push_back(std::move(entry));
    if (entries.size() > kHistoryLength)
        entries.erase(entries.begin(), entries.end() - static_cast<std::ptrdiff_t>(kHistoryLength));
}

std::string HistoryFileName(const std::string& pad)
{
    std::string name;
    for (char c : pad)
        name += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.'
                    ? static_cast<char>(std::tolower(static_cast<unsigned char>(c)))
                    : '_';
    // Device paths are long and share their start; a hash of the whole path keeps two pads
    // apart when the part of the name that is kept is alike.
    std::uint32_t hash = 2166136261u;
    for (char c : pad) {
        hash ^= static_cast<std::uint8_t>(std::tolower(static_cast<unsigned char>(c)));  // paths ignore case
        hash *= 16777619u;
    }
    if (name.size() > kLongestName)
        name = name.substr(name.size() - kLongestName);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "-%08x.txt", static_cast<unsigned>(hash));
    return name + suffix;
}
