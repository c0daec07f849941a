#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <commctrl.h>

#include "resource.h"
#include "settings/Setting.h"

class CPropSheet;

// Runs `steps` on a second thread as soon as a visible top-level window of this process with
// `caption` appears, the way a person would act on a window that the UI thread shows modally.
// The steps talk to the window with SendMessage, so each step has run when it returns.
// If the window never appears within the time-out, the steps get null.
class CWindowDriver
{
public:
    CWindowDriver(std::string caption, std::function<void(HWND)> steps, DWORD timeoutMs = 15000);
    ~CWindowDriver();  // joins
    CWindowDriver(const CWindowDriver&) = delete;
    CWindowDriver& operator=(const CWindowDriver&) = delete;

    bool Found() const { return m_bFound.load(); }

private:
    std::atomic<bool> m_bFound{false};
    std::thread m_thread;
};

// Runs work on the thread that made it (the test's UI thread, inside whatever modal loop it
// runs) for a driver thread, and tells when what was posted to that thread has been handled.
class CUiThread
{
public:
    CUiThread();
    ~CUiThread();
    CUiThread(const CUiThread&) = delete;
    CUiThread& operator=(const CUiThread&) = delete;

    void Run(const std::function<void()>& work) const;
    // Waits until the UI thread has taken every message posted to it before this call.
    bool Flush(DWORD timeoutMs = 15000) const;
    // The UI thread's cursor display count (0 shown, below 0 hidden).
    int CursorCount() const;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND m_hWnd = nullptr;
};

// Makes `row` of a list view the chosen one, as a click on it does; -1 chooses none.
void ChooseRow(HWND list, int row);

// Visible top-level windows of this process with this caption.
std::vector<HWND> FindOwnWindows(const char* caption);
HWND WaitForOwnWindow(const char* caption, DWORD timeoutMs);

// Keeps the settings model's device table and flags as they were before the test.
class CModelGuard
{
public:
    CModelGuard();
    ~CModelGuard();
    CModelGuard(const CModelGuard&) = delete;
    CModelGuard& operator=(const CModelGuard&) = delete;

    // One active device whose interface key is `key`.
    void UseDevice(HKEY key, int active);

private:
    short m_nDeviceCount;
    short m_nCurrentDevice;
    int m_bDeviceActive;
    HKEY m_hDeviceKeys[kDeviceSlots];
    int m_bProgrammable[kDeviceSlots];
    int m_nUpdateRegistry;
};

// A value under HKEY_CURRENT_USER\`keyPath` (empty when missing), and its writing as REG_BINARY.
std::vector<std::uint8_t> KeyValue(const std::string& keyPath, const char* name);
void SetKeyValue(const std::string& keyPath, const char* name, const std::vector<std::uint8_t>& bytes);
// The whole content of a file (empty when it cannot be read).
std::string ReadFileBytes(const std::string& path);

// The colour of one pixel of a bitmap that is not selected into any context.
COLORREF PixelOf(HBITMAP bitmap, int x, int y);
// A 32-bit top-down DIB section of solid `colour`; its bits for painting patterns.
HBITMAP MakeSolidBitmap(int width, int height, COLORREF colour, DWORD** bits = nullptr);
// Writes `colour` into the rectangle of a 32-bit top-down DIB made by MakeSolidBitmap.
void FillBits(DWORD* bits, int stride, RECT rect, COLORREF colour);

// The real sheet on simulated pads: each test starts with no pad and an empty model, and
// ends with the worker stopped and the pads gone.
struct CSimSheetFixture : testing::Test
{
    CSetting* model = CSetting::GetInstance();
    CPropSheet* sheet;

    CSimSheetFixture();
    void SetUp() override;
    void TearDown() override;
    // Discovery as at start-up, and the worker running as in the program.
    void Discover();
    // Shows the sheet modally on this thread. Once it is settled, `steps` act on it from a
    // second thread, on its page `pageIndex`; Cancel closes what they left open.
    void RunSheet(int pageIndex, const std::function<void(HWND sheetWindow, HWND page)>& steps);
    void ShowPage(int pageIndex) const { ::SendMessageA(shownSheet, PSM_SETCURSEL, pageIndex, 0); }
    static HWND CurrentPage(HWND sheetWindow)
    {
        return reinterpret_cast<HWND>(::SendMessageA(sheetWindow, PSM_GETCURRENTPAGEHWND, 0, 0));
    }
    static void Click(HWND window, int id) { ::SendMessageA(::GetDlgItem(window, id), BM_CLICK, 0, 0); }
    static bool Enabled(HWND window, int id) { return ::IsWindowEnabled(::GetDlgItem(window, id)) != FALSE; }
    // The sheet's Apply button, pressed.
    void Apply() const { Click(shownSheet, ID_APPLY_NOW); }

    HWND shownSheet = nullptr;  // the sheet RunSheet shows
};
