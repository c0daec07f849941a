#pragma once
// The names a key box shows, and the rules of the codes it holds. No Windows header, so the
// rules are also checked on the host under sanitizers.
#include <cstdint>

// 0-255: by virtual-key code; 256-264: mouse actions 1-9 (entry 255 + action). An empty
// entry shows an empty box; entry 0 is the unassigned state.
constexpr int kKeyNameCount = 265;
constexpr int kKeyNameSize = 8;
extern const char g_KeyNames[kKeyNameCount][kKeyNameSize];

// Mouse actions a box can hold (high byte of a combined code).
constexpr unsigned kMouseUp = 1;
constexpr unsigned kMouseDown = 2;
constexpr unsigned kMouseLeft = 3;
constexpr unsigned kMouseRight = 4;
constexpr unsigned kMouseRightButton = 5;
constexpr unsigned kMouseLeftButton = 6;
constexpr unsigned kMouseScrollUp = 7;
constexpr unsigned kMouseScrollDown = 8;
constexpr unsigned kMouseMiddleButton = 9;
constexpr unsigned kMouseActionCount = 9;

// The name of a combined code: high byte a mouse action, else the low byte's virtual key.
// Codes outside the table have the empty name.
const char* KeyNameOf(std::uint16_t code);

// A combined code is valid when it is a virtual key (high byte 0) or a mouse action 1-9 with
// low byte 0; anything else becomes 0.
std::uint16_t ValidCode(std::uint16_t code);

// The left Ctrl and Alt codes name the right keys when the key is an extended one: the
// system's scan-code mapping returns the left code for both.
std::uint16_t SidedVirtualKey(std::uint16_t virtualKey, bool extended);

// The virtual key of a numeric-keypad (or Pause) scan code, which the system's mapping would
// give as the navigation key sharing it; 0 for every other scan code.
std::uint8_t NumpadVirtualKey(std::uint8_t scanCode);

// F13-F24, keys no keyboard of a person has: a pad button bound to one of them gives a key that
// only the pad sends. Their scan codes are fixed (set 1: 0x64-0x6E, then 0x76 for F24, none
// extended), so they are stored and named without the system's keyboard mapping, which knows
// them only where the keyboard has them.
constexpr std::uint8_t kFirstFunctionKey = 0x7C;  // VK_F13
constexpr int kFunctionKeyCount = 12;
// The scan code of F13-F24 by virtual key; 0 for every other key.
std::uint8_t FunctionKeyScanCode(std::uint8_t virtualKey);
// The virtual key of an F13-F24 scan code; 0 for every other scan code.
std::uint8_t FunctionKeyVirtualKey(std::uint8_t scanCode);

// The byte pair the driver reads for one box: KeyConfig kind (0 none, 1 key, 2 mouse,
// 4 extended key) and KeyMap value (scan code, scan code + 0x80, or mouse action).
struct CStoredBinding
{
    std::uint8_t kind;
    std::uint8_t value;
};
// A pair the driver can act on: kind 0 with value 0, a key's scan code, an extended key's
// scan code + 0x80, or a mouse action 1-9; never a value of 0xFF.
bool IsStorableBinding(std::uint8_t kind, std::uint8_t value);
// Anything but a storable pair becomes "nothing assigned".
CStoredBinding StoredBindingOf(std::uint16_t code, std::uint8_t scanCode, bool extended);
// The kind argument of the model's SetKeyConfig that stores `storedKind`.
int KeyConfigKindOf(std::uint8_t storedKind);
