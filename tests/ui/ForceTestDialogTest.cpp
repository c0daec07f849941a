// "Force Test" on a simulated pad: the stick moved through DirectInput state as a hand moves
// it, the constant force the pad receives, the settings switched off and put back, failures.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>

#include "controllertest/DialogFF.h"
#include "controllertest/ForceMath.h"
#include "framework/Dpi.h"
#include "resource.h"
#include "settings/Setting.h"
#include "support/DemoProcess.h"
#include "ui/PadFixture.h"
#include "ui/UiHelpers.h"

namespace
{
constexpr DWORD kUpdateFlags = DIEP_DIRECTION | DIEP_TYPESPECIFICPARAMS | DIEP_GAIN | DIEP_START;

struct ForceTestFixture : PadFixture
{
    CDialogFF* dialog = CDialogFF::GetInstance();

    // Opens the dialog modally on this thread while `steps` act on it from a second thread.
    void RunDialog(const std::function<void(HWND)>& steps)
    {
        CWindowDriver driver("Force Test", [&](HWND window) {
            if (!window)
                return;
            steps(window);
            if (::IsWindow(window))
                ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        });
        dialog->DoModal(nullptr);
        EXPECT_TRUE(driver.Found()) << "the dialog never showed";
    }

    std::vector<CSimEffectEvent> Updates() const
    {
        std::vector<CSimEffectEvent> updates;
        for (const auto& event : pad->EffectEvents())
            if (event.what == "set" && event.parameterFlags == kUpdateFlags)
                updates.push_back(event);
        return updates;
    }

    // Waits until the latest update sends this force.
    bool WaitForForce(LONG magnitude, LONG first, LONG second) const
    {
        return WaitUntil(
            [&] {
                const auto updates = Updates();
                return !updates.empty() && updates.back().magnitude == magnitude &&
                       updates.back().direction == std::vector<LONG>{first, second};
            },
            3000);
    }

    static int BarPos(HWND window, int which)
    {
        HWND bar = ::FindWindowExA(window, nullptr, PROGRESS_CLASSA, nullptr);
        if (which == 1)
            bar = ::FindWindowExA(window, bar, PROGRESS_CLASSA, nullptr);
        return static_cast<int>(::SendMessageA(bar, PBM_GETPOS, 0, 0));
    }

    static std::string Text(HWND window, int id)
    {
        char text[64] = {};
        ::GetDlgItemTextA(window, id, text, sizeof text);
        return text;
    }
};

double Milliseconds(LONGLONG from, LONGLONG to)
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to - from) / static_cast<double>(frequency.QuadPart);
}

// The stick value whose marker coordinate is `position` (30-350).
LONG AxisFor(int position)
{
    return static_cast<LONG>(((position - 30) * 65535 + 160) / 320);
}
}

