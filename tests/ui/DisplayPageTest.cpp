// The "Display" tab of the real sheet on a simulated pad: inputs moved through DirectInput
// state as a hand moves them, marks read back from the page as the screen shows it, the
// macro row, and the user's settings put back whichever way the page is left.
#include <windows.h>

#include <gtest/gtest.h>

#include "controllertest/DisplayMarks.h"
#include "controllertest/PropDisplay.h"
#include "resource.h"
#include "settings/Setting.h"
#include "sheet/PropGeneral.h"
#include "sheet/PropSheet.h"
#include "support/DemoProcess.h"
#include "ui/PadFixture.h"
#include "ui/UiHelpers.h"

namespace
{
using displaymarks::CMark;
constexpr int kPictureTop = 30;

// A picture's pixels, row by row from the top.
struct CPixels
{
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;

    COLORREF At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }

    static CPixels Of(HDC source, int width, int height)
    {
        CPixels result{width, height, std::vector<COLORREF>(static_cast<std::size_t>(width * height))};
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP dib = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HDC memory = ::CreateCompatibleDC(nullptr);
        HGDIOBJ previous = ::SelectObject(memory, dib);
        ::BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
        ::GdiFlush();
        const auto* raw = static_cast<const DWORD*>(bits);
        for (std::size_t i = 0; i < result.pixels.size(); ++i)
            result.pixels[i] = RGB((raw[i] >> 16) & 0xFF, (raw[i] >> 8) & 0xFF, raw[i] & 0xFF);
        ::SelectObject(memory, previous);
        ::DeleteDC(memory);
        ::DeleteObject(dib);
        return result;
    }

    static CPixels OfResource(UINT id)
    {
        HBITMAP bitmap = ::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
        BITMAP info = {};
        ::GetObjectA(bitmap, sizeof info, &info);
        HDC memory = ::CreateCompatibleDC(nullptr);
        HGDIOBJ previous = ::SelectObject(memory, bitmap);
        CPixels result = Of(memory, info.bmWidth, info.bmHeight);
        ::SelectObject(memory, previous);
        ::DeleteDC(memory);
        ::DeleteObject(bitmap);
        return result;
    }

    // What the window shows of its client area.
    static CPixels OfWindow(HWND window)
    {
        RECT client;
        ::GetClientRect(window, &client);
        HDC dc = ::GetDC(window);
        CPixels result = Of(dc, client.right, client.bottom);
        ::ReleaseDC(window, dc);
        return result;
    }
};

bool Inside(const CMark& mark, int x, int y)
{
    return x >= mark.x && x < mark.x + mark.width && y >= mark.y && y < mark.y + mark.height;
}

struct DisplayPageFixture : PadFixture
{
    CPropSheet* sheet = CPropSheet::GetInstance();
    CPropDisplay* page = nullptr;
    int pageIndex = -1;
    CPixels picture = CPixels::OfResource(IDB_PAD);
    CPixels pressed = CPixels::OfResource(IDB_PRESSED);

    void SetUp() override
    {
        PadFixture::SetUp();
        for (int i = 0; i < sheet->GetPageCount(); ++i) {
            if (auto* display = dynamic_cast<CPropDisplay*>(sheet->GetPage(i))) {
                page = display;
                pageIndex = i;
            }
        }
        ASSERT_TRUE(page) << "the sheet has no Display page";
    }

    // Shows the Display page; with a pad, waits for the neutral reload.
    void ShowDisplay(HWND sheetWindow, bool withPad)
    {
        const std::size_t before = withPad ? pad->ReloadCount() : 0;
        ::SendMessageA(sheetWindow, PSM_SETCURSEL, pageIndex, 0);
        if (!withPad)
            return;
        // A reload asked for before (leaving the page a moment ago) may still be on its way
        // and land first: the one to wait for is the neutral one that entering asked for.
        ASSERT_TRUE(WaitUntil([&] { return pad->ReloadCount() > before && IsNeutral(LastReload()); }, 5000))
            << "entering the page sent no neutral reload";
        ASSERT_TRUE(WaitUntil([&] { return pad->Settings().acquired == 1; }, 2000)) << "never acquired";
    }

