// Axis calibration read through DirectInput, and the stick blocks the model fills from it.
#include <gtest/gtest.h>

#include "support/SimFixture.h"

namespace
{
using CalibrationTest = SimFixture;

std::string SystemText(HRESULT result)
{
    char* text = nullptr;
    ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, static_cast<DWORD>(result), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                     reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string copy = text ? text : "";
    if (text)
        ::LocalFree(text);
    return copy;
}

CSimAxisCalibration Axis(LONG minimum, LONG centre, LONG maximum)
{
    CSimAxisCalibration axis;
    axis.minimum = minimum;
    axis.centre = centre;
    axis.maximum = maximum;
    return axis;
}

int Word(const CByteArray& block, int firstByte)
{
    return block[firstByte] | (block[firstByte + 1] << 8);
}

// One programmable pad, discovered, selected and active.
struct ActivePadTest : SimFixture
{
    int slot = 0;

    void Plug(const CSimPadOptions& options)
    {
        slot = Bench().Plug(options);
        ASSERT_TRUE(Discover());
        Model().m_nCurrentDevice = 0;
        Model().SetDeviceActive(1);
    }

    std::shared_ptr<CSimPad> Pad() const { return Bench().Pad(slot); }
};
}

TEST_F(CalibrationTest, ReadCalibrationFillsTheTableOfAllFourAxes)
{
    CSimPadOptions options = CSimBench::Kind("wired");
    options.calibration[0] = Axis(1, 11, 21);
    options.calibration[1] = Axis(2, 12, 22);
    options.calibration[2] = Axis(3, 13, 23);
    options.calibration[3] = Axis(4, 14, 24);
    Bench().Plug(options);
    ASSERT_TRUE(Discover());
    CDIDevice& device = *DeviceAt(0);

    ASSERT_EQ(1, device.ReadCalibration());
    for (int axis = 1; axis <= 4; ++axis) {
        EXPECT_EQ(10 + axis, device.GetCalibration(axis, 0)) << axis;
        EXPECT_EQ(20 + axis, device.GetCalibration(axis, 1)) << axis;
        EXPECT_EQ(axis, device.GetCalibration(axis, 2)) << axis;
        EXPECT_EQ(0, device.GetCalibration(axis, 3)) << axis;
    }
    EXPECT_EQ(21, device.m_lCalibration[1]);
    EXPECT_EQ(1, device.m_lCalibration[6]);
    EXPECT_EQ(11, device.m_lCalibration[11]);
    EXPECT_EQ(static_cast<DWORD>(DIPH_BYOFFSET), device.m_calibProp.diph.dwHow);
    EXPECT_EQ(sizeof(DIPROPCAL), device.m_calibProp.diph.dwSize);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(CalibrationTest, AReadFailingOnAxis3KeepsFreshAxes1And2AndOldAxes3And4)
{
    Bench().Plug("wired");
    ASSERT_TRUE(Discover());
    CDIDevice& device = *DeviceAt(0);
    const auto pad = Bench().Pads().front();
    for (int axis = 1; axis <= 4; ++axis)
        pad->SetCalibration(axis, Axis(100 * axis, 100 * axis + 50, 100 * axis + 90));
    ASSERT_EQ(1, device.ReadCalibration());

    for (int axis = 1; axis <= 4; ++axis)
        pad->SetCalibration(axis, Axis(7000 * axis, 7000 * axis + 500, 7000 * axis + 900));
    pad->SetFailCalibrationAxis(3);
    EXPECT_EQ(0, device.ReadCalibration());

    for (int axis = 1; axis <= 2; ++axis) {
        EXPECT_EQ(7000 * axis + 500, device.GetCalibration(axis, 0));
        EXPECT_EQ(7000 * axis + 900, device.GetCalibration(axis, 1));
        EXPECT_EQ(7000 * axis, device.GetCalibration(axis, 2));
    }
    for (int axis = 3; axis <= 4; ++axis) {
        EXPECT_EQ(100 * axis + 50, device.GetCalibration(axis, 0));
        EXPECT_EQ(100 * axis + 90, device.GetCalibration(axis, 1));
        EXPECT_EQ(100 * axis, device.GetCalibration(axis, 2));
    }
    // The simulated read fails with DIERR_INPUTLOST and leaves ERROR_READ_FAULT (30) as last error.
    const std::string text = SystemText(DIERR_INPUTLOST);
    EXPECT_FALSE(text.empty()) << "Wine has no system text for DIERR_INPUTLOST";
    ASSERT_EQ(1u, messages.messages().size());
    EXPECT_EQ("failed with error 30: " + text, messages.messages()[0].text);
    EXPECT_EQ("Error", messages.messages()[0].caption);
    EXPECT_EQ(nullptr, messages.messages()[0].owner);
}

TEST_F(ActivePadTest, AStickCalibratedAt0_128_255GivesCentre0x80AndThresholds0x40And0xBF)
{
    CSimPadOptions options = CSimBench::Kind("wired");
    options.calibration[2] = Axis(0, 128, 255);  // Z
    options.calibration[3] = Axis(0, 128, 255);  // Rz
    Plug(options);

    Model().SetRightAnalog(1);

    const CByteArray& right = Model().m_RightAnalog;
    EXPECT_EQ(1, right[0]);
    EXPECT_EQ(0x80, right[1]);  // H centre
    EXPECT_EQ(0x00, right[2]);
    EXPECT_EQ(0x40, right[9]);  // H lower threshold
    EXPECT_EQ(0x00, right[10]);
    EXPECT_EQ(0xBF, right[11]);  // H upper threshold
    EXPECT_EQ(0x00, right[12]);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(ActivePadTest, TheLeftStickTakesItsTenWordsFromAxesXAndY)
{
    CSimPadOptions options = CSimBench::Kind("wired");
    options.calibration[0] = Axis(100, 1000, 3000);  // X = H
    options.calibration[1] = Axis(-500, 500, 2501);  // Y = V
    options.calibration[2] = Axis(0, 1, 2);
    options.calibration[3] = Axis(0, 1, 2);
    Plug(options);

    Model().SetLeftAnalog(1);

    const CByteArray& left = Model().m_LeftAnalog;
    EXPECT_EQ(1, left[0]);
    EXPECT_EQ(1000, Word(left, 1));     // H centre
    EXPECT_EQ(500, Word(left, 3));      // V centre
    EXPECT_EQ(0, Word(left, 5));        // V centre - (V centre - V min) / 2
    EXPECT_EQ(1500, Word(left, 7));     // V centre + (2001 / 2 = 1000)
    EXPECT_EQ(550, Word(left, 9));      // H centre - 900 / 2
    EXPECT_EQ(2000, Word(left, 11));    // H centre + 2000 / 2
    EXPECT_EQ(2501, Word(left, 13));    // V maximum
    EXPECT_EQ(0xFE0C, Word(left, 15));  // V minimum -500, low 16 bits
    EXPECT_EQ(3000, Word(left, 17));    // H maximum
    EXPECT_EQ(100, Word(left, 19));     // H minimum
}

TEST_F(ActivePadTest, ModeMinusOneKeepsTheFlagButRefreshesTheWords)
{
    CSimPadOptions options = CSimBench::Kind("wired");
    options.calibration[2] = Axis(0, 128, 255);
    Plug(options);
    Model().m_RightAnalog[0] = 1;
    Model().SetRightAnalog(-1);
    EXPECT_EQ(1, Model().m_RightAnalog[0]);
    EXPECT_EQ(0x80, Model().m_RightAnalog[1]);
    Model().SetRightAnalog(0);
    EXPECT_EQ(0, Model().m_RightAnalog[0]);
}

TEST_F(ActivePadTest, AFailedCalibrationSetsTheFlagAndKeepsTheWords)
{
    CSimPadOptions options = CSimBench::Kind("wired");
    options.failCalibrationAxis = 1;
    Plug(options);
    for (int i = 1; i < 21; ++i)
        Model().m_LeftAnalog[i] = static_cast<std::uint8_t>(i);
    const CByteArray before = Model().m_LeftAnalog;

    Model().SetLeftAnalog(1);

    EXPECT_EQ(1, Model().m_LeftAnalog[0]);
    EXPECT_TRUE(std::equal(before.begin() + 1, before.end(), Model().m_LeftAnalog.begin() + 1));
    ASSERT_EQ(2u, messages.messages().size());
    EXPECT_EQ("Error", messages.messages()[0].caption);
    EXPECT_EQ("SetCurrentAnalogToKey Fail, Please Check!", messages.messages()[1].text);
    EXPECT_EQ("CSetting", messages.messages()[1].caption);
    EXPECT_EQ(nullptr, messages.messages()[1].owner);
}

TEST_F(ActivePadTest, SelectAnalogSetsOneFlagAndRefreshesBothSticks)
{
    CSimPadOptions options = CSimBench::Kind("wired");
    options.calibration[0] = Axis(0, 300, 600);
    options.calibration[2] = Axis(0, 128, 255);
    Plug(options);

    Model().SelectAnalog(1);
    EXPECT_EQ(0, Model().m_LeftAnalog[0]);
    EXPECT_EQ(1, Model().m_RightAnalog[0]);
    EXPECT_EQ(300, Word(Model().m_LeftAnalog, 1));
    EXPECT_EQ(128, Word(Model().m_RightAnalog, 1));
    EXPECT_EQ(1, Model().GetAnalogSelection());

    Model().SelectAnalog(0);
    EXPECT_EQ(1, Model().m_LeftAnalog[0]);
    EXPECT_EQ(0, Model().m_RightAnalog[0]);

    Model().SelectAnalog(-1);
    EXPECT_EQ(0, Model().IsMouseEnabled());

    Model().m_LeftAnalog[0] = 1;
    Model().SelectAnalog(7);  // not a stick: nothing changes
    EXPECT_EQ(1, Model().m_LeftAnalog[0]);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(ActivePadTest, ResetMappingClearsBindingsAndTheMouseStickOnly)
{
    Plug(CSimBench::Kind("wired"));
    for (int index = 0; index < 32; ++index) {
        Model().SetKeyConfig(index, 1);
        Model().SetKeyMap(index, 0x1E);
    }
    Model().SetSensitivity(45, 90, 1);
    Model().SetForceFeedback(1, 200, 1);
    Model().SelectAnalog(0);

    Model().ResetMapping();

    for (int index = 0; index < 28; ++index) {
        EXPECT_EQ(0, Model().m_KeyConfig[index]) << index;
        EXPECT_EQ(0, Model().m_KeyMap[index]) << index;
    }
    for (int index = 28; index < 32; ++index)
        EXPECT_EQ(1, Model().m_KeyConfig[index]) << index;
    EXPECT_EQ(0, Model().IsMouseEnabled());
    EXPECT_EQ(90, Model().GetSensitivity(1));
    EXPECT_EQ(200, Model().GetForceFeedback(0));
    EXPECT_EQ(32767, Word(Model().m_LeftAnalog, 1));  // the stick words still carry the calibration
}
