// The time a switch of profile takes, p50 and p99 over 100 switches between two profiles each:
// - the switch's own cost, in this process: from the switching's decision (the load as it calls
//   it) to the simulated driver's reload report, for profiles that hold only the pad's settings
//   beside profiles with one value more, which go through the full checked restore;
// - "KinetraCmd load" to the driver's reload, as a launcher sees it: KinetraCmd started as a
//   process, the running demo loading the profile;
// - a program brought to the front to the driver's reload, settle time included.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "SimBench.h"
#include "device/DeviceThread.h"
#include "device/DxInput.h"
#include "profiles/DeviceKeyFile.h"
#include "profiles/ProfileLoad.h"
#include "settings/Setting.h"
#include "support/ChildProcess.h"
#include "support/DemoProcess.h"

namespace
{
constexpr int kLoads = 100;

// A profile of the seven settings values, KeyMap filled with `mark`; `extra` adds a value no
// load writes into the pad, which makes the load take the full checked restore.
bool WriteProfile(const std::string& name, BYTE mark, bool extra = false)
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
    if (extra)
        ::RegSetValueExA(key, "Note", 0, REG_SZ, reinterpret_cast<const BYTE*>("bench"), 6);
    const std::string path = DemoProcess::ProgramPath(("config\\" + name + ".reg").c_str());
    const bool saved = SaveKeyToFile(key, path, path + ".tmp") == EKeyFileResult::kDone;
    ::RegCloseKey(key);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KinetraBench");
    return saved;
}

void DeleteProfiles()
{
    for (const char* name : {"BenchA", "BenchB", "BenchC", "BenchD"})
        ::DeleteFileA(DemoProcess::ProgramPath(("config\\" + std::string(name) + ".reg").c_str()).c_str());
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

double MsBetween(LONGLONG start, LONGLONG end)
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(end - start) / static_cast<double>(frequency.QuadPart);
}

// When the driver got the reload report of the profile marked `mark`; 0 when the last report
// held other bytes.
LONGLONG ReloadOf(const CSimPad& pad, BYTE mark)
{
    const std::vector<CSimReload> reloads = pad.Reloads();
    if (reloads.empty())
        return 0;
    const auto keyMap = reloads.back().values.find("KeyMap");
    const bool holds = keyMap != reloads.back().values.end() && !keyMap->second.empty() && keyMap->second[0] == mark;
    return holds ? reloads.back().receivedQpc : 0;
}

// The switch's own cost on one simulated pad reporting `reportHz` times a second (the worker
// sends the reload after its next read, so up to one report period is the pad's, not the
// switch's), the worker running as in the program: `kLoads` loads as the switching makes them, alternating between `first` (KeyMap 0xA1) and `second`
// (0xB2), each timed to the driver's reload report of that profile's bytes. Empty when a load
// failed or no reload came.
struct CSwitchCost
{
    std::vector<double> toReload;  // from the decision to the driver's reload report
    std::vector<double> toDone;    // from the decision to the load's return, its record and history written
};

CSwitchCost SwitchCost(const char* first, const char* second, unsigned reportHz)
{
    CSimBench& bench = CSimBench::Get();
    CSimPadOptions options = CSimBench::Kind("wired");
    options.reportHz = reportHz;
    const std::shared_ptr<CSimPad> pad = bench.Pad(bench.Plug(options));
    CSetting& model = *CSetting::GetInstance();
    CDeviceThread* worker = CDeviceThread::GetInstance();
    worker->ResetDeviceSlots();
    model.RefreshDevices();
    g_nHandleSlots = kDeviceSlots;
    g_dwWaitTimeout = 0;
    model.m_nCurrentDevice = 0;
    model.SetDeviceActive(1);
    CSwitchCost cost;
    if (model.m_nDeviceCount == 1 && worker->Start()) {
        for (int i = 0; i < kLoads; ++i) {
            const bool a = i % 2 == 0;
            const std::size_t reloads = pad->ReloadCount();
            LARGE_INTEGER start, done;
            ::QueryPerformanceCounter(&start);
            const CLoadOutcome outcome = LoadProfile(0, a ? first : second, ELoadCaller::kSwitching);
            ::QueryPerformanceCounter(&done);
            const LONGLONG reload = pad->WaitForReloads(reloads + 1, 5000) ? ReloadOf(*pad, a ? 0xA1 : 0xB2) : 0;
            if (!outcome.Loaded() || !reload) {
                std::printf("switch %d to %s: %s\n", i, a ? first : second, outcome.message.c_str());
                cost = {};
                break;
            }
            cost.toReload.push_back(MsBetween(start.QuadPart, reload));
            cost.toDone.push_back(MsBetween(start.QuadPart, done.QuadPart));
        }
        worker->Stop();
    }
    worker->CloseDeviceHandles();
    worker->ResetDeviceSlots();
    CDxInput::GetInstance()->ClearDevices();
    bench.UnplugAll();
    return cost;
}