    static std::string Text(HWND window, int id)
    {
        char text[64] = {};
        ::GetDlgItemTextA(window, id, text, sizeof text);
        return text;
    }

    // A pixel of `mark` where the pressed picture differs from the picture and that no mark
    // of `others` covers; false when the mark has none.
    bool TellingPixel(const CMark& mark, const std::vector<CMark>& others, POINT& at) const
    {
        for (int y = mark.y; y < mark.y + mark.height && y < picture.height; ++y)
            for (int x = mark.x; x < mark.x + mark.width && x < picture.width; ++x) {
                bool covered = false;
                for (const CMark& other : others)
                    covered = covered || Inside(other, x, y);
                if (!covered && picture.At(x, y) != pressed.At(x, y)) {
                    at = {x, y};
                    return true;
                }
            }
        return false;
    }

    // Each of `marked` shows pressed on the page and each of `unmarked` shows as the picture.
    void ExpectMarks(const std::vector<CMark>& marked, const std::vector<CMark>& unmarked) const
    {
        const CPixels shown = CPixels::OfWindow(page->m_hWnd);
        const int x0 = page->m_view.m_placement.x0;
        for (const CMark& mark : marked) {
            POINT at;
            ASSERT_TRUE(TellingPixel(mark, {}, at))
                << "the pressed picture shows nothing at " << mark.x << "," << mark.y;
            EXPECT_EQ(pressed.At(at.x, at.y), shown.At(x0 + at.x, kPictureTop + at.y))
                << "no mark at " << mark.x << "," << mark.y;
        }
        for (const CMark& mark : unmarked) {
            POINT at;
            ASSERT_TRUE(TellingPixel(mark, marked, at)) << mark.x << "," << mark.y;
            EXPECT_EQ(picture.At(at.x, at.y), shown.At(x0 + at.x, kPictureTop + at.y))
                << "a mark at " << mark.x << "," << mark.y;
        }
    }

    // The macro row cell `slot` shows an icon (a pixel other than the button face).
    static bool RowHasIcon(const CPixels& shown, int slot)
    {
        const int top = shown.height - displaymarks::kRowFromBottom;
        const int left = displaymarks::SlotLeft(slot);
        const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
        for (int y = top; y < top + displaymarks::kIconSize; ++y)
            for (int x = left; x < left + displaymarks::kIconSize; ++x)
                if (shown.At(x, y) != face)
                    return true;
        return false;
    }

    static int IconsInRow(HWND window)
    {
        const CPixels shown = CPixels::OfWindow(window);
        int count = 0;
        while (count < displaymarks::kRowSlots && RowHasIcon(shown, count))
            ++count;
        for (int slot = count; slot < displaymarks::kRowSlots; ++slot)
            EXPECT_FALSE(RowHasIcon(shown, slot)) << "slot " << slot << " after a blank one";
        return count;
    }
};
}

