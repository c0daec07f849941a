#include "ui/UiHelpers.h"

#include <fstream>
#include <iterator>

#include "SimBench.h"
#include "device/DeviceThread.h"
#include "framework/ListView.h"
#include "sheet/PropSheet.h"
#include "support/DemoProcess.h"

namespace
{
struct CSearch
{
    const char* caption;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<CSearch*>(lParam);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != ::GetCurrentProcessId() || !::IsWindowVisible(window))
        return TRUE;
    char text[256] = {};
    ::GetWindowTextA(window, text, sizeof(text));
    if (std::string(text) == search->caption)
        search->found.push_back(window);
    return TRUE;
}

DWORD RgbToDib(COLORREF colour)
{
    return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}
}

std::vector<HWND> FindOwnWindows(const char* caption)
{
    CSearch search{caption, {}};
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForOwnWindow(const char* caption, DWORD timeoutMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        auto windows = FindOwnWindows(caption);
        if (!windows.empty())
            return windows.front();
        if (::GetTickCount64() > deadline)
            return nullptr;
        ::Sleep(20);
    }
}

CWindowDriver::CWindowDriver(std::string caption, std::function<void(HWND)> steps, DWORD timeoutMs)
{
    m_thread = std::thread([this, caption = std::move(caption), steps = std::move(steps), timeoutMs] {
        HWND window = WaitForOwnWindow(caption.c_str(), timeoutMs);
        m_bFound = window != nullptr;
        steps(window);
    });
}

CWindowDriver::~CWindowDriver()
{
    if (m_thread.joinable())
        m_thread.join();
}

namespace
{
constexpr UINT kRunMessage = WM_APP + 0x51;
constexpr UINT kFlushMessage = WM_APP + 0x52;
}

CUiThread::CUiThread()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KinetraTestUiThread";
    ::RegisterClassA(&windowClass);  // fails harmlessly once registered
    m_hWnd = ::CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               windowClass.hInstance, nullptr);
}

CUiThread::~CUiThread()
{
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

LRESULT CALLBACK CUiThread::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kRunMessage) {
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 0;
    }
    if (message == kFlushMessage) {
        ::SetEvent(reinterpret_cast<HANDLE>(lParam));
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

void CUiThread::Run(const std::function<void()>& work) const
{
    ::SendMessageA(m_hWnd, kRunMessage, 0, reinterpret_cast<LPARAM>(&work));
}

bool CUiThread::Flush(DWORD timeoutMs) const
{
    HANDLE done = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ::PostMessageA(m_hWnd, kFlushMessage, 0, reinterpret_cast<LPARAM>(done));
    const bool flushed = ::WaitForSingleObject(done, timeoutMs) == WAIT_OBJECT_0;
    if (flushed)
        ::CloseHandle(done);  // else the marker is still queued and will set it: left open
    return flushed;
}

int CUiThread::CursorCount() const
{
    int count = 0;
    Run([&] {
        count = ::ShowCursor(TRUE) - 1;
        ::ShowCursor(FALSE);
    });
    return count;
}

CModelGuard::CModelGuard()
{
    CSetting* s = CSetting::GetInstance();
    m_nDeviceCount = s->m_nDeviceCount;
    m_nCurrentDevice = s->m_nCurrentDevice;
    m_bDeviceActive = s->m_bDeviceActive;
    for (int i = 0; i < kDeviceSlots; ++i) {
        m_hDeviceKeys[i] = s->m_hDeviceKeys[i];
        m_bProgrammable[i] = s->m_bProgrammable[i];
    }
    m_nUpdateRegistry = g_nUpdateRegistry.load();
    g_nUpdateRegistry.store(0);
}

CModelGuard::~CModelGuard()
{
    CSetting* s = CSetting::GetInstance();
    s->m_nDeviceCount = m_nDeviceCount;
    s->m_nCurrentDevice = m_nCurrentDevice;
    s->m_bDeviceActive = m_bDeviceActive;
    for (int i = 0; i < kDeviceSlots; ++i) {
        s->m_hDeviceKeys[i] = m_hDeviceKeys[i];
        s->m_bProgrammable[i] = m_bProgrammable[i];
    }
    g_nUpdateRegistry.store(m_nUpdateRegistry);
}

void CModelGuard::UseDevice(HKEY key, int active)
{
    CSetting* s = CSetting::GetInstance();
    s->m_nDeviceCount = 1;
    s->m_nCurrentDevice = 0;
    s->m_hDeviceKeys[0] = key;
    s->m_bProgrammable[0] = 1;
    s->m_bDeviceActive = active;
}

std::vector<std::uint8_t> KeyValue(const std::string& keyPath, const char* name)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    BYTE buffer[64];
    DWORD size = sizeof buffer;
    const bool ok = ::RegQueryValueExA(key, name, nullptr, nullptr, buffer, &size) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return ok ? std::vector<std::uint8_t>(buffer, buffer + size) : std::vector<std::uint8_t>{};
}

void SetKeyValue(const std::string& keyPath, const char* name, const std::vector<std::uint8_t>& bytes)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_WRITE, &key) != ERROR_SUCCESS)
        return;
    ::RegSetValueExA(key, name, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
    ::RegCloseKey(key);
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y)
{
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HGDIOBJ previous = ::SelectObject(memory, bitmap);
    const COLORREF colour = ::GetPixel(memory, x, y);
    ::SelectObject(memory, previous);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return colour;
}

HBITMAP MakeSolidBitmap(int width, int height, COLORREF colour, DWORD** bitsOut)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: row 0 first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap)
        return nullptr;
    auto* pixels = static_cast<DWORD*>(bits);
    FillBits(pixels, width, {0, 0, width, height}, colour);
    if (bitsOut)
        *bitsOut = pixels;
    return bitmap;
}

void FillBits(DWORD* bits, int stride, RECT rect, COLORREF colour)
{
    ::GdiFlush();
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            bits[y * stride + x] = RgbToDib(colour);
}

CSimSheetFixture::CSimSheetFixture() : sheet(CPropSheet::GetInstance()) {}

void CSimSheetFixture::SetUp()
{
    CSimBench::Get().UnplugAll();
    CSimBench::Get().ResetFaults();
    model->SetDeviceActive(0);
    model->m_nCurrentDevice = 0;
    model->ClearAll();
}

void CSimSheetFixture::TearDown()
{
    CDeviceThread::GetInstance()->Stop();
    CSimBench::Get().UnplugAll();
    model->RefreshDevices();
    model->SetDeviceActive(0);
}

void ChooseRow(HWND list, int row)
{
    const CListView view(list);
    const UINT chosen = LVIS_SELECTED | LVIS_FOCUSED;
    view.SetItemState(row, row >= 0 ? chosen : 0, chosen);
    view.SetSelectionMark(row);
}

void CSimSheetFixture::RunSheet(int pageIndex, const std::function<void(HWND sheetWindow, HWND page)>& steps)
{
    CWindowDriver driver("Kinetra", [&](HWND window) {
        if (!SettleSheet(window))
            return;
        shownSheet = window;
        ShowPage(pageIndex);
        steps(window, CurrentPage(window));
        if (::IsWindow(window))
            ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    });
    sheet->DoModal();
    shownSheet = nullptr;
    EXPECT_TRUE(driver.Found()) << "the sheet never showed";
}

void CSimSheetFixture::Discover()
{
    model->RefreshDevices();
    g_nHandleSlots = kDeviceSlots;
    g_dwWaitTimeout = model->m_nDeviceCount > 0 ? 0 : kIdleWaitMs;
    CDeviceThread::GetInstance()->Start();
}