TEST_F(ForceTestFixture, StickDrivesTheForceAndEveryWayOfClosingRestoresTheSettings)
{
    PlugAndLoad();
    const struct
    {
        const char* how;
        UINT message;
        WPARAM wParam;
    } closers[] = {
        {"OK", WM_COMMAND, IDOK}, {"Cancel", WM_COMMAND, IDCANCEL}, {"system menu", WM_SYSCOMMAND, SC_CLOSE}};
    bool first = true;
    for (const auto& closer : closers) {
        SCOPED_TRACE(closer.how);
        Centre();
        const std::size_t reloads = pad->ReloadCount();
        RunDialog([&](HWND window) {
            ASSERT_TRUE(WaitForReload(reloads)) << "opening sent no reload";
            EXPECT_TRUE(IsNeutral(LastReload())) << "the driver still translates while the test runs";
            EXPECT_TRUE(IsNeutral(KeyValues(pad->KeyPath())));
            const CSimDeviceSettings settings = pad->Settings();
            EXPECT_EQ(sizeof(DIJOYSTATE2), settings.dataFormatSize);
            EXPECT_EQ(DWORD(DISCL_EXCLUSIVE | DISCL_BACKGROUND), settings.cooperativeFlags);
            EXPECT_EQ(window, settings.cooperativeWindow);
            EXPECT_EQ(DWORD(DIPROPAUTOCENTER_OFF), settings.autoCenter);
            EXPECT_EQ(DWORD(DIPROPCALIBRATIONMODE_COOKED), settings.calibrationMode);
            EXPECT_TRUE(WaitUntil([&] { return pad->Settings().acquired == 1; }, 2000)) << "never acquired";
            ASSERT_TRUE(WaitForForce(0, 0, 0)) << "a centred stick sends no force";
            if (!first) {
                ::PostMessageA(window, closer.message, closer.wParam, 0);
                return;
            }
            // The effect is made with nothing to send, and updated only after 100 ms.
            const auto effects = pad->EffectEvents();
            ASSERT_FALSE(effects.empty());
            EXPECT_EQ("create", effects.front().what);
            const auto updates = Updates();
            // The dialog's clock counts whole milliseconds; the pad's is finer.
            EXPECT_GE(Milliseconds(effects.front().qpc, updates.front().qpc), 98.0);
            for (const auto& update : updates) {
                EXPECT_EQ(1u, update.gain);
                EXPECT_EQ(INFINITE, update.duration);
            }

            Move([](DIJOYSTATE2& s) { s.lRz = s.lZ = 65535; });
            EXPECT_TRUE(WaitForForce(14142, 1, 1)) << "full right and down";
            EXPECT_EQ("X: 350", Text(window, IDC_FF_RAW_X)) << "read-outs show the position before clamping";
            EXPECT_EQ("Y: 350", Text(window, IDC_FF_RAW_Y));
            RECT client;
            ::GetClientRect(window, &client);
            EXPECT_EQ(150, BarPos(window, 0)) << "the bar ends at 150";
            // After the first paint the square, and the upper clamp, follow the client width,
            // counted in 96-DPI units like the marker position.
            EXPECT_EQ(ScaleFromDpi(client.right, SystemDpi()), dialog->m_nBoxSize);
            EXPECT_EQ(std::to_string(client.right), Text(window, IDC_FF_CLIENT_WIDTH));
            Move([](DIJOYSTATE2& s) { s.lZ = AxisFor(300); });
            EXPECT_TRUE(WaitUntil([&] { return BarPos(window, 1) == 110; }, 3000)) << BarPos(window, 1);
            Move([](DIJOYSTATE2& s) { s.lZ = 65535; });

            Move([](DIJOYSTATE2& s) {
                s.lRz = 0;
                s.lZ = 32767;
            });
            EXPECT_TRUE(WaitForForce(10000, 0, 0)) << "full left: -10000, direction 0";
            EXPECT_EQ("X: 30", Text(window, IDC_FF_RAW_X));
            EXPECT_EQ(150, BarPos(window, 0)) << "held at 35, 155 from the centre";

            Move([](DIJOYSTATE2& s) { s.lRz = AxisFor(180); });
            EXPECT_TRUE(WaitForForce(1250, 0, 0)) << "180 is not caught at the centre";
            for (int position : {181, 200}) {
                Move([&](DIJOYSTATE2& s) { s.lRz = AxisFor(position); });
                EXPECT_TRUE(
                    WaitUntil([&] { return Text(window, IDC_FF_RAW_X) == "X: " + std::to_string(position); }, 3000));
                EXPECT_TRUE(WaitForForce(0, 0, 0)) << position << " is caught at the centre";
            }

            ::SendMessageA(::GetDlgItem(window, IDC_FF_RAW_DATA), BM_CLICK, 0, 0);
            EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(window, IDC_FF_RAW_X)));
            EXPECT_EQ("7843", Text(window, IDC_FF_FORCE_LIMIT)) << "MulDiv(200, 10000, 255)";
            Move([](DIJOYSTATE2& s) {
                s.lRz = 52000;
                s.lZ = 20000;
            });
            EXPECT_TRUE(WaitUntil([&] { return Updates().back().direction == std::vector<LONG>{1, 0}; }, 3000));
            ::Sleep(300);
            SaveScreenshot("force_test");
            ::PostMessageA(window, closer.message, closer.wParam, 0);
        });
        ASSERT_TRUE(WaitForReload(reloads + 1)) << "closing sent no reload";
        EXPECT_EQ(userValues, LastReload()) << "the driver reloads the user's settings";
        EXPECT_EQ(userValues, KeyValues(pad->KeyPath()));
        EXPECT_EQ(0, pad->Settings().acquired);
        const auto effects = pad->EffectEvents();
        ASSERT_GE(effects.size(), 2u);
        EXPECT_EQ("stop", effects[effects.size() - 2].what);
        EXPECT_EQ("release", effects.back().what);
        EXPECT_EQ(reloads + 2, pad->ReloadCount()) << "one neutral reload and one restore per opening";
        if (first) {
            // What the constructor set carries over: the next opening erases here first.
            EXPECT_EQ(forcetest::AxisToPosition(52000), dialog->m_ptPrev.x);
            EXPECT_EQ(forcetest::AxisToPosition(20000), dialog->m_ptPrev.y);
        }
        first = false;
    }
    EXPECT_TRUE(Shown().empty()) << Shown().size() << " boxes, the first: " << Shown().front();
}

