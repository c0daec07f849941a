// The Button and Direction Pad and Motion Function pages on the real sheet with a simulated
// pad, driven like a user: keys and clicks are posted to the boxes, so they travel through the
// sheet's own message loop (and its dialog manager) as a person's input does; then Apply, the
// registry and what the simulated driver reloaded.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
#include <functional>
#include <string>
#include <tuple>

#include "SimBench.h"
#include "device/DeviceThread.h"
#include "keys/PropButton.h"
#include "keys/PropMovement.h"
#include "resource.h"
#include "settings/Setting.h"
#include "sheet/PropSheet.h"
#include "support/DemoProcess.h"
#include "support/TestSupport.h"
#include "ui/UiHelpers.h"

namespace
{
using Bytes = std::vector<std::uint8_t>;
constexpr int kButtonPage = 1;
constexpr int kMovementPage = 2;

struct CKey
{
    UINT virtualKey;
    UINT scanCode;
    bool extended = false;
    bool system = false;  // Alt held or F10: WM_SYSKEYDOWN
};

const CKey kKeyA{'A', 0x1E};
const CKey kKeyB{'B', 0x30};
const CKey kKeyW{'W', 0x11};
const CKey kRightCtrl{VK_CONTROL, 0x1D, true};
const CKey kUpArrow{VK_UP, 0x48, true};

LPARAM KeyLParam(const CKey& key, bool up)
{
    LPARAM lParam = 1 | (static_cast<LPARAM>(key.scanCode) << 16);
    if (key.extended)
        lParam |= 1 << 24;
    if (key.system && key.virtualKey != VK_F10)
        lParam |= 1 << 29;  // Alt is down
    if (up)
        lParam |= static_cast<LPARAM>(0xC0000000u);
    return lParam;
}

// A key press and release, queued for the box as the keyboard queues them.
void PostKey(HWND box, const CKey& key)
{
    ::PostMessageA(box, key.system ? WM_SYSKEYDOWN : WM_KEYDOWN, key.virtualKey, KeyLParam(key, false));
    ::PostMessageA(box, key.system ? WM_SYSKEYUP : WM_KEYUP, key.virtualKey, KeyLParam(key, true));
}

void PostMouse(HWND box, UINT message, WPARAM wParam = 0, int x = 5, int y = 5)
{
    ::PostMessageA(box, message, wParam, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}

// A left click on the box: the press starts capture, the release belongs to the capture.
void PostClick(HWND box)
{
    PostMouse(box, WM_LBUTTONDOWN, MK_LBUTTON);
    PostMouse(box, WM_LBUTTONUP);
}

std::string TextOf(HWND window)
{
    char text[64] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

// Kind and value bytes stored for one input index.
std::pair<int, int> Binding(const std::string& keyPath, int index)
{
    const Bytes config = KeyValue(keyPath, "KeyConfig");
    const Bytes map = KeyValue(keyPath, "KeyMap");
    if (config.size() <= static_cast<size_t>(index) || map.size() <= static_cast<size_t>(index))
        return {-1, -1};
    return {config[index], map[index]};
}

using KindValue = std::pair<int, int>;

struct KeyPagesFixture : CSimSheetFixture
{
    CPropButton* buttons = static_cast<CPropButton*>(CPropSheet::GetInstance()->GetPage(kButtonPage));
    CPropMovement* movement = static_cast<CPropMovement*>(CPropSheet::GetInstance()->GetPage(kMovementPage));
    CUiThread ui;  // made here: this thread runs the sheet

    std::shared_ptr<CSimPad> PlugAndDiscover(const char* kind = "wired",
                                             const std::function<void(const std::string&)>& prepareKey = {})
    {
        const auto pad = CSimBench::Get().Pad(CSimBench::Get().Plug(kind));
        if (prepareKey)
            prepareKey(pad->KeyPath());
        Discover();
        return pad;
    }

    HWND PageWindow(int page) const { return sheet->GetPage(page)->m_hWnd; }
    HWND Box(int page, int k) const
    {
        static const int kIds[] = {IDC_KEY_1,  IDC_KEY_2,  IDC_KEY_3,  IDC_KEY_4,  IDC_KEY_5,  IDC_KEY_6,
                                   IDC_KEY_7,  IDC_KEY_8,  IDC_KEY_9,  IDC_KEY_10, IDC_KEY_11, IDC_KEY_12,
                                   IDC_KEY_13, IDC_KEY_14, IDC_KEY_15, IDC_KEY_16};
        return ::GetDlgItem(PageWindow(page), kIds[k]);
    }
    // Leaves the page and comes back, so that it reloads its boxes from the model.
    void Reactivate(int page) const
    {
        ShowPage(page == kButtonPage ? kMovementPage : kButtonPage);
        ShowPage(page);
    }
    HWND Focus() const
    {
        HWND focus = nullptr;
        ui.Run([&] { focus = ::GetFocus(); });
        return focus;
    }
    void SetFocusTo(HWND window) const
    {
        ui.Run([&] { ::SetFocus(window); });
    }
};
}

TEST_F(KeyPagesFixture, ButtonBoxesBindKeysAndMouseActionsAndApplyReachesTheDriver)
{
    const auto pad = PlugAndDiscover();
    RunSheet(kButtonPage, [&](HWND, HWND) {
        const int cursorBefore = ui.CursorCount();
        SetFocusTo(Box(kButtonPage, 0));
        PostKey(Box(kButtonPage, 0), kKeyA);
        PostKey(Box(kButtonPage, 1), kRightCtrl);
        ASSERT_TRUE(ui.Flush());
        EXPECT_EQ("A", TextOf(Box(kButtonPage, 0)));
        EXPECT_EQ("Ctrl", TextOf(Box(kButtonPage, 1)));
        EXPECT_EQ(Box(kButtonPage, 0), Focus());

        // Box 3: the click that starts the capture empties the box, hides the cursor and is
        // not itself the binding; the right button is.
        const HWND third = Box(kButtonPage, 2);
        PostKey(third, kKeyB);
        PostClick(third);
        ASSERT_TRUE(ui.Flush());
        EXPECT_EQ(1, buttons->m_keys[2].m_bCapturing);
        EXPECT_EQ("", TextOf(third));
        EXPECT_EQ(cursorBefore - 1, ui.CursorCount());
        PostMouse(third, WM_RBUTTONDOWN, MK_RBUTTON);
        PostMouse(third, WM_RBUTTONUP);
        ASSERT_TRUE(ui.Flush());
        EXPECT_EQ("R-Btn", TextOf(third));
        EXPECT_EQ(0, buttons->m_keys[2].m_bCapturing);
        EXPECT_EQ(cursorBefore, ui.CursorCount());
        EXPECT_EQ(third, Focus());

        // Boxes 4 and 5: wheel up and down; box 6: a left click while capturing; box 7: the
        // middle button.
        const struct
        {
            int box;
            UINT message;
            WPARAM wParam;
            const char* name;
        } actions[] = {
            {3, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), "Scr Up"},
            {4, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), "Scr Dn"},
            {5, WM_LBUTTONDOWN, MK_LBUTTON, "L-Btn"},
            {6, WM_MBUTTONDOWN, MK_MBUTTON, "M-Btn"},
        };
        for (const auto& action : actions) {
            PostClick(Box(kButtonPage, action.box));
            PostMouse(Box(kButtonPage, action.box), action.message, action.wParam);
            ASSERT_TRUE(ui.Flush());
            EXPECT_EQ(action.name, TextOf(Box(kButtonPage, action.box))) << "box " << action.box;
        }

        // Box 8 held "B": a move of 149 pixels keeps waiting, 150 leaves the box empty.
        const HWND eighth = Box(kButtonPage, 7);
        PostKey(eighth, kKeyB);
        PostClick(eighth);
        ASSERT_TRUE(ui.Flush());
        const POINT start = buttons->m_keys[7].m_ptStart;
        PostMouse(eighth, WM_MOUSEMOVE, 0, start.x + 149, start.y - 149);
        ASSERT_TRUE(ui.Flush());
        EXPECT_EQ(1, buttons->m_keys[7].m_bCapturing) << "149 pixels is not away";
        PostMouse(eighth, WM_MOUSEMOVE, 0, start.x, start.y - 150);
        ASSERT_TRUE(ui.Flush());
        EXPECT_EQ(0, buttons->m_keys[7].m_bCapturing);
        EXPECT_EQ("", TextOf(eighth));
        EXPECT_EQ(cursorBefore, ui.CursorCount());

        Apply();
    });

