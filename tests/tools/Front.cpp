// A program of another process with a window that comes to the front: the tests copy it under
// the exe names their rules match. Front [milliseconds]: ends after that long, or when closed;
// the message WM_APP + 1 brings its window to the front again. Front --hold=<virtual key, hex>
// holds that key as a shortcut of its own, as another program on the user's desktop may.
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace
{
constexpr UINT kComeToFront = WM_APP + 1;

LRESULT CALLBACK FrontProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kComeToFront) {
        ::SetForegroundWindow(window);
        return 0;
    }
    if (message == WM_TIMER) {
        ::DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}
}

int main(int argc, char** argv)
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    const wchar_t* name = wcsrchr(path, L'\\') ? wcsrchr(path, L'\\') + 1 : path;
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = FrontProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"KinetraTestFront";
    ::RegisterClassW(&windowClass);
    const HWND window = ::CreateWindowExW(0, L"KinetraTestFront", name, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 200, 320,
                                          200, nullptr, nullptr, windowClass.hInstance, nullptr);
    ::SetForegroundWindow(window);
    if (argc > 1 && std::strncmp(argv[1], "--hold=", 7) == 0)
        ::RegisterHotKey(window, 1, 0, std::strtoul(argv[1] + 7, nullptr, 16));
    else if (argc > 1)
        ::SetTimer(window, 1, static_cast<UINT>(std::atoi(argv[1])), nullptr);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&msg);
    return 0;
}
