// Random stored values (fixed seeds) through the read rule and the byte rules the pages apply,
// on the host under the address and undefined-behaviour sanitizers: every buffer is exactly as
// large as the rule allows, so a read past one stops the run.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "keys/KeyNames.h"
#include "settings/SettingsLayout.h"
#include "settings/ValueRead.h"

namespace
{
using Bytes = std::vector<std::uint8_t>;
constexpr unsigned kSeeds[] = {1, 2, 3, 2024, 77777};
constexpr int kCasesPerSeed = 1000;
constexpr std::size_t kLongestValue = 64;

// A stored value: missing, or 0 to 64 random bytes.
std::optional<Bytes> RandomValue(std::mt19937& random)
{
    if (random() % 8 == 0)
        return std::nullopt;
    // Lengths at and around the buffer sizes come often, the rest at random.
    const std::size_t edges[] = {0, 1, 2, 3, 4, 20, 21, 22, 31, 32, 33};
    const std::size_t length = random() % 2 ? edges[random() % std::size(edges)] : random() % (kLongestValue + 1);
    Bytes value(length);
    for (auto& byte : value)
        byte = static_cast<std::uint8_t>(random());
    return value;
}

Bytes RandomBlock(std::mt19937& random, std::size_t size)
{
    Bytes block(size);
    for (auto& byte : block)
        byte = static_cast<std::uint8_t>(random());
    return block;
}
}

TEST(ValueRead, RandomValuesLandPaddedStopAtTheFirstFailureAndNeverReadPastABuffer)
{
    const std::size_t blockSizes[kValueReadCount] = {32, 32, 21, 21, 3, 3};  // model sizes, read order
    for (const unsigned seed : kSeeds) {
        std::mt19937 random(seed);
        for (int step = 0; step < kCasesPerSeed; ++step) {
            std::optional<Bytes> stored[kValueReadCount];
            Bytes before[kValueReadCount], blocks[kValueReadCount];
            std::vector<std::uint8_t>* pointers[kValueReadCount];
            for (std::size_t i = 0; i < kValueReadCount; ++i) {
                stored[i] = RandomValue(random);
                before[i] = blocks[i] = RandomBlock(random, blockSizes[i]);
                pointers[i] = &blocks[i];
            }
            // As the registry answers: at most the buffer is filled, the full length is told.
            std::size_t queried = 0;
            const int result = ReadValueSet(pointers, [&](const char* name, std::span<std::uint8_t> buffer) {
                const std::optional<Bytes>& value = stored[queried];
                EXPECT_STREQ(kValueReads[queried].name, name);
                ++queried;
                if (!value)
                    return std::optional<std::size_t>();
                std::copy_n(value->begin(), std::min(value->size(), buffer.size()), buffer.begin());
                return std::optional<std::size_t>(value->size());
            });

            SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step));
            bool reading = true;
            std::size_t expectedQueries = 0;
            for (std::size_t i = 0; i < kValueReadCount; ++i) {
                const CValueRead& read = kValueReads[i];
                expectedQueries += reading ? 1 : 0;
                const bool lands = reading && stored[i] && stored[i]->size() <= read.bufferSize;
                Bytes expected = before[i];
                for (std::size_t b = 0; lands && b < read.count; ++b)
                    expected[b] = b < stored[i]->size() ? (*stored[i])[b] : 0;
                EXPECT_EQ(expected, blocks[i]) << read.name;
                reading = lands;
            }
            EXPECT_EQ(reading ? 1 : 0, result);
            EXPECT_EQ(expectedQueries, queried) << "a value after the first failure was queried";
        }
    }
}

TEST(ValueRead, AValueLandsFromASpanOfExactlyItsLength)
{
    std::mt19937 random(5);
    for (int step = 0; step < 2000; ++step) {
        const std::size_t length = random() % (kLongestValue + 1), bufferSize = 1 + random() % 40;
        const std::size_t count = random() % (bufferSize + 2);
        // On the heap and exactly as long as the value, so that the sanitizer sees any overrun.
        const auto value = std::make_unique<std::uint8_t[]>(length ? length : 1);
        for (std::size_t b = 0; b < length; ++b)
            value[b] = static_cast<std::uint8_t>(random());
        Bytes block(random() % 40, 0xAA);
        const Bytes before = block;
        const bool landed = LandValue({value.get(), length}, bufferSize, count, block);
        SCOPED_TRACE("step " + std::to_string(step));
        ASSERT_EQ(length <= bufferSize && count <= bufferSize, landed);
        if (!landed) {
            EXPECT_EQ(before, block) << "a failed read changed the block";
            continue;
        }
        ASSERT_GE(block.size(), count);
        for (std::size_t b = 0; b < block.size(); ++b)
            EXPECT_EQ(b < count ? (b < length ? value[b] : 0) : before[b], block[b]) << "byte " << b;
    }
}

// Every pair of stored bytes, and every code a box could hold: what the pages make of them.
TEST(StoredBytes, EveryKindAndValueIsReadBoundedAndWhatIsStoredBackIsWellFormed)
{
    for (unsigned code = 0; code <= 0xFFFF; ++code) {
        const auto c = static_cast<std::uint16_t>(code);
        const char* name = KeyNameOf(c);
        ASSERT_LT(std::char_traits<char>::length(name), static_cast<std::size_t>(kKeyNameSize));
        const std::uint16_t valid = ValidCode(c);
        ASSERT_EQ(valid, ValidCode(valid));
        ASSERT_TRUE(valid >> 8 == 0 || ((valid >> 8) <= kMouseActionCount && (valid & 0xFF) == 0)) << std::hex << code;
        for (const bool extended : {false, true}) {
            const std::uint8_t scan = static_cast<std::uint8_t>(code * 31 + (extended ? 7 : 0));
            const CStoredBinding binding = StoredBindingOf(valid, scan, extended);
            ASSERT_TRUE(IsStorableBinding(binding.kind, binding.value))
                << std::hex << "code " << code << " scan " << int(scan) << " gives " << int(binding.kind) << "/"
                << int(binding.value);
        }
    }
    int storable = 0;
    for (unsigned kind = 0; kind < 256; ++kind) {
        for (unsigned value = 0; value < 256; ++value) {
            const bool ok = IsStorableBinding(static_cast<std::uint8_t>(kind), static_cast<std::uint8_t>(value));
            storable += ok;
            if (!ok)
                continue;
            EXPECT_TRUE(kind == kBindNone || kind == kBindKey || kind == kBindMouse || kind == kBindExtendedKey);
            EXPECT_NE(0xFFu, value) << "a KeyMap byte of 0xFF";
            EXPECT_EQ(kind,
                      static_cast<unsigned>(KeyConfigByteForKind(KeyConfigKindOf(static_cast<std::uint8_t>(kind)))))
                << "the setter stores the kind it is given";
        }
        // The General page's keystroke radios read every byte as one of the three, and
        // writing a radio back reads as the same radio.
        const int mode = KeystrokeModeFromByte(static_cast<std::uint8_t>(kind));
        ASSERT_TRUE(mode >= 0 && mode <= 2);
        EXPECT_EQ(mode, KeystrokeModeFromByte(KeystrokeByteFromMode(mode)));
    }
    // none, 254 keys, 9 mouse actions, 127 extended keys
    EXPECT_EQ(1 + 254 + 9 + 127, storable);
    EXPECT_EQ(kBindNone, StoredBindingOf(0, 0xFF, false).kind) << "scan code 0xFF";
    EXPECT_EQ(kBindNone, StoredBindingOf(0, 0x60, true).kind) << "an extended scan code that wrapped";
}
