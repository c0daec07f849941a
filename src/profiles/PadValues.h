#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "profiles/PadHistoryFile.h"

// The settings values of a pad's key, byte for byte, by name, in the order the driver's values
// are listed; a value the key lacks is not there.
using CPadValues = CHistoryValues;

CPadValues ReadPadValues(int slot);
CPadValues ReadKeyValues(HKEY key);
// Writes `values` into `key`, a settings value not among them deleted as it was not there;
// false when a write or a delete failed.
bool WritePadValues(HKEY key, const CPadValues& values);
// Whether `key` holds nothing but settings values.
bool HoldsOnlySettings(HKEY key);
// The settings of the profile file at `path` when it holds nothing else, read once per version
// of the file (its size and time); none when it holds more, or is no profile a load takes.
std::optional<CPadValues> PlainProfileValues(const std::string& path);