TEST_F(DisplayPageFixture, LiveInputIsMarkedWhereThePadShowsAndTheUsersSettingsComeBack)
{
    using namespace displaymarks;
    PlugAndLoad();
    RunSheet(0, [&](HWND sheetWindow, HWND) {
        // The General page's "&Test" opens the force test over the sheet.
        CPropGeneral* general = static_cast<CPropGeneral*>(sheet->GetPage(0));
        ::PostMessageA(::GetDlgItem(general->m_hWnd, IDC_TEST), BM_CLICK, 0, 0);
        HWND forceTest = WaitForOwnWindow("Force Test", 5000);
        ASSERT_TRUE(forceTest) << "&Test opened nothing";
        ::PostMessageA(forceTest, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(forceTest); }, 3000));
        ASSERT_TRUE(WaitUntil([&] { return LastReload() == userValues; }, 3000));

        ShowDisplay(sheetWindow, true);
        HWND window = page->m_hWnd;
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window, IDC_DISPLAY_MACRO)));
        Move([](DIJOYSTATE2& s) {
            s.lX = 14999;  // low
            s.lY = 50001;  // high
            s.lZ = 15000;  // the thresholds themselves mark nothing
            s.lRz = 50000;
            s.rgdwPOV[0] = 4500;
            s.rgbButtons[0] = s.rgbButtons[2] = 0x80;
            s.rgbButtons[12] = 0x80;  // beyond the twelfth: neither listed nor marked
        });
        ASSERT_TRUE(WaitUntil([&] { return Text(window, IDC_DISPLAY_POV2) == "00 02 "; }, 3000))
            << Text(window, IDC_DISPLAY_POV2);
        EXPECT_EQ("14999", Text(window, IDC_DISPLAY_IX));
        EXPECT_EQ("50001", Text(window, IDC_DISPLAY_IY));
        EXPECT_EQ("15000", Text(window, IDC_DISPLAY_IZ));
        EXPECT_EQ("50000", Text(window, IDC_DISPLAY_IRZ));
        EXPECT_EQ("4500", Text(window, IDC_DISPLAY_POV1));
        EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(window, IDC_DISPLAY_IX))) << "the read-outs stay hidden";
        ::Sleep(300);
        const std::vector<CMark> marked = {kAxisMarks[kAxisX].low, kAxisMarks[kAxisY].high, kHatUp, kHatRight,
                                           kButtonMarks[0],        kButtonMarks[2]};
        std::vector<CMark> unmarked = {kAxisMarks[kAxisX].high,
                                       kAxisMarks[kAxisY].low,
                                       kAxisMarks[kAxisZ].low,
                                       kAxisMarks[kAxisZ].high,
                                       kAxisMarks[kAxisRz].low,
                                       kAxisMarks[kAxisRz].high,
                                       kHatDown,
                                       kHatLeft};
        for (int button : {1, 3, 4, 5, 6, 7, 8, 9, 10, 11})
            unmarked.push_back(kButtonMarks[button]);
        ExpectMarks(marked, unmarked);
        SaveScreenshot("display_page_marks");

        // Released, the marks stay until the page is shown again.
        Centre();
        ASSERT_TRUE(WaitUntil([&] { return Text(window, IDC_DISPLAY_POV2).empty(); }, 3000));
        ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        ExpectMarks(marked, {});

        // Leaving for General puts back the exact bytes, once.
        std::size_t before = pad->ReloadCount();
        ::SendMessageA(sheetWindow, PSM_SETCURSEL, 0, 0);
        ASSERT_TRUE(WaitForReload(before));
        ::Sleep(300);
        EXPECT_EQ(before + 1, pad->ReloadCount());
        EXPECT_EQ(userValues, LastReload());
        EXPECT_EQ(userValues, KeyValues(pad->KeyPath()));
        EXPECT_EQ(0, pad->Settings().acquired);

        // Shown again: a clean picture, then the held button marks.
        ShowDisplay(sheetWindow, true);
        Move([](DIJOYSTATE2& s) { s.rgbButtons[1] = 0x80; });
        ASSERT_TRUE(WaitUntil([&] { return Text(window, IDC_DISPLAY_POV2) == "01 "; }, 3000));
        ::Sleep(300);
        ExpectMarks({kButtonMarks[1]}, marked);

        // Apply from this page: the test ends before the sheet saves, so what is saved is the
        // user's own settings; the sheet then activates the page again and a new test starts
        // from them. Leaving after that gives back the same exact bytes.
        before = pad->ReloadCount();
        ::SendMessageA(sheetWindow, WM_COMMAND, MAKEWPARAM(ID_APPLY_NOW, BN_CLICKED), 0);
        ASSERT_TRUE(WaitForReload(before));
        ASSERT_TRUE(
            WaitUntil([&] { return pad->Settings().acquired == 1 && IsNeutral(KeyValues(pad->KeyPath())); }, 3000));
        Move([](DIJOYSTATE2& s) { s.rgbButtons[3] = 0x80; });
        EXPECT_TRUE(WaitUntil([&] { return Text(window, IDC_DISPLAY_POV2) == "01 03 "; }, 3000)) << "not polling";
        before = pad->ReloadCount();
        ::SendMessageA(sheetWindow, PSM_SETCURSEL, 0, 0);
        ASSERT_TRUE(WaitForReload(before));
        ::Sleep(300);
        EXPECT_EQ(userValues, LastReload());
        EXPECT_EQ(userValues, KeyValues(pad->KeyPath())) << "Apply made the neutral values the user's";
        before = pad->ReloadCount();
        ::SendMessageA(sheetWindow, PSM_SETCURSEL, 0, 0);
        ::Sleep(200);
        EXPECT_EQ(before, pad->ReloadCount()) << "one restore per test";
    });
    ASSERT_TRUE(WaitUntil([&] { return LastReload() == userValues; }, 3000)) << "closing left the neutral values";
    EXPECT_EQ(userValues, KeyValues(pad->KeyPath()));
    EXPECT_EQ(0, pad->Settings().acquired);
    EXPECT_TRUE(Shown().empty()) << Shown().front();
}

