// Random input on the key boxes of the real sheet (fixed seeds): keys, clicks, double-clicks,
// moves, wheel turns, capture taken away, focus moves and page switches, all posted to the
// boxes so they travel through the sheet's message loop as a person's input does. After every
// step: a box that captures holds the mouse capture, at most one box captures, the cursor
// display count is lowered by exactly the capturing box, and every box shows the name of the
// code it holds, a code the name table has. A failure names its seed and step for replay.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>
#include <random>
#include <sstream>
#include <string>

#include "keys/KeyNames.h"
#include "keys/KeyPage.h"
#include "ui/PadSheetFixture.h"

namespace
{
constexpr int kKeyPages[] = {1, 2};  // Button, Direction Pad and Motion Function
constexpr int kSteps = 250;

enum EOperation {
    kKey,
    kClick,
    kDoubleClick,
    kOtherButton,
    kMove,
    kWheel,
    kCaptureLoss,
    kFocus,
    kPageSwitch,
    kOperations
};
const char* const kOperationNames[] = {"key",   "click",        "double-click", "other button", "move",
                                       "wheel", "capture loss", "focus",        "page switch"};

struct KeyBoxFuzzFixture : CPadSheetFixture
{
    CUiThread ui;  // made here: this thread runs the sheet

    CKeyPage* KeyPage(int page) const { return static_cast<CKeyPage*>(sheet->GetPage(page)); }

    // The box that captures (on any key page), or null.
    CHotKeyEdit* Capturing() const
    {
        for (const int page : kKeyPages) {
            for (CHotKeyEdit& box : KeyPage(page)->m_keys) {
                if (box.m_bCapturing)
                    return &box;
            }
        }
        return nullptr;
    }

