#include "support/DemoProcess.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>

namespace
{
std::string ExeDir()
{
    return CChildProcess::BesideMe("");
}

struct SheetSearch
{
    int count = 0;
    HWND first = nullptr;
};

BOOL CALLBACK CountSheet(HWND window, LPARAM lParam)
{
    char className[32] = {}, title[64] = {};
    ::GetClassNameA(window, className, sizeof className);
    ::GetWindowTextA(window, title, sizeof title);
    if (std::string(className) == "#32770" && std::string(title) == "Kinetra" && ::IsWindowVisible(window)) {
        auto* search = reinterpret_cast<SheetSearch*>(lParam);
        if (!search->first)
            search->first = window;
        ++search->count;
    }
    return TRUE;
}
}

namespace
{
// The simulated pads are the child's environment, set in ours before it starts.
std::string WithPads(const std::string& pads, const char* program)
{
    ::SetEnvironmentVariableA("KINETRA_SIM_PADS", pads.c_str());
    return CChildProcess::Quoted(DemoProcess::ProgramPath(program));
}

CChildOptions DemoOptions()
{
    static const std::string folder = ExeDir();
    CChildOptions options;
    options.folder = folder.c_str();
    options.hidden = true;
    options.pipes = true;
    options.errorToOutput = true;
    return options;
}
}

DemoProcess::DemoProcess(const std::string& pads, const char* program) : m_child(WithPads(pads, program), DemoOptions())
{}

DemoProcess::~DemoProcess()
{
    if (!m_child.Running())
        return;
    Send("quit");
    if (WaitForExit(5000) == STILL_ACTIVE)
        m_child.Terminate();
}

void DemoProcess::Send(const std::string& line) const
{
    const std::string text = line + "\n";
    DWORD written = 0;
    ::WriteFile(m_child.Input(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void DemoProcess::Pump()
{
    DWORD available = 0;
    while (::PeekNamedPipe(m_child.Output(), nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        char buffer[4096];
        DWORD read = 0;
        if (!::ReadFile(m_child.Output(), buffer, sizeof buffer, &read, nullptr) || read == 0)
            return;
        m_pending.append(buffer, read);
    }
    std::size_t end;
    while ((end = m_pending.find('\n')) != std::string::npos) {
        std::string line = m_pending.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        m_lines.push_back(line);
        m_pending.erase(0, end + 1);
    }
}

std::string DemoProcess::WaitForLine(const std::string& prefix, DWORD timeoutMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        Pump();
        for (; m_consumed < m_lines.size(); ++m_consumed) {
            if (m_lines[m_consumed].rfind(prefix, 0) == 0)
                return m_lines[m_consumed++];
        }
        if (::GetTickCount64() > deadline)
            return "";
        ::Sleep(20);
    }
}

std::vector<std::string> DemoProcess::Lines()
{
    Pump();
    return m_lines;
}

int DemoProcess::DeviceCount()
{
    Send("status");
    const std::string line = WaitForLine("status ", 5000);
    int count = -1;
    std::sscanf(line.c_str(), "status devices=%d", &count);
    return count;
}

HWND FindKinetraWindow(DWORD timeoutMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND window = ::FindWindowA("Kinetra Class", "Kinetra"))
            return window;
        if (::GetTickCount64() > deadline)
            return nullptr;
        ::Sleep(50);
    }
}

HWND FindSheet(DWORD timeoutMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        SheetSearch search;
        ::EnumWindows(CountSheet, reinterpret_cast<LPARAM>(&search));
        if (search.first)
            return search.first;
        if (::GetTickCount64() > deadline)
            return nullptr;
        ::Sleep(50);
    }
}