TEST_F(DisplayPageFixture, DisplayMacroDrawsPressesAndHatMovesAtMostThirty)
{
    PlugAndLoad();
    RunSheet(0, [&](HWND sheetWindow, HWND) {
        ShowDisplay(sheetWindow, true);
        HWND window = page->m_hWnd;
        Click(window, IDC_DISPLAY_MACRO);
        EXPECT_EQ("No. 0", Text(window, IDC_DISPLAY_POV3));
        EXPECT_EQ(0, IconsInRow(window));

        // Twenty presses and releases of one button: 40 events, 20 icons.
        for (int i = 0; i < 20; ++i) {
            Move([](DIJOYSTATE2& s) { s.rgbButtons[0] = 0x80; });
            Move([](DIJOYSTATE2& s) { s.rgbButtons[0] = 0; });
        }
        Click(window, IDC_DISPLAY_MACRO);
        EXPECT_EQ("No. 40", Text(window, IDC_DISPLAY_POV3));
        EXPECT_EQ(20, IconsInRow(window));

        // A hat move and its centring: counted both, one icon; the rest of the row blanks.
        Move([](DIJOYSTATE2& s) { s.rgdwPOV[0] = 9000; });
        Move([](DIJOYSTATE2& s) { s.rgdwPOV[0] = 0xFFFFFFFF; });
        Click(window, IDC_DISPLAY_MACRO);
        EXPECT_EQ("No. 2", Text(window, IDC_DISPLAY_POV3));
        EXPECT_EQ(1, IconsInRow(window));

        // Forty presses of buttons 1-8 in the buffer: all counted, thirty drawn.
        for (int i = 0; i < 40; ++i)
            pad->QueueEvent(DIJOFS_BUTTON(i % 8), 0x80);
        Click(window, IDC_DISPLAY_MACRO);
        EXPECT_EQ("No. 40", Text(window, IDC_DISPLAY_POV3));
        EXPECT_EQ(30, IconsInRow(window));
        // The row survives a repaint of the page.
        ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        // When the page's own poll paints first, it takes this erase, and RedrawWindow returns
        // while that paint still draws the row in order (once seen with 16 of 30).
        EXPECT_TRUE(WaitUntil([&] { return IconsInRow(window) == 30; }, 3000)) << IconsInRow(window);
        SaveScreenshot("display_page_macro");
        // The sheet is closed from this page with the test running.
    });
    ASSERT_TRUE(WaitUntil([&] { return LastReload() == userValues; }, 3000)) << "closing left the neutral values";
    EXPECT_EQ(userValues, KeyValues(pad->KeyPath()));
    EXPECT_EQ(0, pad->Settings().acquired);
    EXPECT_TRUE(Shown().empty()) << Shown().front();
}

TEST_F(DisplayPageFixture, WithoutAPadThePictureShowsAndNothingIsWritten)
{
    RunSheet(0, [&](HWND sheetWindow, HWND) {
        ShowDisplay(sheetWindow, false);
        HWND window = page->m_hWnd;
        ::Sleep(300);
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(window, IDC_DISPLAY_MACRO)));
        EXPECT_EQ(0, IconsInRow(window)) << "an earlier run's row is not shown";
        const CPixels shown = CPixels::OfWindow(window);
        const int x0 = (shown.width - picture.width) / 2;
        EXPECT_EQ(x0, page->m_view.m_placement.x0);
        // The controller's own pixels show at (x0, 30); its black surround shows the page.
        int pad = 0, surround = 0;
        for (int y = 0; y < picture.height; y += 7)
            for (int x = 0; x < picture.width; x += 7) {
                const COLORREF source = picture.At(x, y);
                const COLORREF screen = shown.At(x0 + x, kPictureTop + y);
                if (source != RGB(0, 0, 0)) {
                    EXPECT_EQ(source, screen) << x << "," << y;
                    ++pad;
                } else {
                    EXPECT_NE(RGB(0, 0, 0), screen) << "the surround is transparent at " << x << "," << y;
                    ++surround;
                }
            }
        EXPECT_GT(pad, 100);
        EXPECT_GT(surround, 100);
        EXPECT_EQ(0, page->m_bTesting);
        SaveScreenshot("display_page_no_pad");
    });
    EXPECT_EQ(0, CSetting::GetInstance()->m_bDeviceActive);
    EXPECT_TRUE(Shown().empty()) << Shown().front();
}

