#include "keys/KeyNames.h"

#include "settings/SettingsLayout.h"

// Every code without a name is empty.
const char g_KeyNames[kKeyNameCount][kKeyNameSize] = {
    // 0x00
    "",
    "L-Btn",
    "R-Btn",
    "Cancel",
    "M-Btn",
    "",
    "",
    "",
    "Back",
    "Tab",
    "",
    "",
    "Clear",
    "Enter",
    "",
    "",
    // 0x10
    "Shift",
    "Ctrl",
    "Alt",
    "Pause",
    "Caps Lk",
    "Hangul",
    "",
    "Junja",
    "Final",
    "Hanja",
    "",
    "Esc",
    "Convert",
    "N-Cnvt",
    "Accept",
    "Mode",
    // 0x20
    "Space",
    "Pg Up",
    "Pg Dn",
    "End",
    "Home",
    "Left",
    "Up",
    "Right",
    "Down",
    "Select",
    "Print",
    "Exec",
    "Prt Sc",
    "Ins",
    "Del",
    "Help",
    // 0x30
    "0",
    "1",
    "2",
    "3",
    "4",
    "5",
    "6",
    "7",
    "8",
    "9",
    "",
    "",
    "",
    "",
    "",
    "",
    // 0x40
    "",
    "A",
    "B",
    "C",
    "D",
    "E",
    "F",
    "G",
    "H",
    "I",
    "J",
    "K",
    "L",
    "M",
    "N",
    "O",
    // 0x50
    "P",
    "Q",
    "R",
    "S",
    "T",
    "U",
    "V",
    "W",
    "X",
    "Y",
    "Z",
    "L-Win",
    "R-Win",
    "App",
    "",
    "",
    // 0x60
    "Num 0",
    "Num 1",
    "Num 2",
    "Num 3",
    "Num 4",
    "Num 5",
    "Num 6",
    "Num 7",
    "Num 8",
    "Num 9",
    "Num *",
    "Num +",
    "Num Sep",
    "Num -",
    "Num .",
    "Num /",
    // 0x70
    "F1",
    "F2",
    "F3",
    "F4",
    "F5",
    "F6",
    "F7",
    "F8",
    "F9",
    "F10",
    "F11",
    "F12",
    "F13",
    "F14",
    "F15",
    "F16",
    // 0x80
    "F17",
    "F18",
    "F19",
    "F20",
    "F21",
    "F22",
    "F23",
    "F24",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    // 0x90
    "Num Lk",
    "Scr Lk",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    // 0xA0
    "L-Shift",
    "R-Shift",
    "L-Ctrl",
    "R-Ctrl",
    "L-Alt",
    "R-Alt",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    // 0xB0
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    ";",
    "=",
    ",",
    "-",
    ".",
    "/",
    // 0xC0
    "`",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    // 0xD0
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "[",
    "\\",
    "]",
    "'",
    "",
    // 0xE0
    "",
    "",
    "",
    "",
    "",
    "Proc",
    "",
    "",
    "",
    "",
    "R-Win",
    "",
    "",
    "",
    "",
    "",
    // 0xF0
    "",
    "L-Win",
    "",
    "",
    "",
    "",
    "Attn",
    "Crsel",
    "Exsel",
    "Ereof",
    "Play",
    "Zoom",
    "Noname",
    "PA1",
    "OEM Clr",
    "",
    // mouse actions 1-9
    "M-Up",
    "M-Down",
    "M-Left",
    "M-Right",
    "R-Btn",
    "L-Btn",
    "Scr Up",
    "Scr Dn",
    "M-Btn",
};

const char* KeyNameOf(std::uint16_t code)
{
    const unsigned action = code >> 8;
    const unsigned entry = action ? 255 + action : code;
    return entry < static_cast<unsigned>(kKeyNameCount) ? g_KeyNames[entry] : "";
}

std::uint16_t ValidCode(std::uint16_t code)
{
    const unsigned action = code >> 8;
    if (action == 0)
        return code;
    return (action <= kMouseActionCount && (code & 0xFF) == 0) ? code : 0;
}

std::uint16_t SidedVirtualKey(std::uint16_t virtualKey, bool extended)
{
    constexpr std::uint16_t kLeftControl = 0xA2;
    constexpr std::uint16_t kLeftAlt = 0xA4;
    if (extended && (virtualKey == kLeftControl || virtualKey == kLeftAlt))
        return static_cast<std::uint16_t>(virtualKey + 1);
    return virtualKey;
}

std::uint8_t NumpadVirtualKey(std::uint8_t scanCode)
{
    struct CPair
    {
        std::uint8_t scanCode;
        std::uint8_t virtualKey;
    };
    static constexpr CPair kKeypad[] = {
        {0x45, 0x13}, {0x47, 0x67}, {0x48, 0x68}, {0x49, 0x69}, {0x4A, 0x6D}, {0x4B, 0x64}, {0x4C, 0x65},
        {0x4D, 0x66}, {0x4E, 0x6B}, {0x4F, 0x61}, {0x50, 0x62}, {0x51, 0x63}, {0x52, 0x60}, {0x53, 0x6E},
    };
    for (const CPair& pair : kKeypad) {
        if (pair.scanCode == scanCode)
            return pair.virtualKey;
    }
    return 0;
}

namespace
{
constexpr std::uint8_t kFunctionKeyScanCodes[kFunctionKeyCount] = {0x64, 0x65, 0x66, 0x67, 0x68, 0x69,
                                                                   0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x76};
}

std::uint8_t FunctionKeyScanCode(std::uint8_t virtualKey)
{
    const int k = virtualKey - kFirstFunctionKey;
    return (k >= 0 && k < kFunctionKeyCount) ? kFunctionKeyScanCodes[k] : 0;
}

std::uint8_t FunctionKeyVirtualKey(std::uint8_t scanCode)
{
    for (int k = 0; k < kFunctionKeyCount; ++k) {
        if (kFunctionKeyScanCodes[k] == scanCode)
            return static_cast<std::uint8_t>(kFirstFunctionKey + k);
    }
    return 0;
}

bool IsStorableBinding(std::uint8_t kind, std::uint8_t value)
{
    constexpr std::uint8_t kNeverStored = 0xFF;
    switch (kind) {
    case kBindNone: return value == 0;
    case kBindKey: return value != 0 && value != kNeverStored;
    case kBindMouse: return value >= 1 && value <= kMouseActionCount;
    case kBindExtendedKey: return value >= 0x80 && value != kNeverStored;
    default: return false;
    }
}

CStoredBinding StoredBindingOf(std::uint16_t code, std::uint8_t scanCode, bool extended)
{
    // The scan code, not the virtual key, is what the driver sends; a box is emptied together
    // with its scan code, so an empty box stores nothing. A stored key that this keyboard
    // layout has no virtual key for shows empty but keeps its scan code, and is kept.
    const unsigned action = code >> 8;
    CStoredBinding binding = {kBindNone, 0};
    if (action)
        binding = {kBindMouse, static_cast<std::uint8_t>(action)};
    else if (scanCode != 0)
        binding = {extended ? kBindExtendedKey : kBindKey, scanCode};
    // A scan code that wrapped past 0xFF, or one the driver reserves, must not reach it.
    return IsStorableBinding(binding.kind, binding.value) ? binding : CStoredBinding{kBindNone, 0};
}

int KeyConfigKindOf(std::uint8_t storedKind)
{
    switch (storedKind) {
    case kBindMouse: return 0;
    case kBindKey: return 1;
    case kBindExtendedKey: return 4;
    default: return 3;
    }
}
