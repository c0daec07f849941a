// The force test's arithmetic and the Display page's marking rules, on the host under
// sanitizers.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "controllertest/DisplayMarks.h"
#include "controllertest/ForceMath.h"

using namespace forcetest;

TEST(ForceMath, StickToMarkerToForce)
{
    // Centred stick: the marker sits at the centre, nothing pulls.
    const CPosition centred = SnapToCentre(ClampPosition({AxisToPosition(32767), AxisToPosition(32767)}, 30, 500));
    EXPECT_EQ(190, centred.x);
    EXPECT_EQ(190, centred.y);
    EXPECT_EQ(0, BarValue(centred.x));
    EXPECT_EQ(0, ForceOf(centred.x));
    EXPECT_EQ(0, MagnitudeOf(0, 0));
    EXPECT_EQ(0, DirectionOf(0));

    // The whole axis spans 30-350.
    EXPECT_EQ(30, AxisToPosition(0));
    EXPECT_EQ(350, AxisToPosition(65535));

    // 181-200 is caught at the centre; 180 and 201 are not.
    for (int c = 181; c <= 200; ++c)
        EXPECT_EQ(190, SnapCoordinate(c)) << c;
    EXPECT_EQ(180, SnapCoordinate(180));
    EXPECT_EQ(201, SnapCoordinate(201));
    EXPECT_EQ(-1250, ForceOf(180));

    // Full right and down: 20000 clamped to 10000 on both, magnitude truncated.
    EXPECT_EQ(10000, ForceOf(350));
    EXPECT_EQ(14142, MagnitudeOf(10000, 10000));
    EXPECT_EQ(1, DirectionOf(10000));
    // Full left: held at 35, force clamped to -10000, direction 0.
    const CPosition left = ClampPosition({AxisToPosition(0), 190}, 30, 500);
    EXPECT_EQ(35, left.x);
    EXPECT_EQ(-10000, ForceOf(left.x));
    EXPECT_EQ(0, DirectionOf(ForceOf(left.x)));
    EXPECT_EQ(155, BarValue(left.x));
}

TEST(ForceMath, UpperClampFollowsTheBoxSize)
{
    EXPECT_EQ(350, ClampPosition({350, 350}, 30, 500).x) << "465 before the first paint leaves 350 alone";
    EXPECT_EQ(465, ClampPosition({480, 480}, 30, 500).y);
    const CPosition narrow = ClampPosition({350, 350}, 30, 370);
    EXPECT_EQ(335, narrow.x);
    EXPECT_EQ(335, narrow.y);
    // At or below the low bound becomes the bound, also from below zero.
    EXPECT_EQ(35, ClampPosition({-100, 35}, 30, 500).x);
}

TEST(ForceMath, MulDivRoundsHalvesAwayFromZeroAndRefusesWhatDoesNotFit)
{
    EXPECT_EQ(160, MulDivRound(32767, 320, 65535));
    EXPECT_EQ(2, MulDivRound(3, 1, 2));
    EXPECT_EQ(-2, MulDivRound(-3, 1, 2));
    EXPECT_EQ(-2, MulDivRound(3, 1, -2));
    EXPECT_EQ(-1, MulDivRound(5, 5, 0));
    EXPECT_EQ(-1, MulDivRound(INT_MAX, INT_MAX, 1));
    EXPECT_EQ(INT_MIN + 1, MulDivRound(INT_MIN + 1, 1, 1));
}

TEST(DisplayMarks, AxisThresholdsAreExclusive)
{
    using namespace displaymarks;
    CMark mark;
    EXPECT_FALSE(AxisMark(kAxisX, 15000, mark));
    EXPECT_FALSE(AxisMark(kAxisX, 50000, mark));
    ASSERT_TRUE(AxisMark(kAxisX, 14999, mark));
    EXPECT_EQ(128, mark.x) << "the left stick pushed left";
    EXPECT_EQ(148, mark.y);
    EXPECT_EQ(10, mark.width);
    ASSERT_TRUE(AxisMark(kAxisZ, 50001, mark));
    EXPECT_EQ(245, mark.x) << "the right stick pushed down";
    EXPECT_EQ(162, mark.y);
    EXPECT_FALSE(AxisMark(4, 0, mark));
    EXPECT_FALSE(AxisMark(-1, 0, mark));
}

TEST(DisplayMarks, HatDiagonalsMarkBothNeighbours)
{
    using namespace displaymarks;
    CMark marks[2];
    ASSERT_EQ(2, HatMarks(4500, marks));
    EXPECT_EQ(61, marks[0].y) << "up";
    EXPECT_EQ(99, marks[1].x) << "right";
    ASSERT_EQ(2, HatMarks(31500, marks));
    EXPECT_EQ(50, marks[0].x) << "left";
    EXPECT_EQ(61, marks[1].y) << "up";
    EXPECT_EQ(1, HatMarks(18000, marks));
    EXPECT_EQ(0, HatMarks(0xFFFFFFFFu, marks));
    EXPECT_EQ(0, HatMarks(4501, marks));
}

TEST(DisplayMarks, MacroIconsOnlyForPressesAndHatDirections)
{
    using namespace displaymarks;
    EXPECT_EQ(0, ButtonIcon(48, 0x80));
    EXPECT_EQ(7, ButtonIcon(55, 0x80));
    EXPECT_EQ(-1, ButtonIcon(48, 0x00)) << "a release draws nothing";
    EXPECT_EQ(-1, ButtonIcon(56, 0x80)) << "button 9 has no icon";
    EXPECT_EQ(8, HatIcon(32, 0));
    EXPECT_EQ(15, HatIcon(32, 31500));
    EXPECT_EQ(-1, HatIcon(32, 0xFFFFFFFFu)) << "centring draws nothing";
    EXPECT_EQ(-1, HatIcon(36, 0));
    EXPECT_EQ(497, kRowRight);
    EXPECT_EQ(17 + 16 * 29, SlotLeft(29));
}