    const std::string& key = pad->KeyPath();
    EXPECT_EQ(KindValue(1, 0x1E), Binding(key, 0));
    EXPECT_EQ(KindValue(4, 0x9D), Binding(key, 1));
    EXPECT_EQ(KindValue(2, 5), Binding(key, 2));
    EXPECT_EQ(KindValue(2, 7), Binding(key, 3));
    EXPECT_EQ(KindValue(2, 8), Binding(key, 4));
    EXPECT_EQ(KindValue(2, 6), Binding(key, 5));
    EXPECT_EQ(KindValue(2, 9), Binding(key, 6));
    EXPECT_EQ(KindValue(0, 0), Binding(key, 7)) << "the box the move emptied held B before";
    ASSERT_TRUE(pad->WaitForReloads(1, 3000)) << "no reload report reached the driver";
    const CSimReload reload = pad->Reloads().back();
    EXPECT_EQ(KeyValue(key, "KeyConfig"), reload.values.at("KeyConfig"));
    EXPECT_EQ(KeyValue(key, "KeyMap"), reload.values.at("KeyMap"));
}

TEST_F(KeyPagesFixture, KeysTheDialogManagerWouldTakeAreBoundAndLeaveTheSheetAsItWas)
{
    PlugAndDiscover();
    const CKey keys[] = {
        {VK_TAB, 0x0F},
        {VK_RETURN, 0x1C},
        {VK_ESCAPE, 0x01},
        {VK_BACK, 0x0E},
        {VK_F10, 0x44, false, true},
        {VK_MENU, 0x38, false, true},
        {VK_F4, 0x3E, false, true},
        {'C', 0x2E, false, true},  // Alt+C would press "&Clear All"
    };
    const char* names[] = {"Tab", "Enter", "Esc", "Back", "F10", "Alt", "F4", "C"};
    RunSheet(kButtonPage, [&](HWND, HWND pageWindow) {
        const HWND box = Box(kButtonPage, 0);
        for (size_t i = 0; i < std::size(keys); ++i) {
            SetFocusTo(box);
            PostKey(box, keys[i]);
            ASSERT_TRUE(ui.Flush());
            EXPECT_EQ(names[i], TextOf(box));
            EXPECT_EQ(box, Focus()) << names[i] << " moved the focus";
            EXPECT_TRUE(::IsWindow(shownSheet) && ::IsWindowVisible(shownSheet)) << names[i] << " closed the sheet";
            EXPECT_EQ(pageWindow, PropSheet_GetCurrentPageHwnd(shownSheet)) << names[i] << " switched the tab";
            EXPECT_TRUE(::IsWindowEnabled(Box(kButtonPage, 1))) << names[i] << " pressed Clear All";
        }

        // The same keys as real input from the keyboard's queue.
        const std::pair<CKey, const char*> real[] = {{keys[0], "Tab"}, {keys[1], "Enter"}, {keys[2], "Esc"}};
        ui.Run([&] {
            ::SetForegroundWindow(shownSheet);
            ::SetFocus(box);
        });
        for (const auto& [key, name] : real) {
            INPUT input[2] = {};
            for (int i = 0; i < 2; ++i) {
                input[i].type = INPUT_KEYBOARD;
                input[i].ki.wVk = static_cast<WORD>(key.virtualKey);
                input[i].ki.wScan = static_cast<WORD>(key.scanCode);
                input[i].ki.dwFlags = i ? KEYEVENTF_KEYUP : 0;
            }
            SetFocusTo(Box(kButtonPage, 1));
            SetFocusTo(box);
            ::SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
            ASSERT_EQ(2u, ::SendInput(2, input, sizeof(INPUT)));
            if (!WaitUntil([&] { return TextOf(box) == name; }, 3000)) {
                ADD_FAILURE() << name << " sent as input did not reach the box";
                break;
            }
            EXPECT_EQ(box, Focus()) << name;
            EXPECT_TRUE(::IsWindowVisible(shownSheet)) << name;
        }
    });
}

