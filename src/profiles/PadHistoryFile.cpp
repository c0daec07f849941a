#include "profiles/PadHistoryFile.h"

#include <cctype>
#include <cstdio>

#include "framework/TextFile.h"

namespace
{
constexpr char kField = '\t';
constexpr std::string_view kModified = "modified";
constexpr std::string_view kAsLoaded = "as loaded";
constexpr std::size_t kLongestName = 60;

std::string Hex(const std::vector<std::uint8_t>& bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

bool ReadHex(std::string_view text, std::vector<std::uint8_t>& bytes)
{
    if (text.size() % 2 != 0)
        return false;
    bytes.clear();
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const auto digit = [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        };
        const int high = digit(text[i]);
        const int low = digit(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return true;
}

std::vector<std::string_view> Split(std::string_view line, char separator)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = line.find(separator, start);
        parts.push_back(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

bool ReadValue(std::string_view text, CHistoryValues& values)
{
    const std::size_t equals = text.find('=');
    std::vector<std::uint8_t> bytes;
    if (equals == 0 || equals == std::string_view::npos || !ReadHex(text.substr(equals + 1), bytes))
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
    const std::vector<std::string_view> fields = Split(line, kField);
    if (fields.size() != 5 || !IsTime(fields[0]) || fields[1].empty() ||
        (fields[3] != kModified && fields[3] != kAsLoaded))
        return false;
    entry = {std::string(fields[0]), std::string(fields[1]), std::string(fields[2]), fields[3] == kModified, {}};
    // A pad whose key held none of the values is a state too: nothing set.
    if (fields[4].empty())
        return true;
    for (std::string_view value : Split(fields[4], ' '))
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
            text += (i ? " " : "") + entry.values[i].first + "=" + Hex(entry.values[i].second);
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