    // The invariants, taken on the UI thread so that they hold at one moment; empty when kept.
    std::string Broken(int cursorBefore) const
    {
        std::ostringstream broken;
        ui.Run([&] {
            int capturing = 0;
            for (const int page : kKeyPages) {
                for (const CHotKeyEdit& box : KeyPage(page)->m_keys) {
                    if (!box.m_hWnd)
                        continue;  // a page not shown yet has no windows
                    char text[32] = {};
                    ::GetWindowTextA(box.m_hWnd, text, sizeof text);
                    if (ValidCode(box.m_wCode) != box.m_wCode || std::string(text) != KeyNameOf(box.m_wCode))
                        broken << "box " << box.m_hWnd << " holds " << std::hex << box.m_wCode << std::dec
                               << " and shows \"" << text << "\"; ";
                    if (!box.m_bCapturing)
                        continue;
                    ++capturing;
                    if (::GetCapture() != box.m_hWnd)
                        broken << "a box captures without the mouse capture; ";
                }
            }
            if (capturing > 1)
                broken << capturing << " boxes capture; ";
            const int cursor = ::ShowCursor(TRUE) - 1;
            ::ShowCursor(FALSE);
            if (cursor != cursorBefore - capturing)
                broken << "cursor count " << cursor << ", expected " << cursorBefore - capturing << "; ";
        });
        return broken.str();
    }
};

LPARAM Point(int x, int y)
{
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

void PostKey(std::mt19937& random, HWND box)
{
    // Mostly named keys, sometimes any virtual key and scan code at all.
    const UINT named[] = {'A',        'Z',     '7',    VK_TAB,  VK_RETURN,  VK_ESCAPE, VK_SPACE, VK_SHIFT,
                          VK_CONTROL, VK_MENU, VK_F10, VK_LEFT, VK_NUMPAD7, VK_PAUSE,  VK_LWIN};
    const UINT virtualKey = random() % 3 ? named[random() % std::size(named)] : random() % 256;
    const LPARAM scan = static_cast<LPARAM>(random() % 3 ? 1 + random() % 0x58 : random() % 256) << 16;
    const LPARAM extended = random() % 4 == 0 ? 1 << 24 : 0;
    const bool system = virtualKey == VK_MENU || virtualKey == VK_F10 || random() % 8 == 0;
    ::PostMessageA(box, system ? WM_SYSKEYDOWN : WM_KEYDOWN, virtualKey, 1 | scan | extended);
    ::PostMessageA(box, system ? WM_SYSKEYUP : WM_KEYUP, virtualKey, 1 | scan | extended | 0xC0000000);
}
}

TEST_F(KeyBoxFuzzFixture, RandomInputKeepsTheCaptureTheCursorAndTheShownNamesTrue)
{
    MessageLog answers(IDCANCEL);  // leaving a page with edits: keep the boxes, store nothing
    int cursorBefore = 0;
    for (const unsigned seed : {31u, 32u, 33u}) {
        RunSheet(kKeyPages[0], [&](HWND sheetWindow, HWND) {
            std::mt19937 random(seed);
            cursorBefore = ui.CursorCount();
            int page = kKeyPages[0];
            std::string done;  // the operations so far, for the failure's message
            int capturingSteps = 0, switchesWhileCapturing = 0;
            for (int step = 0; step < kSteps; ++step) {
                CKeyPage* keyPage = KeyPage(page);
                const HWND box = keyPage->m_keys[random() % keyPage->m_keys.size()].m_hWnd;
                if (!::IsWindowVisible(box))
                    continue;  // hidden boxes get no input from a person
                const CHotKeyEdit* capturing = Capturing();
                const HWND target = capturing ? capturing->m_hWnd : box;  // a person's input goes where the capture is
                const auto operation = static_cast<EOperation>(random() % kOperations);
                capturingSteps += capturing ? 1 : 0;
                switchesWhileCapturing += capturing && operation == kPageSwitch ? 1 : 0;
                switch (operation) {
                case kKey: PostKey(random, target); break;
                case kClick:
                case kDoubleClick:
                    ::PostMessageA(target, operation == kClick ? WM_LBUTTONDOWN : WM_LBUTTONDBLCLK, MK_LBUTTON,
                                   Point(random() % 30, random() % 20));
                    ::PostMessageA(target, WM_LBUTTONUP, 0, Point(random() % 30, random() % 20));
                    break;
                case kOtherButton: {
                    if (!capturing)
                        break;  // while idle the right button opens the edit menu, a modal loop of its own
                    const bool right = random() % 2;
                    ::PostMessageA(target, right ? WM_RBUTTONDOWN : WM_MBUTTONDOWN, right ? MK_RBUTTON : MK_MBUTTON,
                                   Point(5, 5));
                    ::PostMessageA(target, right ? WM_RBUTTONUP : WM_MBUTTONUP, 0, Point(5, 5));
                    break;
                }
                case kMove: {
                    const POINT start = capturing ? capturing->m_ptStart : POINT{5, 5};
                    const int reach = random() % 2 ? 160 : 400;
                    ::PostMessageA(target, WM_MOUSEMOVE, 0,
                                   Point(start.x + static_cast<int>(random() % reach) - reach / 2,
                                         start.y + static_cast<int>(random() % reach) - reach / 2));
                    break;
                }
                case kWheel: {
                    const short deltas[] = {WHEEL_DELTA, -WHEEL_DELTA, 0, 1, -1, 3 * WHEEL_DELTA};
                    ::PostMessageA(target, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(deltas[random() % 6])),
                                   Point(5, 5));
                    break;
                }
                case kCaptureLoss:
                    ui.Run([&] {
                        if (random() % 2)
                            ::SetCapture(::GetDlgItem(sheetWindow, IDOK));
                        ::ReleaseCapture();
                    });
                    break;
                case kFocus: ui.Run([&] { ::SetFocus(box); }); break;
                case kPageSwitch:
                    page = page == kKeyPages[0] ? kKeyPages[1] : kKeyPages[0];
                    if (random() % 3 == 0)
                        ShowPage(sheetWindow, 0);  // by way of the General page
                    ShowPage(sheetWindow, page);
                    break;
                default: break;
                }
                done += std::string(kOperationNames[operation]) + ", ";
                ASSERT_TRUE(ui.Flush());
                const std::string broken = Broken(cursorBefore);
                ASSERT_EQ("", broken) << "seed " << seed << " step " << step << " (" << kOperationNames[operation]
                                      << ") after: " << done;
            }
            // The seeds are chosen so that a good part of the input meets a capturing box.
            EXPECT_GE(capturingSteps, kSteps / 10) << "seed " << seed;
            std::printf("seed %u: %d steps met a capturing box, %d page switches during a capture\n", seed,
                        capturingSteps, switchesWhileCapturing);
        });
        EXPECT_EQ(nullptr, Capturing()) << "seed " << seed << ": a box still captures after the sheet closed";
        EXPECT_EQ(cursorBefore, ui.CursorCount()) << "seed " << seed << ": the cursor count after the sheet closed";
    }
}