TEST_F(KeyPagesFixture, AReloadNamesTheSidesAndTheKeypadThatAPressCannotTell)
{
    const auto pad = PlugAndDiscover();
    struct
    {
        CKey key;
        const char* pressed;
        const char* reloaded;
        KindValue stored;
    } cases[] = {
        {{VK_SHIFT, 0x2A}, "Shift", "L-Shift", {1, 0x2A}},
        {{VK_SHIFT, 0x36}, "Shift", "R-Shift", {1, 0x36}},
        {{VK_HOME, 0x47}, "Home", "Num 7", {1, 0x47}},  // keypad 7 with Num Lock off
        {{VK_HOME, 0x47, true}, "Home", "Home", {4, 0xC7}},
        {{VK_PAUSE, 0x45}, "Pause", "Pause", {1, 0x45}},
        {{VK_NUMLOCK, 0x45, true}, "Num Lk", "Num Lk", {4, 0xC5}},
        {{VK_CONTROL, 0x1D, true}, "Ctrl", "R-Ctrl", {4, 0x9D}},
        {{VK_MENU, 0x38, true, true}, "Alt", "R-Alt", {4, 0xB8}},
        {{VK_CONTROL, 0x1D}, "Ctrl", "L-Ctrl", {1, 0x1D}},
        {{VK_MENU, 0x38, false, true}, "Alt", "L-Alt", {1, 0x38}},
    };
    RunSheet(kButtonPage, [&](HWND, HWND) {
        for (size_t k = 0; k < std::size(cases); ++k)
            PostKey(Box(kButtonPage, static_cast<int>(k)), cases[k].key);
        ASSERT_TRUE(ui.Flush());
        for (size_t k = 0; k < std::size(cases); ++k)
            EXPECT_EQ(cases[k].pressed, TextOf(Box(kButtonPage, static_cast<int>(k)))) << "box " << k;
        Apply();
        Reactivate(kButtonPage);
        for (size_t k = 0; k < std::size(cases); ++k)
            EXPECT_EQ(cases[k].reloaded, TextOf(Box(kButtonPage, static_cast<int>(k)))) << "box " << k;

        // Combined codes that are no binding empty the box.
        CHotKeyEdit& key = buttons->m_keys[11];
        const std::pair<WORD, const char*> codes[] = {{0x0900, "M-Btn"}, {0x0A00, ""}, {0x0105, ""}, {0x0041, "A"}};
        for (const auto& [code, name] : codes) {
            ui.Run([&] { key.SetCode(code); });
            EXPECT_EQ(name, TextOf(Box(kButtonPage, 11))) << std::hex << code;
        }
    });
    for (size_t k = 0; k < std::size(cases); ++k)
        EXPECT_EQ(cases[k].stored, Binding(pad->KeyPath(), static_cast<int>(k))) << "index " << k;
}

