#pragma once
// Which profiles load by writing their values: a profile file that holds just the pad's settings
// values, into a key that holds nothing else either, ends as the full restore would leave it
// once those values are written and the missing ones deleted. Kept free of <windows.h>: the rule
// can be checked on any host.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "profiles/PadHistoryFile.h"

// A value as a key or a hive holds it.
struct CStoredValue
{
    std::string name;
    std::uint32_t type = 0;  // the registry's type: 3 is binary
    std::vector<std::uint8_t> bytes;
};

// The settings of a profile holding `values` and `subKeys` sub-keys, in the order the driver's
// values are listed, when it holds nothing but settings values (binary, none longer than its
// block, none twice) and every value the model reads at its full size; none otherwise, and the
// load takes the full checked restore, which accepts or refuses it as before.
std::optional<CHistoryValues> PlainSettings(const std::vector<CStoredValue>& values, std::size_t subKeys);
// Whether a pad's key holding `values` and `subKeys` sub-keys holds nothing but settings values
// (some may be missing: a pad never written).
bool OnlySettings(const std::vector<CStoredValue>& values, std::size_t subKeys);
