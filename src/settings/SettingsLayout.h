#pragma once
// Byte rules of the settings blocks that the driver reads. Kept free of <windows.h> so the
// rules can be checked on any host.
#include <cstdint>

constexpr int kDeviceSlots = 6;
constexpr int kInputCount = 32;

// Block sizes of the values the gamepad's driver reads.
constexpr int kAnalogBlockSize = 21;
constexpr int kForceFeedBackSize = 3;
constexpr int kKeyTableSize = 32;
constexpr int kSensitivitySize = 3;

// The values of a pad's key that the driver reads, in the order the program writes them. The
// model reads all but "LALA", the driver's second copy of "LeftAnalog".
struct CDriverValue
{
    const char* name;
    int size;
    bool modelReads;
};
inline constexpr CDriverValue kDriverValues[] = {
    {"KeyConfig", kKeyTableSize, true},          {"KeyMap", kKeyTableSize, true},
    {"Sensitivity", kSensitivitySize, true},     {"RightAnalog", kAnalogBlockSize, true},
    {"ForceFeedBack", kForceFeedBackSize, true}, {"LeftAnalog", kAnalogBlockSize, true},
    {"LALA", kAnalogBlockSize, false},
};

// Values of the "KeyConfig" byte.
enum : std::uint8_t { kBindNone = 0, kBindKey = 1, kBindMouse = 2, kBindExtendedKey = 4 };

// Byte 0 of "Sensitivity" as written for the General page's three keystroke radios.
constexpr std::uint8_t kKeystrokeContinuous = 1;
constexpr std::uint8_t kKeystrokeNormal = 45;
constexpr std::uint8_t kKeystrokeSingle = 255;

struct AxisCalibration
{
    std::int32_t minimum = 0;
    std::int32_t centre = 0;
    std::int32_t maximum = 0;
};

// Kind argument of SetKeyConfig (0 mouse, 1 key, 2 keep, 3 none, 4 extended key) to the
// stored byte; -1 for "keep the byte".
inline int KeyConfigByteForKind(int kind)
{
    switch (kind) {
    case 0: return kBindMouse;
    case 1: return kBindKey;
    case 3: return kBindNone;
    case 4: return kBindExtendedKey;
    default: return -1;
    }
}

// Radio index of the keystroke mode held in byte 0 of "Sensitivity": 0 continuous,
// 1 normal, 2 single. A zero byte (a never-written key) reads as normal.
inline int KeystrokeModeFromByte(std::uint8_t value)
{
    if (value == kKeystrokeSingle)
        return 2;
    if (value >= 1 && value <= 44)
        return 0;
    return 1;
}

// Radio index back to the byte; anything else gives 0.
inline std::uint8_t KeystrokeByteFromMode(int mode)
{
    switch (mode) {
    case 0: return kKeystrokeContinuous;
    case 1: return kKeystrokeNormal;
    case 2: return kKeystrokeSingle;
    default: return 0;
    }
}

// Fills bytes 1..20 of a stick block from its two axes' calibration: ten little-endian
// words, each the low 16 bits of the value. Thresholds sit halfway between centre and the
// ends, with C++'s truncation toward zero; the sums are taken in 64 bits so that a device
// reporting extreme calibration values cannot overflow them.
inline void FillAnalogWords(std::uint8_t* block, const AxisCalibration& hAxis, const AxisCalibration& vAxis)
{
    struct Wide
    {
        std::int64_t minimum, centre, maximum;
    };
    const Wide h{hAxis.minimum, hAxis.centre, hAxis.maximum};
    const Wide v{vAxis.minimum, vAxis.centre, vAxis.maximum};
    const std::int64_t words[10] = {
        h.centre,
        v.centre,
        v.centre - (v.centre - v.minimum) / 2,
        v.centre + (v.maximum - v.centre) / 2,
        h.centre - (h.centre - h.minimum) / 2,
        h.centre + (h.maximum - h.centre) / 2,
        v.maximum,
        v.minimum,
        h.maximum,
        h.minimum,
    };
    for (int i = 0; i < 10; ++i) {
        const auto word = static_cast<std::uint64_t>(words[i]);
        block[1 + 2 * i] = static_cast<std::uint8_t>(word & 0xFF);
        block[2 + 2 * i] = static_cast<std::uint8_t>((word >> 8) & 0xFF);
    }
}