TEST_F(ForceTestFixture, UnpluggedDuringTheTestReportsOnceAndPutsTheSettingsBack)
{
    PlugAndLoad();
    const std::size_t reloads = pad->ReloadCount();
    RunDialog([&](HWND) {
        ASSERT_TRUE(WaitForReload(reloads));
        ASSERT_TRUE(WaitForForce(0, 0, 0));
        CSimBench::Get().Unplug(pad->Slot());
        ASSERT_TRUE(WaitUntil([&] { return pad->EffectEvents().back().what == "release"; }, 3000))
            << "the test went on with the pad gone";
        ::Sleep(500);  // further ticks, if any ran, would report again
    });
    EXPECT_EQ(1, CountShown("Game Controller Fail!!")) << Shown().size();
    for (const auto& message : messages.messages()) {
        if (message.text == "Game Controller Fail!!") {
            EXPECT_EQ("Force Test", message.caption);
        }
    }
    // The model has the user's settings again (the pad's key left with the pad).
    EXPECT_EQ(userValues["KeyConfig"], CSetting::GetInstance()->m_KeyConfig);
    EXPECT_EQ(userValues["KeyMap"], CSetting::GetInstance()->m_KeyMap);
    const auto effects = pad->EffectEvents();
    EXPECT_EQ(1, std::count_if(effects.begin(), effects.end(), [](const auto& e) { return e.what == "release"; }))
        << "closing touched the released effect";
}

TEST_F(ForceTestFixture, EachRefusedStepOfThePreparationReportsInOrderAndTheSettingsComeBack)
{
    PlugAndLoad();
    using Field = HRESULT CSimDeviceFaults::*;
    const struct
    {
        const char* step;
        Field field;
        HRESULT result;
        std::vector<std::string> shown;
    } cases[] = {
        {"data format",
         &CSimDeviceFaults::dataFormatResult,
         Code(DIERR_INVALIDPARAM),
         {"[DialogFF] SetdataFormat Fail", "[Kinetra] InitDxinputDev() Fail"}},
        {"cooperative level",
         &CSimDeviceFaults::cooperativeResult,
         Code(E_HANDLE),
         {"[Kinetra] SetCooperativelevel Failed", "[Kinetra] InitDxinputDev() Fail"}},
        {"calibration mode",
         &CSimDeviceFaults::calibrationModeResult,
         Code(DIERR_UNSUPPORTED),
         {"[Kinetra] SetProperty CALIBRATIONMODE FAIL", "[Kinetra] InitDxinputDev() Fail"}},
        {"auto-centre",
         &CSimDeviceFaults::autoCenterResult,
         Code(DIERR_UNSUPPORTED),
         {"[Kinetra] SetProperty AUTOCENTER FAILED", "[Kinetra] InitDxinputDev() Fail"}},
        {"effect, device full",
         &CSimDeviceFaults::createEffectResult,
         Code(DIERR_DEVICEFULL),
         {"[Kinetra] The device is full.", "[Kinetra] CreateForceFeedbackEffect Failed",
          "[Kinetra] InitDxinputDev() Fail"}},
        {"effect, not initialised",
         &CSimDeviceFaults::createEffectResult,
         Code(DIERR_NOTINITIALIZED),
         {"[Kinetra] The object has not been initialized. ", "[Kinetra] CreateForceFeedbackEffect Failed",
          "[Kinetra] InitDxinputDev() Fail"}},
        {"effect, other cause",
         &CSimDeviceFaults::createEffectResult,
         Code(DIERR_UNSUPPORTED),
         {"[Kinetra] CreateForceFeedbackEffect Failed", "[Kinetra] InitDxinputDev() Fail"}},
        {"acquire answers 1",
         &CSimDeviceFaults::acquireResult,
         S_FALSE,
         {"[Kinetra] the Game Controller has already been Acquire!!"}},
        {"acquire, other application",
         &CSimDeviceFaults::acquireResult,
         Code(DIERR_OTHERAPPHASPRIO),
         {std::string("[Kinetra] ") + kOtherAppHasPriorityText}},
    };
    for (const auto& step : cases) {
        SCOPED_TRACE(step.step);
        CSimBench::Get().ResetFaults();
        CSimBench::Get().Faults().device.*step.field = step.result;
        const std::size_t shownBefore = messages.messages().size();
        const std::size_t reloads = pad->ReloadCount();
        const std::size_t updates = Updates().size();
        RunDialog([&](HWND) {
            ASSERT_TRUE(WaitForReload(reloads));
            EXPECT_TRUE(IsNeutral(LastReload())) << "the settings stay neutral until the dialog closes";
            ::Sleep(400);
        });
        std::vector<std::string> shown = Shown();
        shown.erase(shown.begin(), shown.begin() + static_cast<std::ptrdiff_t>(shownBefore));
        EXPECT_EQ(step.shown, shown);
        // The force is updated only where the preparation went through and the pad was acquired.
        EXPECT_EQ(step.result == S_FALSE, Updates().size() > updates);
        ASSERT_TRUE(WaitForReload(reloads + 1));
        EXPECT_EQ(userValues, LastReload());
        EXPECT_EQ(userValues, KeyValues(pad->KeyPath()));
    }
}
