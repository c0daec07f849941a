#pragma once
// What the tests of profile switching share: KinetraCmd run as a launcher runs it, profiles and
// rules written beside the demo, and programs of other processes brought to the front.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "profiles/DeviceKeyFile.h"
#include "resource.h"
#include "support/DemoProcess.h"
#include "support/TestSupport.h"

constexpr int kApplyButton = 0x3021;

struct CCmdResult
{
    DWORD code = STILL_ACTIVE;
    std::string out;
    std::string err;
};

inline std::string ReadAll(HANDLE pipe)
{
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    return text;
}

// KinetraCmd with `arguments`, its output read as a launcher would read it (pipes: UTF-8).
class CKinetraCmd
{
public:
    explicit CKinetraCmd(const std::wstring& arguments)
    {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE out = nullptr, err = nullptr;
        ::CreatePipe(&m_out, &out, &inherit, 0);
        ::CreatePipe(&m_err, &err, &inherit, 0);
        ::SetHandleInformation(m_out, HANDLE_FLAG_INHERIT, 0);
        ::SetHandleInformation(m_err, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out;
        startup.hStdError = err;
        const std::string exe = DemoProcess::ProgramPath("KinetraCmd.exe");
        std::wstring command = L"\"" + std::wstring(exe.begin(), exe.end()) + L"\" " + arguments;
        PROCESS_INFORMATION info = {};
        if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                             &startup, &info)) {
            m_process = info.hProcess;
            ::CloseHandle(info.hThread);
        }
        ::CloseHandle(out);
        ::CloseHandle(err);
    }
    ~CKinetraCmd()
    {
        for (HANDLE h : {m_process, m_out, m_err})
            if (h)
                ::CloseHandle(h);
    }
    CCmdResult Finish()
    {
        CCmdResult result;
        result.out = ReadAll(m_out);
        result.err = ReadAll(m_err);
        if (m_process && ::WaitForSingleObject(m_process, 30000) == WAIT_OBJECT_0)
            ::GetExitCodeProcess(m_process, &result.code);
        return result;
    }
    bool Running() const { return m_process && ::WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT; }

private:
    HANDLE m_process = nullptr;
    HANDLE m_out = nullptr;
    HANDLE m_err = nullptr;
};

inline CCmdResult Cmd(const std::wstring& arguments)
{
    return CKinetraCmd(arguments).Finish();
}

// A profile file in the demo's config folder whose KeyMap bytes are all `mark`.
inline void WriteProfile(const std::string& name, std::uint8_t mark)
{
    const ScratchKey key;
    key.Set("KeyConfig", std::vector<std::uint8_t>(32, 1));
    key.Set("KeyMap", std::vector<std::uint8_t>(32, mark));
    key.Set("Sensitivity", {45, 5, 1});
    key.Set("ForceFeedBack", {1, 5, 1});
    for (const char* stick : {"LeftAnalog", "RightAnalog", "LALA"})
        key.Set(stick, std::vector<std::uint8_t>(21, 0));
    const std::string path = DemoProcess::ProgramPath(("config\\" + name + ".reg").c_str());
    ASSERT_EQ(EKeyFileResult::kDone, SaveKeyToFile(key.get(), path, path + ".tmp")) << name;
}

inline std::string Marks(std::uint8_t mark)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (int i = 0; i < 32; ++i)
        hex += {kDigits[mark >> 4], kDigits[mark & 0xF]};
    return hex;
}

// The KeyMap of the next reload of the demo's first pad.
inline std::string NextKeyMap(DemoProcess& demo)
{
    return ReloadValue(demo.WaitForLine("reload 1", 10000), "KeyMap");
}

// The demo's sheet, opened again in a running demo, once the General page's first look at the pad
// is over and the reloads until then are read; null when it did not open.
inline HWND OpenSheet(DemoProcess& demo)
{
    demo.Send("config");
    const HWND sheet = FindSheet(10000);
    ::Sleep(2000);
    while (!demo.WaitForLine("reload ", 0).empty()) {
    }
    return sheet;
}

// The next reload line of the demo's first pad.
inline std::string NextReload(DemoProcess& demo)
{
    return demo.WaitForLine("reload 1", 10000);
}

inline std::string LastLine(DemoProcess& demo, const std::string& prefix)
{
    const std::vector<std::string> lines = demo.Lines();
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
        if (line->rfind(prefix, 0) == 0)
            return *line;
    return {};
}