TEST_F(KeyPagesFixture, LeavingWithEditsAsksAndOkWritesOnceWhatTheDriverReloads)
{
    const auto pad = PlugAndDiscover();
    MessageLog messages(IDOK);
    RunSheet(kButtonPage, [&](HWND, HWND) {
        PostKey(Box(kButtonPage, 0), kKeyA);
        PostKey(Box(kButtonPage, 11), kKeyW);
        ASSERT_TRUE(ui.Flush());
        ShowPage(kMovementPage);
    });
    ASSERT_EQ(1u, messages.messages().size());
    EXPECT_EQ("Apply Modified Setting?", messages.messages()[0].text);
    EXPECT_EQ("Kinetra", messages.messages()[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL), messages.messages()[0].type & 0xF);
    EXPECT_EQ(KindValue(1, 0x1E), Binding(pad->KeyPath(), 0));
    EXPECT_EQ(KindValue(1, 0x11), Binding(pad->KeyPath(), 11));
    ASSERT_TRUE(pad->WaitForReloads(1, 3000));
    ::Sleep(300);
    EXPECT_EQ(1u, pad->ReloadCount()) << "one write, one reload";
    EXPECT_EQ(KeyValue(pad->KeyPath(), "KeyMap"), pad->Reloads().back().values.at("KeyMap"));
}