void PrintRow(const char* what, const std::vector<double>& times)
{
    if (times.empty())
        std::printf("| %s | failed | failed |\n", what);
    else
        std::printf("| %s, %zu | %.1f ms | %.1f ms |\n", what, times.size(), Percentile(times, 0.5),
                    Percentile(times, 0.99));
}

// The fast path beside the full restore, on a pad at 125 Hz (the demo's) and at 1000 Hz.
struct COwnCosts
{
    CSwitchCost fast125, full125, fast1000, full1000;
    bool Complete() const
    {
        return fast125.toReload.size() == kLoads && full125.toReload.size() == kLoads &&
               fast1000.toReload.size() == kLoads && full1000.toReload.size() == kLoads;
    }
};

COwnCosts MeasureOwnCosts()
{
    COwnCosts costs;
    costs.fast125 = SwitchCost("BenchA", "BenchB", 125);
    costs.full125 = SwitchCost("BenchC", "BenchD", 125);
    costs.fast1000 = SwitchCost("BenchA", "BenchB", 1000);
    costs.full1000 = SwitchCost("BenchC", "BenchD", 1000);
    return costs;
}

void PrintOwnCosts(const COwnCosts& costs)
{
    std::printf("| the switch's own cost, from the decision | p50 | p99 |\n|---|---|---|\n");
    PrintRow("to the driver's reload report, pad at 125 Hz: a profile of the settings only (values written and read "
             "back), switches",
             costs.fast125.toReload);
    PrintRow("the same: a profile with one value more (the full checked restore: undo hive saved, profile hive "
             "checked, restored, compared), switches",
             costs.full125.toReload);
    PrintRow("to the driver's reload report, pad at 1000 Hz: settings only, switches", costs.fast1000.toReload);
    PrintRow("the same: one value more, switches", costs.full1000.toReload);
    PrintRow("to the load's end, the history and the active profile written (1000 Hz): settings only, switches",
             costs.fast1000.toDone);
    PrintRow("the same: one value more, switches", costs.full1000.toDone);
}
}

// "SwitchBench own" measures only the switch's own cost.
int main(int argc, char** argv)
{
    if (!WriteProfile("BenchA", 0xA1) || !WriteProfile("BenchB", 0xB2) || !WriteProfile("BenchC", 0xA1, true) ||
        !WriteProfile("BenchD", 0xB2, true)) {
        std::printf("the bench's profiles could not be written\n");
        return 1;
    }
    const COwnCosts own = MeasureOwnCosts();
    if (argc > 1 && std::string(argv[1]) == "own") {
        PrintOwnCosts(own);
        DeleteProfiles();
        return own.Complete() ? 0 : 1;
    }
    std::vector<double> times;
    {
        DemoProcess demo;
        if (demo.WaitForLine("ready", 15000).empty()) {
            std::printf("the demo did not start\n");
            return 1;
        }
        LARGE_INTEGER start, end;
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
            times.push_back(MsBetween(start.QuadPart, end.QuadPart));
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
        LARGE_INTEGER start, end;
        for (int i = 0; browser && i < kLoads; ++i) {
            const bool toRace = i % 2 == 0;
            ::QueryPerformanceCounter(&start);
            ::PostMessageA(toRace ? race : browser, WM_APP + 1, 0, 0);
            const std::string line = demo.WaitForLine("reload 1", 10000);
            ::QueryPerformanceCounter(&end);
            if (line.find(toRace ? "KeyMap=a1a1" : "KeyMap=b2b2") == std::string::npos)
                break;
            switches.push_back(MsBetween(start.QuadPart, end.QuadPart));
        }
        for (const auto& front : fronts)
            front->Terminate();
    }
    const double cpuOn = IdleCpuMs(true);
    const double cpuOff = IdleCpuMs(false);
    ::DeleteFileA(DemoProcess::ProgramPath("config\\programs.txt").c_str());
    DeleteProfiles();
    PrintOwnCosts(own);
    std::printf("\n| a switch of profile, as a user sees it, to the driver's reload | p50 | p99 |\n|---|---|---|\n");
    PrintRow("KinetraCmd load: a new KinetraCmd process each time, the demo's output polled every 20 ms, loads", times);
    PrintRow("a program brought to the front: the safety check (every 200 ms), the 250 ms settle and the switch, "
             "the demo's output polled every 20 ms, switches",
             switches);
    std::printf("\nKinetra's CPU over 60 s, nothing happening: switching on %.0f ms, off %.0f ms\n", cpuOn, cpuOff);
    return own.Complete() && times.size() == kLoads && switches.size() == kLoads ? 0 : 1;
}