inline bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The keys that pick profile `name` in the tray menu's Profiles submenu of a single pad: it lists
// the profiles in the order the folder gives them, as list does.
inline std::vector<UINT> TrayKeysTo(const std::string& name)
{
    std::vector<std::string> order;
    const std::string listed = Cmd(L"list").out;
    for (std::size_t start = 0, end; (end = listed.find('\n', start)) != std::string::npos; start = end + 1)
        order.push_back(listed.substr(start, listed.find_first_of(" \r\n", start) - start));
    std::vector<UINT> keys = {VK_DOWN, VK_RIGHT};
    const auto at = std::find(order.begin(), order.end(), name) - order.begin();
    keys.insert(keys.end(), static_cast<std::size_t>(at), VK_DOWN);
    return keys;
}

class ProfileSwitchFixture : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(nullptr, ::FindWindowA("Kinetra Class", nullptr)) << "a Kinetra from an earlier test still runs";
        Clean();
        WriteProfile("Race1", 0x11);
        WriteProfile("Desk", 0x22);
        const std::string broken = DemoProcess::ProgramPath("config\\Broken.reg");
        const HANDLE file = ::CreateFileA(broken.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(file, "not a hive", 10, &written, nullptr);
        ::CloseHandle(file);
    }
    void TearDown() override { Clean(); }
    static void Clean()
    {
        for (const char* file : {"Race1.reg", "Desk.reg", "Broken.reg", "Caf\xE9.reg"})
            ::DeleteFileA(DemoProcess::ProgramPath(("config\\" + std::string(file)).c_str()).c_str());
        ::DeleteFileA(DemoProcess::ProgramPath("ActiveProfiles.txt").c_str());
    }
};

constexpr UINT kComeToFront = WM_APP + 1;
constexpr DWORD kQuietMs = 1500;  // the check and the settle time, several times over

inline HWND WindowOf(DWORD process)
{
    HWND window = nullptr;
    while ((window = ::FindWindowExA(nullptr, window, "KinetraTestFront", nullptr)) != nullptr) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == process)
            return window;
    }
    return nullptr;
}

// A copy of the Front helper under `name`, started and in front; closed with the object.
class CFrontProgram
{
public:
    explicit CFrontProgram(const std::string& name)
    {
        const std::string exe = DemoProcess::ProgramPath((name + ".exe").c_str());
        ::CopyFileA(DemoProcess::ProgramPath("Front.exe").c_str(), exe.c_str(), FALSE);
        std::string command = "\"" + exe + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
            m_process = info.hProcess;
            ::CloseHandle(info.hThread);
        }
        WaitUntil([&] { return (m_window = WindowOf(::GetProcessId(m_process))) != nullptr; }, 10000);
    }
    ~CFrontProgram() { Close(); }
    void ToFront() const { ::PostMessageA(m_window, kComeToFront, 0, 0); }
    void Close()
    {
        if (!m_process)
            return;
        ::PostMessageA(m_window, WM_CLOSE, 0, 0);
        ::WaitForSingleObject(m_process, 5000);
        ::CloseHandle(m_process);
        m_process = nullptr;
    }
    HWND window() const { return m_window; }

private:
    HANDLE m_process = nullptr;
    HWND m_window = nullptr;
};

inline void WriteRules(const std::string& text)
{
    const std::string path = DemoProcess::ProgramPath("config\\programs.txt");
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
}

// The rules of the switching tests: the race game gets Race1 (the rule before it names a deleted
// profile and is skipped), everything else the one `otherwise` names.
inline std::string Rules(const char* otherwise, bool untilExit)
{
    return std::string("switch: on\nwhen no rule matches: ") + otherwise +
           "\nkeep until exit: " + (untilExit ? "on" : "off") +
           "\nRaceGame.exe => Gone\nRaceGame.exe => Race1\nthis line is no rule\n";
}

class ProgramSwitchFixture : public ProfileSwitchFixture
{
protected:
    void TearDown() override
    {
        ::DeleteFileA(DemoProcess::ProgramPath("config\\programs.txt").c_str());
        ProfileSwitchFixture::TearDown();
    }
    // No reload within the quiet time.
    static bool StaysQuiet(DemoProcess& demo) { return demo.WaitForLine("reload 1", kQuietMs).empty(); }
    // The demo once it is ready and what its start decided for the window in front then (the
    // desktop gets "when no rule matches") has reached the driver.
    static bool Started(DemoProcess& demo)
    {
        if (demo.WaitForLine("ready", 15000).empty())
            return false;
        while (!demo.WaitForLine("reload ", kQuietMs).empty()) {
        }
        return true;
    }
};
