// The time from "KinetraCmd load" to the driver's reload, as a launcher sees it: KinetraCmd
// started as a process, the running demo loading the profile, the simulated driver reloading.
// Prints p50 and p99 over 100 loads, alternating between two profiles.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "profiles/DeviceKeyFile.h"
#include "support/ChildProcess.h"
#include "support/DemoProcess.h"

namespace
{
constexpr int kLoads = 100;

bool WriteProfile(const std::string& name, BYTE mark)
{
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\KinetraBench", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr) != ERROR_SUCCESS)
        return false;
    const struct
    {
        const char* name;
        DWORD size;
        BYTE fill;
    } kValues[] = {{"KeyConfig", 32, 1},  {"KeyMap", 32, mark},   {"Sensitivity", 3, 45}, {"ForceFeedBack", 3, 1},
                   {"LeftAnalog", 21, 0}, {"RightAnalog", 21, 0}, {"LALA", 21, 0}};
    for (const auto& value : kValues) {
        const std::vector<BYTE> bytes(value.size, value.fill);
        ::RegSetValueExA(key, value.name, 0, REG_BINARY, bytes.data(), value.size);
    }
    const std::string path = DemoProcess::ProgramPath(("config\\" + name + ".reg").c_str());
    const bool saved = SaveKeyToFile(key, path, path + ".tmp") == EKeyFileResult::kDone;
    ::RegCloseKey(key);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KinetraBench");
    return saved;
}

bool RunCmd(const std::string& arguments)
{
    CChildOptions hidden;
    hidden.hidden = true;
    return CChildProcess(CChildProcess::Quoted(DemoProcess::ProgramPath("KinetraCmd.exe")) + " " + arguments, hidden)
        .Started();
}

void WriteText(const std::string& path, const std::string& text)
{
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
}

// A copy of the tests' Front program under `name`, started; its window.
HWND StartFront(const std::string& name, std::vector<std::unique_ptr<CChildProcess>>& processes)
{
    const std::string exe = CChildProcess::CopyBesideMe("Front.exe", name + ".exe");
    const CChildProcess& front = *processes.emplace_back(std::make_unique<CChildProcess>(CChildProcess::Quoted(exe)));
    return front.WaitForWindow("KinetraTestFront", 10000);
}

double ProcessCpuMs(HANDLE process)
{
    FILETIME created, ended, kernel, user;
    ::GetProcessTimes(process, &created, &ended, &kernel, &user);
    const auto ms = [](const FILETIME& t) {
        return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
}

// Kinetra's CPU over 60 s with nothing happening, switching on or off.
double IdleCpuMs(bool switching)
{
    WriteText(DemoProcess::ProgramPath("config\\programs.txt"),
              std::string("switch: ") + (switching ? "on" : "off") + "\nRaceGame.exe => BenchA\n");
    DemoProcess demo;
    if (demo.WaitForLine("ready", 15000).empty())
        return -1;
    ::Sleep(2000);
    const double before = ProcessCpuMs(demo.process());
    ::Sleep(60000);
    return ProcessCpuMs(demo.process()) - before;
}

double Percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
    return values[at];
}
}

int main()
{
    if (!WriteProfile("BenchA", 0xA1) || !WriteProfile("BenchB", 0xB2)) {
        std::printf("the bench's profiles could not be written\n");
        return 1;
    }
    std::vector<double> times;
    {
        DemoProcess demo;
        if (demo.WaitForLine("ready", 15000).empty()) {
            std::printf("the demo did not start\n");
            return 1;
        }
        LARGE_INTEGER frequency, start, end;
        ::QueryPerformanceFrequency(&frequency);
        for (int i = 0; i < kLoads; ++i) {
            const bool a = i % 2 == 0;
            ::QueryPerformanceCounter(&start);
            if (!RunCmd(a ? "load BenchA" : "load BenchB"))
                break;
            const std::string line = demo.WaitForLine("reload 1", 10000);
            ::QueryPerformanceCounter(&end);
            if (line.find(a ? "KeyMap=a1a1" : "KeyMap=b2b2") == std::string::npos) {
                std::printf("load %d reached no reload: %s\n", i, line.c_str());
                break;
            }
            times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                            static_cast<double>(frequency.QuadPart));
        }
    }
    // Foreground change to the driver's reload: two programs brought to the front in turn.
    std::vector<double> switches;
    {
        WriteText(DemoProcess::ProgramPath("config\\programs.txt"),
                  "switch: on\nwhen no rule matches: load BenchB\nRaceGame.exe => BenchA\n");
        DemoProcess demo;
        std::vector<std::unique_ptr<CChildProcess>> fronts;
        const HWND race = demo.WaitForLine("ready", 15000).empty() ? nullptr : StartFront("RaceGame", fronts);
        const HWND browser = race ? StartFront("Browser", fronts) : nullptr;
        ::Sleep(2000);
        while (!demo.WaitForLine("reload ", 0).empty()) {
        }
        LARGE_INTEGER frequency, start, end;
        ::QueryPerformanceFrequency(&frequency);
        for (int i = 0; browser && i < kLoads; ++i) {
            const bool toRace = i % 2 == 0;
            ::QueryPerformanceCounter(&start);
            ::PostMessageA(toRace ? race : browser, WM_APP + 1, 0, 0);
            const std::string line = demo.WaitForLine("reload 1", 10000);
            ::QueryPerformanceCounter(&end);
            if (line.find(toRace ? "KeyMap=a1a1" : "KeyMap=b2b2") == std::string::npos)
                break;
            switches.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                               static_cast<double>(frequency.QuadPart));
        }
        for (const auto& front : fronts)
            front->Terminate();
    }
    const double cpuOn = IdleCpuMs(true);
    const double cpuOff = IdleCpuMs(false);
    ::DeleteFileA(DemoProcess::ProgramPath("config\\programs.txt").c_str());
    for (const char* name : {"BenchA", "BenchB"})
        ::DeleteFileA(DemoProcess::ProgramPath(("config\\" + std::string(name) + ".reg").c_str()).c_str());
    if (times.empty())
        return 1;
    std::printf("| KinetraCmd load to the driver's reload (%zu loads) | p50 | p99 |\n|---|---|---|\n", times.size());
    std::printf("| a new KinetraCmd process each time, the demo's output polled every 20 ms | %.0f ms | %.0f ms |\n",
                Percentile(times, 0.5), Percentile(times, 0.99));
    if (!switches.empty())
        std::printf("| foreground change to the driver's reload, safety check (every 200 ms) and 250 ms settle, "
                    "%zu switches | %.0f ms | %.0f ms |\n",
                    switches.size(), Percentile(switches, 0.5), Percentile(switches, 0.99));
    std::printf("\nKinetra's CPU over 60 s, nothing happening: switching on %.0f ms, off %.0f ms\n", cpuOn, cpuOff);
    return times.size() == kLoads && switches.size() == kLoads ? 0 : 1;
}