int CountSheets()
{
    SheetSearch search;
    ::EnumWindows(CountSheet, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

bool TrayIconExists(HWND hidden)
{
    // Modifying an icon succeeds only while the shell holds it.
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = hidden;
    data.uID = 3025;
    data.uFlags = NIF_TIP;
    lstrcpynA(data.szTip, "Kinetra", sizeof data.szTip);
    return ::Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

HWND FindMenuWindow(DWORD timeoutMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        HWND menu = ::FindWindowA("#32768", nullptr);
        if (menu && ::IsWindowVisible(menu))
            return menu;
        if (::GetTickCount64() > deadline)
            return nullptr;
        ::Sleep(50);
    }
}

bool ChooseFromTrayMenu(HWND hidden, const std::vector<UINT>& keys, const char* screenshot)
{
    // Where a person's pointer would be: on the icon in Wine's tray, top left of the screen.
    ::SetCursorPos(14, 34);
    ::PostMessageA(hidden, 3024, 0, WM_RBUTTONUP);
    const HWND menu = FindMenuWindow();
    if (!menu)
        return false;
    ::Sleep(800);
    // The menu's loop reads every key of its thread's queue, a submenu's too.
    for (UINT key : keys) {
        ::PostMessageA(menu, WM_KEYDOWN, key, 0);
        if (key == VK_RIGHT)
            ::Sleep(500);
    }
    if (screenshot) {
        ::Sleep(300);
        SaveScreenshot(screenshot);
    }
    ::PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    return true;
}

std::string SaveScreenshot(const char* name)
{
    // The screen as the X server shows it, every process's windows included, copied through
    // GDI and written as a 24-bit BMP.
    const std::string dir = ExeDir() + "..\\screenshots";
    ::CreateDirectoryA(dir.c_str(), nullptr);
    const std::string file = dir + "\\" + name + ".bmp";
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP shot = ::CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr,
                                      0);
    HGDIOBJ previous = ::SelectObject(memory, shot);
    ::BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    ::GdiFlush();
    const DWORD rowBytes = ((width * 3 + 3) / 4) * 4;
    BITMAPFILEHEADER fileHeader = {};
    fileHeader.bfType = 0x4D42;
    fileHeader.bfOffBits = sizeof fileHeader + sizeof header;
    fileHeader.bfSize = fileHeader.bfOffBits + rowBytes * height;
    if (FILE* f = std::fopen(file.c_str(), "wb")) {
        std::fwrite(&fileHeader, sizeof fileHeader, 1, f);
        std::fwrite(&header, sizeof header, 1, f);
        std::fwrite(bits, rowBytes, height, f);
        std::fclose(f);
    }
    ::SelectObject(memory, previous);
    ::DeleteObject(shot);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return file;
}

namespace
{
struct COwnDialogs
{
    DWORD process = 0;
    HWND except = nullptr;
    std::vector<std::pair<HWND, std::string>> boxes;
};

BOOL CALLBACK FindOwnDialog(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<COwnDialogs*>(lParam);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    char className[32] = {}, title[128] = {}, text[256] = {};
    ::GetClassNameA(window, className, sizeof className);
    ::GetWindowTextA(window, title, sizeof title);
    // The sheet has the same caption as a message box of the program; only it has tabs.
    const bool sheet = ::FindWindowExA(window, nullptr, WC_TABCONTROLA, nullptr) != nullptr;
    if (process != search->process || std::string(className) != "#32770" || !::IsWindowVisible(window) || sheet ||
        window == search->except)
        return TRUE;
    ::GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    search->boxes.emplace_back(window, std::string(title) + ": " + text);
    return TRUE;
}
}

std::vector<std::pair<HWND, std::string>> OpenMessageBoxes(HANDLE process, HWND except)
{
    COwnDialogs search;
    search.process = ::GetProcessId(process);
    search.except = except;
    ::EnumWindows(FindOwnDialog, reinterpret_cast<LPARAM>(&search));
    return search.boxes;
}

HWND SettleSheet(HWND sheet)
{
    const auto general = reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_INDEXTOHWND, 0, 0));
    if (!general)
        return nullptr;
    ::SendMessageA(general, WM_TIMER, 0, 0);
    return sheet;
}

HWND OpenSettledSheet(DemoProcess& demo)
{
    if (demo.WaitForLine("ready", 15000).empty())
        return nullptr;
    demo.Send("config");
    const HWND sheet = SettleSheet(FindSheet(10000));
    while (!demo.WaitForLine("reload ", 0).empty()) {
    }
    return sheet;
}

std::string ReloadValue(const std::string& line, const std::string& name)
{
    const auto start = line.find(" " + name + "=");
    if (start == std::string::npos)
        return {};
    const auto from = start + name.size() + 2;
    return line.substr(from, line.find(' ', from) - from);
}
