#pragma once
// The arithmetic of the force test: where the right stick puts the marker, how the marker is
// held inside the square and caught at the centre, and the constant force that follows from
// it. Free of Windows headers, so the host build checks it under sanitizers.
#include <cmath>
#include <cstdint>

namespace forcetest
{
struct CPosition
{
    int x = 0;
    int y = 0;
};

constexpr int kCentre = 190;          // marker position of a centred stick
constexpr int kMargin = 30;           // margin of the square, in pixels
constexpr int kInitialBoxSize = 500;  // extent of the square until the dialog first paints
constexpr int kClampInset = 5;        // the marker stays this far inside the margin
constexpr int kTravel = 320;          // pixels the full axis range 0-65535 spans
constexpr int kAxisRange = 65535;
constexpr int kSnapLow = 180;  // above this and at most kSnapHigh counts as centred
constexpr int kSnapHigh = 200;
constexpr long kMaxForce = 10000;
constexpr int kFullForceDistance = 160;  // 20000 per 160 pixels: full force 80 pixels out

// a * b / c in 64 bits, rounded to the nearest integer with halves away from zero; -1 when
// c is 0 or the result does not fit, as the system's MulDiv answers.
constexpr int MulDivRound(int a, int b, int c)
{
    if (c == 0)
        return -1;
    if (c < 0) {
        a = -a;
        c = -c;
    }
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t result = product >= 0 ? (product + c / 2) / c : (product - c / 2) / c;
    if (result > 2147483647LL || result < -2147483647LL)
        return -1;
    return static_cast<int>(result);
}

// Marker coordinate of one stick axis (0-65535 maps to 30-350, 32767 to 190).
constexpr int AxisToPosition(long axis)
{
    return MulDivRound(static_cast<int>(axis), kTravel, kAxisRange) + kMargin;
}

constexpr int ClampCoordinate(int value, int low, int high)
{
    if (value <= low)
        return low;
    if (value >= high)
        return high;
    return value;
}

// Holds the marker inside the square whose extent is `boxSize`.
constexpr CPosition ClampPosition(CPosition position, int margin, int boxSize)
{
    const int low = margin + kClampInset;
    const int high = boxSize - margin - kClampInset;
    position.y = ClampCoordinate(position.y, low, high);
    position.x = ClampCoordinate(position.x, low, high);
    return position;
}

constexpr int SnapCoordinate(int value)
{
    return value > kSnapLow && value <= kSnapHigh ? kCentre : value;
}

// A stick resting near the centre counts as centred, so a pad at rest feels no force.
constexpr CPosition SnapToCentre(CPosition position)
{
    position.x = SnapCoordinate(position.x);
    position.y = SnapCoordinate(position.y);
    return position;
}

// What the progress bars show: the distance of each coordinate from the centre.
constexpr int BarValue(int coordinate)
{
    return coordinate > kCentre ? coordinate - kCentre : kCentre - coordinate;
}

// One force component (-10000 to 10000) of a marker coordinate.
constexpr long ForceOf(int coordinate)
{
    const long force = MulDivRound(coordinate - kCentre, 2 * static_cast<int>(kMaxForce), kFullForceDistance);
    return force > kMaxForce ? kMaxForce : (force < -kMaxForce ? -kMaxForce : force);
}

// The direction pair sent with the effect: 1 for a positive component, else 0.
constexpr long DirectionOf(long force)
{
    return force > 0 ? 1 : 0;
}

// Length of the force vector, truncated toward zero (0 to 14142).
inline long MagnitudeOf(long forceX, long forceY)
{
    const double x = static_cast<double>(forceX);
    const double y = static_cast<double>(forceY);
    return static_cast<long>(std::sqrt(x * x + y * y));
}
}
