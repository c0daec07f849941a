#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/ChildProcess.h"

// KinetraDemo.exe started as a person would start it, with its standard input and output
// in the test's hands: commands go in, reload and status lines come out.
class DemoProcess
{
public:
    explicit DemoProcess(const std::string& pads = "wired", const char* program = "KinetraDemo.exe");
    ~DemoProcess();
    DemoProcess(const DemoProcess&) = delete;
    DemoProcess& operator=(const DemoProcess&) = delete;

    bool Started() const { return m_child.Started(); }
    HANDLE process() const { return m_child.Handle(); }
    void Send(const std::string& line) const;
    // The next output line that starts with `prefix`, or "" after the time-out.
    std::string WaitForLine(const std::string& prefix, DWORD timeoutMs);
    std::vector<std::string> Lines();
    // The exit code once the process ended within the time-out; STILL_ACTIVE otherwise.
    DWORD WaitForExit(DWORD timeoutMs) const { return m_child.WaitForExit(timeoutMs); }
    // Asks for "status" and returns the device count it reports (-1 on no answer).
    int DeviceCount();

    static std::string ProgramPath(const char* program) { return CChildProcess::BesideMe(program); }

private:
    void Pump();

    CChildProcess m_child;
    std::string m_pending;
    std::vector<std::string> m_lines;
    std::size_t m_consumed = 0;
};

// The hidden window of a running Kinetra, or null.
HWND FindKinetraWindow(DWORD timeoutMs = 10000);
// The open configuration sheet, or null.
HWND FindSheet(DWORD timeoutMs = 5000);
int CountSheets();
// Whether the shell holds Kinetra's tray icon for this hidden window.
bool TrayIconExists(HWND hidden);
// The General page's device-count check, run now instead of waited for: its first run after a
// change of the pad count rebuilds the list and loads a lone pad again, which would undo the
// edits a person made before it. `sheet`, or null when it has no General page.
HWND SettleSheet(HWND sheet);
// The demo asked for its sheet once it is ready; the sheet once settled and the reloads until
// then read, or null.
HWND OpenSettledSheet(DemoProcess& demo);
// The hex of the value `name` in a "reload" line; empty when the line has none.
std::string ReloadValue(const std::string& line, const std::string& name);
// The visible dialogs of `process` but its sheet and `except`, each with "caption: text":
// the message boxes it shows.
std::vector<std::pair<HWND, std::string>> OpenMessageBoxes(HANDLE process, HWND except = nullptr);
// The visible menu window (the tray's, or its open submenu), or null after the time-out.
HWND FindMenuWindow(DWORD timeoutMs = 5000);
// Opens the tray menu as a right click on the icon does, presses `keys` in it and then Enter;
// with `screenshot`, the open menu is taken first. False when no menu opened.
bool ChooseFromTrayMenu(HWND hidden, const std::vector<UINT>& keys, const char* screenshot = nullptr);
// The screenshot of the whole screen, written beside the test executables.
std::string SaveScreenshot(const char* name);