TEST_F(KeyPagesFixture, CancelKeepsTheBoxesUntilThePageIsShownAgainAndAPendingClearIsDropped)
{
    const auto pad = PlugAndDiscover("wired", [](const std::string& key) {
        Bytes config(32, 0), map(32, 0);
        config[0] = 1, map[0] = 0x1E;  // A
        config[1] = 2, map[1] = 6;     // L-Btn
        SetKeyValue(key, "KeyConfig", config);
        SetKeyValue(key, "KeyMap", map);
    });
    MessageLog messages(IDCANCEL);
    RunSheet(kButtonPage, [&](HWND, HWND pageWindow) {
        EXPECT_EQ("A", TextOf(Box(kButtonPage, 0)));
        EXPECT_EQ("L-Btn", TextOf(Box(kButtonPage, 1)));
        PostKey(Box(kButtonPage, 0), kKeyB);
        ASSERT_TRUE(ui.Flush());
        ShowPage(kMovementPage);
        EXPECT_EQ(0, buttons->m_bModified);
        EXPECT_EQ("B", TextOf(Box(kButtonPage, 0))) << "the box keeps its text while the page is away";
        ShowPage(kButtonPage);
        EXPECT_EQ("A", TextOf(Box(kButtonPage, 0))) << "showing the page again reloads it";

        ::SendMessageA(::GetDlgItem(pageWindow, IDC_CLEAR_ALL), BM_CLICK, 0, 0);
        for (int k = 0; k < 12; ++k) {
            EXPECT_EQ("", TextOf(Box(kButtonPage, k)));
            EXPECT_FALSE(::IsWindowEnabled(Box(kButtonPage, k)));
        }
        ShowPage(kMovementPage);  // declined: the clear was never applied
        ShowPage(kButtonPage);
        EXPECT_EQ("A", TextOf(Box(kButtonPage, 0)));
        EXPECT_TRUE(::IsWindowEnabled(Box(kButtonPage, 0)));
        PostKey(Box(kButtonPage, 2), kKeyB);
        ASSERT_TRUE(ui.Flush());
        Apply();
    });
    ASSERT_EQ(3u, messages.messages().size());
    EXPECT_EQ("Please Press \"Apply\" Button first!!", messages.messages()[1].text);
    EXPECT_EQ("Kinetra", messages.messages()[1].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK), messages.messages()[1].type & 0xF);
    EXPECT_EQ(KindValue(1, 0x1E), Binding(pad->KeyPath(), 0)) << "a declined clear erased a loaded binding";
    EXPECT_EQ(KindValue(2, 6), Binding(pad->KeyPath(), 1));
    EXPECT_EQ(KindValue(1, 0x30), Binding(pad->KeyPath(), 2));
}

TEST_F(KeyPagesFixture, MovementBoxesWriteSixteenIndexesHiddenOnesUnchangedAndClearAllEmptiesThem)
{
    const auto pad = PlugAndDiscover("wired", [](const std::string& key) {
        Bytes config(32, 0), map(32, 0);
        config[13] = 1, map[13] = 0x20;  // D on the hidden up-right box
        config[25] = 3, map[25] = 0x44;  // a kind the driver does not know
        config[27] = 4, map[27] = 0xCB;  // extended Left on the last hidden box
        SetKeyValue(key, "KeyConfig", config);
        SetKeyValue(key, "KeyMap", map);
    });
    MessageLog messages(IDOK);
    RunSheet(kMovementPage, [&](HWND, HWND pageWindow) {
        EXPECT_EQ("D", TextOf(Box(kMovementPage, 1)));
        EXPECT_FALSE(::IsWindowVisible(Box(kMovementPage, 1)));
        EXPECT_EQ("", TextOf(Box(kMovementPage, 13)));
        PostKey(Box(kMovementPage, 0), kUpArrow);
        PostKey(Box(kMovementPage, 8), kKeyW);
        ASSERT_TRUE(ui.Flush());
        EXPECT_EQ("Up", TextOf(Box(kMovementPage, 0)));
        Apply();
        const std::string& key = pad->KeyPath();
        EXPECT_EQ(KindValue(4, 0xC8), Binding(key, 12));
        EXPECT_EQ(KindValue(1, 0x11), Binding(key, 20));
        EXPECT_EQ(KindValue(1, 0x20), Binding(key, 13)) << "a hidden binding survives";
        EXPECT_EQ(KindValue(4, 0xCB), Binding(key, 27));
        EXPECT_EQ(KindValue(0, 0), Binding(key, 25)) << "an unknown kind is written back as nothing";

        ::SendMessageA(::GetDlgItem(pageWindow, IDC_CLEAR_ALL), BM_CLICK, 0, 0);
        for (int k = 0; k < 16; ++k)
            EXPECT_FALSE(::IsWindowEnabled(Box(kMovementPage, k))) << "box " << k;
        Apply();
        for (int index = 12; index < 28; ++index)
            EXPECT_EQ(KindValue(0, 0), Binding(key, index)) << "index " << index;
        for (int k = 0; k < 16; ++k)
            EXPECT_TRUE(::IsWindowEnabled(Box(kMovementPage, k))) << "box " << k;
        EXPECT_EQ(KindValue(-1, -1), Binding(key, 32)) << "nothing past the table";
    });
    ASSERT_EQ(1u, messages.messages().size());
    EXPECT_EQ("Please Press \"Apply\" Button first!!", messages.messages()[0].text);
}

