#pragma once
// How the stored values land in the settings blocks when a device is read. Kept free of
// <windows.h> so the rule can be checked on any host.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <span>
#include <vector>

#include "settings/SettingsLayout.h"

// One value read into a buffer of `bufferSize` bytes: a value longer than the buffer fails and
// leaves the block as it was; otherwise the first `count` bytes of the value become the first
// `count` bytes of the block, and what the value is too short to give is 0.
inline bool LandValue(std::span<const std::uint8_t> value, std::size_t bufferSize, std::size_t count,
                      std::vector<std::uint8_t>& block)
{
    if (value.size() > bufferSize || count > bufferSize)
        return false;
    if (block.size() < count)
        block.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        block[i] = i < value.size() ? value[i] : 0;
    return true;
}

struct CValueRead
{
    const char* name;
    std::size_t bufferSize;
    std::size_t count;  // bytes taken into the block
};

// The values in the order they are read. The stick blocks give only their flag byte: their
// calibration words come from the live device, never from the key.
inline constexpr CValueRead kValueReads[] = {
    {"KeyMap", kKeyTableSize, kKeyTableSize},
    {"KeyConfig", kKeyTableSize, kKeyTableSize},
    {"RightAnalog", kAnalogBlockSize, 1},
    {"LeftAnalog", kAnalogBlockSize, 1},
    {"Sensitivity", kSensitivitySize, kSensitivitySize},
    {"ForceFeedBack", kForceFeedBackSize, kForceFeedBackSize},
};
inline constexpr std::size_t kValueReadCount = std::size(kValueReads);

// Reads the values in order into `blocks` (one per entry of kValueReads); 0 at the first that
// failed, the blocks after it keeping what they held. `query(name, buffer)` fills at most
// buffer.size() bytes and gives the value's full stored length (which may exceed the buffer),
// or nothing when the value cannot be read at all.
template <class Query>
int ReadValueSet(std::span<std::vector<std::uint8_t>* const, kValueReadCount> blocks, Query&& query)
{
    for (std::size_t i = 0; i < kValueReadCount; ++i) {
        const CValueRead& read = kValueReads[i];
        std::vector<std::uint8_t> buffer(read.bufferSize);
        const std::optional<std::size_t> length = query(read.name, std::span<std::uint8_t>(buffer));
        // A value too long for its buffer fails before any of it is looked at.
        if (!length || *length > buffer.size())
            return 0;
        if (!LandValue(std::span<const std::uint8_t>(buffer.data(), *length), read.bufferSize, read.count, *blocks[i]))
            return 0;
    }
    return 1;
}
