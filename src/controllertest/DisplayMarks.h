#pragma once
// Where the Display page marks live input on the controller picture, and which icon of the
// macro row an event of the DirectInput buffer draws. Free of Windows headers, so the host
// build checks it under sanitizers.
#include <cstdint>

namespace displaymarks
{
// A rectangle of the picture, origin at its top-left corner.
struct CMark
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

constexpr long kAxisLow = 15000;   // below: the low mark
constexpr long kAxisHigh = 50000;  // above: the high mark
constexpr int kButtons = 12;

enum EAxis {
    kAxisX = 0,   // left stick, horizontal
    kAxisY = 1,   // left stick, vertical
    kAxisRz = 2,  // right stick, horizontal
    kAxisZ = 3,   // right stick, vertical
    kAxes = 4
};

struct CAxisMarks
{
    CMark low;
    CMark high;
};

// The rectangles follow the controller picture the program ships (290 and its pressed twin
// 189, which differ only there): the stick patches on the skirts of the two sticks, the arms
// of the direction pad, and the buttons where the Button page marks them. Low on a vertical
// axis is up.
constexpr CAxisMarks kAxisMarks[kAxes] = {
    {{128, 148, 10, 10}, {156, 148, 10, 10}},  // left stick left / right
    {{142, 134, 10, 10}, {142, 162, 10, 10}},  // left stick up / down
    {{232, 148, 10, 10}, {258, 148, 10, 10}},  // right stick left / right
    {{245, 134, 10, 10}, {245, 162, 10, 10}},  // right stick up / down
};

constexpr CMark kButtonMarks[kButtons] = {
    {294, 56, 30, 30}, {325, 86, 30, 30}, {294, 113, 30, 30}, {262, 84, 30, 30},  {70, 28, 18, 14},  {281, 26, 18, 14},
    {94, 28, 18, 14},  {310, 28, 18, 14}, {139, 145, 16, 16}, {242, 145, 16, 16}, {151, 90, 22, 15}, {221, 91, 24, 14},
};

// The direction pad's four arms.
constexpr CMark kHatUp{76, 61, 25, 28};
constexpr CMark kHatRight{99, 87, 28, 25};
constexpr CMark kHatDown{76, 110, 25, 28};
constexpr CMark kHatLeft{50, 87, 28, 25};

// The mark of one axis value; false when the value lies in 15000-50000 and marks nothing.
constexpr bool AxisMark(int axis, long value, CMark& mark)
{
    if (axis < 0 || axis >= kAxes)
        return false;
    if (value < kAxisLow) {
        mark = kAxisMarks[axis].low;
        return true;
    }
    if (value > kAxisHigh) {
        mark = kAxisMarks[axis].high;
        return true;
    }
    return false;
}

// The patches of a hat value (hundredths of a degree clockwise from up): one for a straight
// direction, both neighbours for a diagonal, none when centred. Returns how many.
constexpr int HatMarks(std::uint32_t pov, CMark marks[2])
{
    switch (pov) {
    case 0: marks[0] = kHatUp; return 1;
    case 4500:
        marks[0] = kHatUp;
        marks[1] = kHatRight;
        return 2;
    case 9000: marks[0] = kHatRight; return 1;
    case 13500:
        marks[0] = kHatRight;
        marks[1] = kHatDown;
        return 2;
    case 18000: marks[0] = kHatDown; return 1;
    case 22500:
        marks[0] = kHatDown;
        marks[1] = kHatLeft;
        return 2;
    case 27000: marks[0] = kHatLeft; return 1;
    case 31500:
        marks[0] = kHatLeft;
        marks[1] = kHatUp;
        return 2;
    default: return 0;
    }
}

// The macro row: at most 30 icons of 16 x 16 pixels, from x = 17, 30 pixels above the bottom.
constexpr int kRowSlots = 30;
constexpr int kRowLeft = 17;
constexpr int kIconSize = 16;
constexpr int kRowFromBottom = 30;
constexpr int kRowRight = kRowLeft + kIconSize * kRowSlots;  // 497: the right edge of the last slot

constexpr std::uint32_t kFirstButtonOffset = 48;  // buttons 1-8 in the joystick formats
constexpr std::uint32_t kLastButtonOffset = 55;
constexpr std::uint32_t kHatOffset = 32;  // the first hat
constexpr int kFirstHatIcon = 8;
constexpr int kIcons = 16;

// The icon of a press of buttons 1-8 (data bit 7 set); -1 for anything else.
constexpr int ButtonIcon(std::uint32_t offset, std::uint32_t data)
{
    if (offset < kFirstButtonOffset || offset > kLastButtonOffset || !(data & 0x80))
        return -1;
    return static_cast<int>(offset - kFirstButtonOffset);
}

// The icon of a move of the first hat to one of its eight directions; -1 for anything else,
// centring included.
constexpr int HatIcon(std::uint32_t offset, std::uint32_t data)
{
    if (offset != kHatOffset || data > 31500 || data % 4500 != 0)
        return -1;
    return kFirstHatIcon + static_cast<int>(data / 4500);
}

constexpr int SlotLeft(int slot)
{
    return kRowLeft + kIconSize * slot;
}
}
