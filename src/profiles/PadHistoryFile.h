#pragma once
// A pad's history: the settings it had before each change Kinetra made to it, newest last, as its
// file keeps them. Kept free of <windows.h>: the file's reading and writing can be checked on
// any host.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The values of a pad's key by name, byte for byte.
using CHistoryValues = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;

struct CHistoryEntry
{
    std::string time;     // "2026-12-10 01:40:12", local time
    std::string cause;    // what changed the pad afterwards: "Apply", "Load Race1", "Switch to Race1"...
    std::string profile;  // the profile the pad was on, empty when none
    bool modified = false;
    CHistoryValues values;

    bool operator==(const CHistoryEntry&) const = default;
};

// How many states a pad keeps: the oldest goes when a newer one comes.
constexpr std::size_t kHistoryLength = 20;

// The file's text: a comment naming the pad, then one line an entry, oldest first.
std::string FormatHistory(const std::string& pad, const std::vector<CHistoryEntry>& entries);
// Reads what FormatHistory wrote; a damaged line is left out and the others still count.
std::vector<CHistoryEntry> ParseHistory(std::string_view text);
// `entries` with `entry` added as the newest, the oldest left out beyond kHistoryLength.
void AddHistoryEntry(std::vector<CHistoryEntry>& entries, CHistoryEntry entry);
// A pad's id as a file name: what a file name may not hold becomes '_', and the name is kept short.
std::string HistoryFileName(const std::string& pad);
