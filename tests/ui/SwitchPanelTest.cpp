// The switch panel over a window of another process that keeps the front, on Xvfb: where it
// comes up, that it neither takes the front nor the clicks, that lines join, and that it goes.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <thread>

#include "app/SwitchPanel.h"
#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "support/ChildProcess.h"
#include "support/DemoProcess.h"
#include "ui/UiHelpers.h"

namespace
{
// Runs this thread's messages, the panel's timer among them, until `condition` holds.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (MSG msg; !condition() && ::GetTickCount64() < deadline;) {
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageA(&msg);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return condition();
}

// How many pixels of `rect`, as the X server shows the screen, are within `low` to `high` in
// each of red, green and blue.
int CountScreenPixels(const RECT& rect, COLORREF low, COLORREF high)
{
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    DWORD* bits = nullptr;
    const CBitmap shot(MakeSolidBitmap(width, height, 0, &bits));
    const CWindowDC screen(nullptr);
    const CMemDC memory(::CreateCompatibleDC(screen.get()));
    const CSelectObject choice(memory.get(), shot.get());
    ::BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY);
    ::GdiFlush();
    const auto within = [&](DWORD pixel) {
        const BYTE r = static_cast<BYTE>(pixel >> 16), g = static_cast<BYTE>(pixel >> 8), b = static_cast<BYTE>(pixel);
        return GetRValue(low) <= r && r <= GetRValue(high) && GetGValue(low) <= g && g <= GetGValue(high) &&
               GetBValue(low) <= b && b <= GetBValue(high);
    };
    return static_cast<int>(std::count_if(bits, bits + width * height, within));
}
}

TEST(SwitchPanel, QuietOverGamesPresentationsAndABusyUser)
{
    for (auto state : {QUNS_RUNNING_D3D_FULL_SCREEN, QUNS_PRESENTATION_MODE, QUNS_BUSY, QUNS_NOT_PRESENT})
        EXPECT_FALSE(PanelMayShow(state)) << state;
    for (auto state : {QUNS_ACCEPTS_NOTIFICATIONS, QUNS_QUIET_TIME})
        EXPECT_TRUE(PanelMayShow(state)) << state;
    // SHQueryUserNotificationState under Wine answers "accepts notifications" whatever runs, and
    // no full-screen game or presentation can be set up here: the quiet states are shown through
    // the decision alone.
}

TEST(SwitchPanel, ShowsOverTheWindowInFrontWithoutTakingItAndGoes)
{
    const CChildProcess front(CChildProcess::Quoted(CChildProcess::BesideMe("Front.exe")) + " 30000");
    const HWND other = front.WaitForWindow("KinetraTestFront", 10000);
    ASSERT_TRUE(other) << "Front.exe is built beside the tests by the target Front";
    ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == other; }, 5000));
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoA(::MonitorFromWindow(other, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT work = monitor.rcWork;
    // The other program's dark window under the corner where the panel comes up, and a white
    // window of this process, never activated, under the panel's right end: it reads on both.
    ::SetWindowPos(other, nullptr, work.right - 760, work.bottom - 320, 760, 320, SWP_NOACTIVATE | SWP_NOZORDER);
    const RECT white = {work.right - 60, work.bottom - 320, work.right, work.bottom};
    const std::unique_ptr<HWND__, decltype(&::DestroyWindow)> light(
        ::CreateWindowExA(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | SS_WHITERECT, white.left,
                          white.top, 60, 320, nullptr, nullptr, nullptr, nullptr),
        ::DestroyWindow);
    ::SetWindowPos(light.get(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    const int whiteArea = (white.right - white.left) * (white.bottom - white.top);
    ASSERT_TRUE(
        PumpUntil([&] { return CountScreenPixels(white, RGB(250, 250, 250), RGB(255, 255, 255)) == whiteArea; }, 3000));

    CSwitchPanel& panel = CSwitchPanel::Get();
    panel.SetEnabled(true);
    panel.Show("1", "Pad 1: Race1");
    const HWND window = panel.Window();
    ASSERT_TRUE(window && ::IsWindowVisible(window));
    RECT one = {}, two = {}, failed = {};
    ::GetWindowRect(window, &one);
    panel.Show("2", "Pad 2: Race1");
    ::GetWindowRect(window, &two);
    char said[64] = {};
    ::GetWindowTextA(window, said, sizeof said);
    EXPECT_STREQ(said, "Pad 1: Race1\r\nPad 2: Race1") << "the second pad's line joins the first";
    panel.Show("1", "Pad 1: Fly");
    ::GetWindowTextA(window, said, sizeof said);
    EXPECT_STREQ(said, "Pad 2: Race1\r\nPad 1: Fly") << "a pad's new profile takes the place of its last";
    EXPECT_GT(two.bottom - two.top, one.bottom - one.top);
    const LONG styles = WS_EX_TOPMOST | WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
    EXPECT_EQ(::GetWindowLongA(window, GWL_EXSTYLE) & styles, styles);
    EXPECT_EQ(::GetForegroundWindow(), other)
        << "the game keeps the front and the keyboard (the panel is never active)";
    const int reach = ScaleToDpi(48, SystemDpi());
    EXPECT_TRUE(two.left >= work.left && two.top >= work.top && two.right <= work.right && two.bottom <= work.bottom);
    EXPECT_TRUE(work.right - two.right < reach && work.bottom - two.bottom < reach) << "near the bottom-right corner";
    // Asked from another thread, as the system routes a click: the panel's own thread would be
    // answered by its WM_NCHITTEST, other threads only by its styles.
    HWND under = nullptr;
    std::thread([&] { under = ::WindowFromPoint({(two.left + two.right) / 2, (two.top + two.bottom) / 2}); }).join();
    EXPECT_EQ(under, other) << "clicks go through the panel";
    // Over the white window: mostly the dark box, and white text over the dark game.
    const RECT overLight = {white.left, two.top, two.right, two.bottom};
    const int lightArea = (overLight.right - overLight.left) * (overLight.bottom - overLight.top);
    EXPECT_TRUE(PumpUntil([&] { return CountScreenPixels(overLight, 0, RGB(80, 80, 80)) > lightArea / 2; }, 3000));
    EXPECT_GT(CountScreenPixels({two.left, two.top, white.left, two.bottom}, RGB(200, 200, 200), RGB(255, 255, 255)),
              20);
    SaveScreenshot("switch-panel");
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(window); }, 10000)) << "its timer hides it";

    // A failure: the warning sign and colour; a long one wraps within 40 % of the work area.
    panel.Show("1",
               "Race1 was not loaded: The pad is no longer connected. Plug it in again and choose the profile "
               "from the tray menu.",
               true);
    ::GetWindowRect(window, &failed);
    EXPECT_TRUE(PumpUntil([&] { return CountScreenPixels(failed, RGB(200, 120, 0), RGB(255, 230, 130)) > 20; }, 3000));
    EXPECT_LE(failed.right - failed.left, (work.right - work.left) * 40 / 100);
    EXPECT_GT(failed.bottom - failed.top, one.bottom - one.top) << "the long line wraps";
    SaveScreenshot("switch-panel-failed");

    panel.SetEnabled(false);
    EXPECT_FALSE(::IsWindowVisible(window)) << "turning it off takes it away";
    panel.Show("1", "Race2");
    EXPECT_FALSE(::IsWindowVisible(window) || panel.Enabled()) << "off: nothing shows";
    panel.SetEnabled(true);
    front.Terminate();
}