TEST_F(DisplayPageFixture, APadUnpluggedWhileThePagePollsStopsTheTestQuietly)
{
    PlugAndLoad();
    RunSheet(0, [&](HWND sheetWindow, HWND) {
        ShowDisplay(sheetWindow, true);
        HWND window = page->m_hWnd;
        CSimBench::Get().Unplug(pad->Slot());
        ::Sleep(600);
        Click(window, IDC_DISPLAY_MACRO);  // the buffer of a pad that is gone: nothing happens
        ::SendMessageA(sheetWindow, PSM_SETCURSEL, 0, 0);
        EXPECT_TRUE(::IsWindow(window));
    });
    // The pad's key went with it; the model's one report of that is all the user sees.
    for (const std::string& shown : Shown())
        EXPECT_EQ("[Error] UpdateDataResgistry Failed!!!", shown);
    EXPECT_LE(Shown().size(), 1u);
    EXPECT_EQ(0, page->m_bTesting);
}

TEST_F(DisplayPageFixture, RefusedStepsReportInOrderAndAnUnreadableStateStopsPolling)
{
    PlugAndLoad();
    using Field = HRESULT CSimDeviceFaults::*;
    const struct
    {
        Field field;
        HRESULT result;
    } cases[] = {
        // Discovery set a format already, so the page still acquires after this one.
        {&CSimDeviceFaults::dataFormatResult, Code(DIERR_INVALIDPARAM)},
        {&CSimDeviceFaults::cooperativeResult, Code(E_HANDLE)},
        {&CSimDeviceFaults::cooperativeResult, Code(DIERR_NOTINITIALIZED)},
        {&CSimDeviceFaults::cooperativeResult, Code(DIERR_GENERIC)},
        {&CSimDeviceFaults::bufferSizeResult, Code(DIERR_UNSUPPORTED)},
        {&CSimDeviceFaults::acquireResult, S_FALSE},
        {&CSimDeviceFaults::acquireResult, Code(DIERR_NOTINITIALIZED)},
        {&CSimDeviceFaults::acquireResult, Code(DIERR_OTHERAPPHASPRIO)},
    };
    const std::vector<std::string> expected = {
        "[PropDisplay] SetdataFormat Fail",
        "[Kinetra] InitDxinputDev() Fail",
        "[Kinetra] The HWND parameter is not a valid top-level window that belongs to the process.",
        "[PropDisplay] SetCooperativelevel Failed",
        "[Kinetra] InitDxinputDev() Fail",
        "[Kinetra] The object has not been initialized.",
        "[PropDisplay] SetCooperativelevel Failed",
        "[Kinetra] InitDxinputDev() Fail",
        "[PropDisplay] SetCooperativelevel Failed",
        "[Kinetra] InitDxinputDev() Fail",
        "[Kinetra] Fail to set the property of the input device !!",
        "[Kinetra] Already Aquire ",
        "[Kinetra]  The object has not been initialized. ",
        std::string("[Kinetra] ") + kOtherAppHasPriorityText,
    };
    std::size_t neutralAfterFailure = 0;
    bool pollingStopped = false, pollingResumed = false;
    RunSheet(0, [&](HWND sheetWindow, HWND) {
        HWND window = nullptr;
        for (const auto& step : cases) {
            // Set while the General page shows: nothing reads the pad's device objects then.
            CSimBench::Get().ResetFaults();
            CSimBench::Get().Faults().device.*step.field = step.result;
            ::SendMessageA(sheetWindow, PSM_SETCURSEL, pageIndex, 0);
            window = page->m_hWnd;
            if (step.field == &CSimDeviceFaults::dataFormatResult)
                neutralAfterFailure = IsNeutral(KeyValues(pad->KeyPath())) ? 1 : 0;
            ::SendMessageA(sheetWindow, PSM_SETCURSEL, 0, 0);
        }
        CSimBench::Get().ResetFaults();

        // A state that cannot be read stops the polling until the page is shown again.
        ShowDisplay(sheetWindow, true);
        Move([](DIJOYSTATE2& s) { s.rgbButtons[4] = 0x80; });
        ASSERT_TRUE(WaitUntil([&] { return Text(window, IDC_DISPLAY_POV2) == "04 "; }, 3000));
        CSimBench::Get().Faults().device.deviceStateResult = Code(DIERR_NOTACQUIRED);
        ::Sleep(300);
        CSimBench::Get().ResetFaults();
        Move([](DIJOYSTATE2& s) { s.rgbButtons[5] = 0x80; });
        ::Sleep(400);
        pollingStopped = Text(window, IDC_DISPLAY_POV2) == "04 ";
        ::SendMessageA(sheetWindow, PSM_SETCURSEL, 0, 0);
        ShowDisplay(sheetWindow, true);
        pollingResumed = WaitUntil([&] { return Text(window, IDC_DISPLAY_POV2) == "04 05 "; }, 3000);
    });
    EXPECT_EQ(expected, Shown());
    EXPECT_EQ(1u, neutralAfterFailure) << "a failed preparation keeps the settings neutral while the page shows";
    EXPECT_TRUE(pollingStopped);
    EXPECT_TRUE(pollingResumed);
    EXPECT_EQ(userValues, KeyValues(pad->KeyPath()));
    EXPECT_TRUE(WaitUntil([&] { return LastReload() == userValues; }, 3000));
}