TEST_F(KeyPagesFixture, AStickThatDrivesTheMouseDisablesTheBoxesItTakes)
{
    PlugAndDiscover();
    RunSheet(kMovementPage, [&](HWND, HWND) {
        const struct
        {
            int left, right;
            int firstDisabled;  // -1: none
        } cases[] = {{1, 0, 8}, {0, 1, 12}, {1, 1, -1}, {0, 0, -1}};
        for (const auto& c : cases) {
            ui.Run([&] {
                model->m_LeftAnalog[0] = static_cast<std::uint8_t>(c.left);
                model->m_RightAnalog[0] = static_cast<std::uint8_t>(c.right);
            });
            Reactivate(kMovementPage);
            for (int k = 0; k < 16; ++k) {
                const bool disabled = c.firstDisabled >= 0 && k >= c.firstDisabled && k < c.firstDisabled + 4;
                EXPECT_EQ(!disabled, ::IsWindowEnabled(Box(kMovementPage, k)) != FALSE)
                    << "left " << c.left << " right " << c.right << " box " << k;
            }
        }
    });
}

TEST_F(KeyPagesFixture, WithoutAProgrammablePadNothingCanBeBoundOrWritten)
{
    const auto pad = PlugAndDiscover("plain");
    RunSheet(kButtonPage, [&](HWND, HWND) {
        for (int page : {kButtonPage, kMovementPage}) {
            ShowPage(page);
            const int count = page == kButtonPage ? 12 : 16;
            for (int k = 0; k < count; ++k)
                EXPECT_FALSE(::IsWindowEnabled(Box(page, k))) << "page " << page << " box " << k;
            EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(PageWindow(page), IDC_CLEAR_ALL)));
            EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(PageWindow(page), IDC_KEY_FUNCTION_KEYS)));
            PostKey(Box(page, 0), kKeyA);
        }
        ASSERT_TRUE(ui.Flush());
        EXPECT_EQ("", TextOf(Box(kMovementPage, 0)));
        Apply();
    });
    ::Sleep(300);
    EXPECT_EQ(0u, pad->ReloadReportsReceived());
    EXPECT_TRUE(KeyValue(pad->KeyPath(), "KeyConfig").empty());
}

TEST_F(KeyPagesFixture, ACaptureTakenAwayOrClosedEndsAndTheCursorComesBack)
{
    PlugAndDiscover();
    int cursorBefore = 0;
    RunSheet(kButtonPage, [&](HWND, HWND) {
        cursorBefore = ui.CursorCount();
        const HWND box = Box(kButtonPage, 0);
        PostClick(box);
        ASSERT_TRUE(ui.Flush());
        ASSERT_EQ(1, buttons->m_keys[0].m_bCapturing);
        ui.Run([&] { ::SetCapture(::GetDlgItem(shownSheet, IDOK)); });
        EXPECT_EQ(0, buttons->m_keys[0].m_bCapturing);
        EXPECT_EQ(cursorBefore, ui.CursorCount());
        ui.Run([] { ::ReleaseCapture(); });
        PostKey(box, kKeyA);
        ASSERT_TRUE(ui.Flush());
        EXPECT_EQ("A", TextOf(box)) << "the box is idle again";

        PostClick(Box(kButtonPage, 1));  // the sheet closes while this box captures
        ASSERT_TRUE(ui.Flush());
        ASSERT_EQ(1, buttons->m_keys[1].m_bCapturing);
    });
    EXPECT_EQ(0, buttons->m_keys[1].m_bCapturing);
    EXPECT_EQ(cursorBefore, ui.CursorCount());
}

TEST_F(KeyPagesFixture, TextPastedOrDeletedThroughTheEditMenuChangesNothing)
{
    PlugAndDiscover();
    RunSheet(kButtonPage, [&](HWND, HWND) {
        const HWND box = Box(kButtonPage, 0);
        PostKey(box, kKeyA);
        ASSERT_TRUE(ui.Flush());
        ui.Run([&] {
            buttons->m_bModified = 0;
            if (::OpenClipboard(box)) {
                ::EmptyClipboard();
                HGLOBAL text = ::GlobalAlloc(GMEM_MOVEABLE, 6);
                std::memcpy(::GlobalLock(text), "hello", 6);
                ::GlobalUnlock(text);
                ::SetClipboardData(CF_TEXT, text);
                ::CloseClipboard();
            }
            ::SendMessageA(box, EM_SETSEL, 0, -1);
            for (UINT message : {UINT{WM_PASTE}, UINT{WM_CUT}, UINT{WM_CLEAR}, UINT{WM_UNDO}, UINT{EM_UNDO}})
                ::SendMessageA(box, message, 0, 0);
            ::SendMessageA(box, WM_CHAR, 'x', 0);
            ::SendMessageA(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("typed"));
        });
        EXPECT_EQ("A", TextOf(box));
        EXPECT_EQ(0, buttons->m_bModified) << "nothing changed, nothing to apply";

        // The edit control's own menu, opened by a right click, takes the keys it is driven
        // with: Esc closes it and is no binding.
        PostMouse(box, WM_RBUTTONDOWN, MK_RBUTTON);
        PostMouse(box, WM_RBUTTONUP);
        const auto menuShown = [] {
            const HWND menu = ::FindWindowA("#32768", nullptr);
            return menu && ::IsWindowVisible(menu);
        };
        ASSERT_TRUE(WaitUntil(menuShown, 3000)) << "the right click opened no menu";
        PostKey(box, {VK_ESCAPE, 0x01});
        EXPECT_TRUE(WaitUntil([&] { return !menuShown(); }, 3000)) << "Esc did not close the menu";
        EXPECT_EQ("A", TextOf(box));
    });
}