TEST_F(DisplayPageFixture, ASecondPadChosenBetweenTwoTestsGetsItsOwnBackupAndRestore)
{
    PlugAndLoad();
    const auto second = CSimBench::Get().Pad(CSimBench::Get().Plug("wired"));
    WriteUserSettings(second->KeyPath());
    CSetting::GetInstance()->RefreshDevices();
    ASSERT_EQ(2, CSetting::GetInstance()->m_nDeviceCount);
    const auto choose = [&](int row) {
        HWND general = sheet->GetPage(0)->m_hWnd;
        ChooseRow(::GetDlgItem(general, IDC_DEVICE_LIST), row);
        Click(general, IDC_CONFIG);
    };
    Values secondBefore, secondDuring;
    RunSheet(0, [&](HWND sheetWindow, HWND) {
        ::SendMessageA(sheetWindow, PSM_SETCURSEL, 0, 0);
        choose(0);
        ShowDisplay(sheetWindow, true);
        EXPECT_TRUE(IsNeutral(KeyValues(pad->KeyPath())));
        ::SendMessageA(sheetWindow, PSM_SETCURSEL, 0, 0);
        EXPECT_EQ(userValues, KeyValues(pad->KeyPath()));

        choose(1);
        secondBefore = KeyValues(second->KeyPath());
        ::SendMessageA(sheetWindow, PSM_SETCURSEL, pageIndex, 0);
        secondDuring = KeyValues(second->KeyPath());
        EXPECT_EQ(userValues, KeyValues(pad->KeyPath())) << "the first pad is left alone";
        ::SendMessageA(sheetWindow, PSM_SETCURSEL, 0, 0);
    });
    EXPECT_TRUE(IsNeutral(secondDuring)) << "the second pad's test ran on the second pad";
    Values secondAfter = KeyValues(second->KeyPath());
    EXPECT_FALSE(IsNeutral(secondAfter));
    for (const char* name : {"KeyConfig", "KeyMap", "Sensitivity", "ForceFeedBack"})
        EXPECT_EQ(secondBefore[name], secondAfter[name]) << name;
    EXPECT_EQ(userValues, KeyValues(pad->KeyPath()));
    EXPECT_TRUE(Shown().empty()) << Shown().front();
}