TEST_F(KeyPagesFixture, TheFocusedBoxMarksItsButtonOnThePadPicture)
{
    PlugAndDiscover();
    HBITMAP pressed = ::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_PRESSED));
    HBITMAP normal = ::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_PAD));
    ASSERT_TRUE(pressed && normal);
    const POINT button9 = {147, 153};  // the centre of Button 9's rectangle
    const POINT button1 = {309, 71};
    ASSERT_NE(PixelOf(pressed, button9.x, button9.y), PixelOf(normal, button9.x, button9.y));
    ASSERT_NE(PixelOf(pressed, button1.x, button1.y), PixelOf(normal, button1.x, button1.y));
    RunSheet(kButtonPage, [&](HWND, HWND pageWindow) {
        HWND picture = nullptr;
        for (HWND child = ::GetWindow(pageWindow, GW_CHILD); child && !picture;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            if ((::GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
                picture = child;
        }
        ASSERT_NE(nullptr, picture);
        // The picture stands centred in its control.
        RECT client = {};
        ::GetClientRect(picture, &client);
        BITMAP size = {};
        ::GetObjectA(normal, sizeof size, &size);
        const POINT offset = {(client.right - size.bmWidth) / 2, (client.bottom - size.bmHeight) / 2};
        auto shows = [&](POINT at, HBITMAP source) {
            const COLORREF wanted = PixelOf(source, at.x, at.y);
            return WaitUntil(
                [&] {
                    HDC dc = ::GetDC(picture);
                    const COLORREF seen = ::GetPixel(dc, at.x + offset.x, at.y + offset.y);
                    ::ReleaseDC(picture, dc);
                    return seen == wanted;
                },
                3000);
        };
        SetFocusTo(Box(kButtonPage, 8));
        EXPECT_TRUE(shows(button9, pressed)) << "Button 9 is not marked";
        EXPECT_TRUE(shows(button1, normal));
        ::Sleep(500);  // the rest of the page repaints too
        SaveScreenshot("button-page-button9-focused");
        SetFocusTo(Box(kButtonPage, 0));
        EXPECT_TRUE(shows(button1, pressed)) << "the mark did not follow the focus";
        EXPECT_TRUE(shows(button9, normal));
        SetFocusTo(::GetDlgItem(pageWindow, IDC_CLEAR_ALL));
        EXPECT_TRUE(shows(button1, normal)) << "a mark stayed with no box focused";

        ShowPage(kMovementPage);
        ::Sleep(300);
        SaveScreenshot("movement-page");
    });
    ::DeleteObject(pressed);
    ::DeleteObject(normal);
}

// F13-F24 from "F13-F24...": a person clicks a box, moves away (the box stops waiting for a
// mouse action), clicks the button and chooses F20 with the keys. The box holds what an F20
// press gives (scan code 0x6B, a key, not extended), Apply reaches the driver, a reload names it.
TEST_F(KeyPagesFixture, F13ToF24FromTheButtonsMenuAreBoundAsIfPressedAndReachTheDriver)
{
    const auto pad = PlugAndDiscover();
    const std::tuple<int, int, std::string> cases[] = {{kButtonPage, 2, "button-page"},
                                                       {kMovementPage, 11, "movement-page"}};
    RunSheet(kButtonPage, [&](HWND, HWND) {
        // The sheet in front, as the window a person clicks in is: on the bench, with no window
        // manager, the X server raises it a moment later, and over a menu opened meanwhile.
        ui.Run([&] { ::SetForegroundWindow(shownSheet); });
        ::Sleep(300);
        for (const auto& [page, k, name] : cases) {
            ShowPage(page);
            const HWND box = Box(page, k);
            PostClick(box);
            ASSERT_TRUE(ui.Flush());
            const POINT start = static_cast<CKeyPage*>(sheet->GetPage(page))->m_keys[k].m_ptStart;
            PostMouse(box, WM_MOUSEMOVE, 0, start.x, start.y + 150);
            PostClick(::GetDlgItem(PageWindow(page), IDC_KEY_FUNCTION_KEYS));
            const HWND menu = FindMenuWindow();
            ASSERT_NE(nullptr, menu) << name << ": the button opened no menu";
            for (int item = 0; item < 8; ++item)  // F13 ... F20
                ::PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
            ::Sleep(500);  // the highlight paints, for the picture
            SaveScreenshot((name + "-f13-f24-menu").c_str());
            ::PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
            ASSERT_TRUE(WaitUntil([&] { return TextOf(box) == "F20"; }, 3000)) << name;
            EXPECT_EQ(box, Focus()) << name;
            Apply();
            Reactivate(page);
            EXPECT_EQ("F20", TextOf(box)) << name << ": a reload names the scan code";
        }
    });
    ASSERT_TRUE(pad->WaitForReloads(2, 3000));
    const CSimReload reload = pad->Reloads().back();
    for (size_t index : {2u, 23u}) {
        EXPECT_EQ(1, reload.values.at("KeyConfig").at(index)) << "input " << index;
        EXPECT_EQ(0x6B, reload.values.at("KeyMap").at(index)) << "input " << index;
    }
}

namespace
{
// Wine finds a GDI object by the low word of its handle alone, so walking the low words counts
// the process's bitmaps; GetGuiResources gives 0 there.
int CountBitmaps()
{
    int count = 0;
    for (ULONG_PTR value = 1; value < 0x10000; ++value)
        count += ::GetObjectType(reinterpret_cast<HGDIOBJ>(value)) == OBJ_BITMAP ? 1 : 0;
    return count;
}
}

// Both key pages show a pad picture their template names; the sheet shown again and again must
// not keep one per showing, nor the canvases the Button page draws its marks on.
TEST_F(KeyPagesFixture, ShowingTheSheetAgainAndAgainKeepsNoBitmapOfTheKeyPages)
{
    PlugAndDiscover();
    auto showBothKeyPages = [&] { RunSheet(kButtonPage, [&](HWND, HWND) { ShowPage(kMovementPage); }); };
    showBothKeyPages();  // what the system keeps after a first showing is part of the level
    const int level = CountBitmaps();
    ASSERT_GT(level, 0) << "the probe found no bitmap at all";
    for (int showing = 1; showing <= 3; ++showing) {
        showBothKeyPages();
        EXPECT_EQ(level, CountBitmaps()) << "after showing " << showing;
    }
}
