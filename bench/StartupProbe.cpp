// Starts Kinetra and the minimal tray program as a user's shell would and watches them from
// outside: time from CreateProcess to the hidden window, working set idle and with the sheet
// open, and time from the "&Configuration" command to the visible sheet. The two programs take
// turns, so both see the same machine. Prints Markdown rows.
// The minimal program maps the DLLs named after the exe (scripts/bench names the ones a tray of
// this kind needs at rest), so a DLL Kinetra maps that its rest does not need counts against it.
//   StartupProbe.exe [runs [kinetra exe [dll...]]]   (default 7 runs of each per load, Kinetra.exe)
#include <windows.h>

#include <psapi.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "BenchUtil.h"
#include "support/ChildProcess.h"

namespace
{
constexpr UINT kOpenSheet = 40001;  // the tray menu's "&Configuration" in both programs
constexpr UINT kQuit = 40002;       // its "&Quit"
constexpr DWORD kWindowTimeoutMs = 15000;
constexpr DWORD kSettleMs = 1000;  // before a working set is read, so start-up work has ended
constexpr DWORD kPollMs = 1;

struct CProgram
{
    const char* name;
    const char* exe;
    const char* windowClass;
    const char* sheetCaption;
    bool takesDlls;
};

struct CRun
{
    int modules = 0;
    double startMs = 0;
    double sheetMs = 0;
    double idleMb = 0;
    double sheetMb = 0;
};

struct CSeries
{
    std::vector<double> startMs, sheetMs, idleMb, sheetMb, modules;
    int failed = 0;
};

// A top-level window of that class (and caption, if given) owned by the process, or null.
HWND FindOwnWindow(DWORD processId, const char* windowClass, const char* caption, bool visible)
{
    HWND window = nullptr;
    while ((window = ::FindWindowExA(nullptr, window, windowClass, caption)) != nullptr) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == processId && (!visible || ::IsWindowVisible(window)))
            return window;
    }
    return nullptr;
}

HWND WaitForWindow(DWORD processId, const char* windowClass, const char* caption, bool visible)
{
    const DWORD started = ::GetTickCount();
    for (;;) {
        if (HWND window = FindOwnWindow(processId, windowClass, caption, visible))
            return window;
        if (::GetTickCount() - started > kWindowTimeoutMs)
            return nullptr;
        ::Sleep(kPollMs);
    }
}

bool WaitUntilGone(DWORD processId, const char* windowClass, const char* caption)
{
    const DWORD started = ::GetTickCount();
    while (FindOwnWindow(processId, windowClass, caption, false)) {
        if (::GetTickCount() - started > kWindowTimeoutMs)
            return false;
        ::Sleep(10);
    }
    return true;
}

// The DLLs the minimal program maps at start, as its command line's arguments.
std::string g_strBaselineDlls;

// How many DLLs the process has mapped.
int MappedDlls(HANDLE process)
{
    HMODULE modules[512];
    DWORD needed = 0;
    if (!::EnumProcessModules(process, modules, sizeof modules, &needed))
        return -1;
    return static_cast<int>(std::min<DWORD>(needed, sizeof modules) / sizeof modules[0]) - 1;  // less the program
}

double WorkingSetMb(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(process, &counters, sizeof counters))
        return -1;
    return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

// Ends the program by its own "&Quit"; by force only if it does not end in time.
void EndProgram(const CChildProcess& process, HWND window)
{
    if (window)
        ::PostMessageA(window, WM_COMMAND, kQuit, 0);
    if (process.WaitForExit(10000) == STILL_ACTIVE) {
        std::fprintf(stderr, "probe: program did not end, terminated\n");
        process.Terminate();
        process.WaitForExit(5000);
    }
}

bool MeasureOnce(const CProgram& program, CRun& run)
{
    const LONGLONG started = BenchNow();
    const CChildProcess process(CChildProcess::Quoted(program.exe) + (program.takesDlls ? g_strBaselineDlls : ""));
    if (!process.Started()) {
        std::fprintf(stderr, "probe: cannot start %s (error %lu)\n", program.exe, ::GetLastError());
        return false;
    }
    const HWND window = WaitForWindow(process.Id(), program.windowClass, nullptr, false);
    run.startMs = BenchMs(BenchNow() - started);
    if (!window) {
        std::fprintf(stderr, "probe: %s made no window of class \"%s\"\n", program.exe, program.windowClass);
        EndProgram(process, nullptr);
        return false;
    }
    ::Sleep(kSettleMs);
    run.idleMb = WorkingSetMb(process.Handle());
    run.modules = MappedDlls(process.Handle());
    const LONGLONG asked = BenchNow();
    ::PostMessageA(window, WM_COMMAND, kOpenSheet, 0);
    const HWND sheet = WaitForWindow(process.Id(), MAKEINTATOM(32770), program.sheetCaption, true);
    run.sheetMs = BenchMs(BenchNow() - asked);
    bool ok = sheet != nullptr;
    if (ok) {
        ::Sleep(kSettleMs);
        run.sheetMb = WorkingSetMb(process.Handle());
        ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
        ok = WaitUntilGone(process.Id(), MAKEINTATOM(32770), program.sheetCaption);
    } else {
        std::fprintf(stderr, "probe: %s showed no sheet \"%s\"\n", program.exe, program.sheetCaption);
    }
    EndProgram(process, window);
    return ok;
}

std::string Cell(const std::vector<double>& values, int decimals, const char* unit)
{
    if (values.empty())
        return "n/a";
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return Fixed(Percentile(values, 0.5), decimals) + (*unit ? " " : "") + unit + " (" + Fixed(*low, decimals) + "-" +
           Fixed(*high, decimals) + ")";
}
}

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    for (int i = 3; i < argc; ++i)
        g_strBaselineDlls += std::string(" ") + argv[i];
    const CProgram programs[] = {
        {"Kinetra", argc > 2 ? argv[2] : "Kinetra.exe", "Kinetra Class", "Kinetra", false},
        {"minimal", "MinimalTray.exe", "Minimal Tray Class", "Minimal Tray", true},
    };
    std::printf("Start-up and memory of %s, median (min-max) of %d runs each; the two programs take turns.\n\n",
                programs[0].exe, runs);
    PrintHeader({"figure", "load", "Kinetra", "minimal tray program"});
    for (ELoad load : {ELoad::kIdle, ELoad::kOtherCore}) {
        CSeries series[2];
        {
            CBusyLoad busy(load);
            for (int i = 0; i < runs; ++i) {
                for (int p = 0; p < 2; ++p) {
                    CRun run;
                    if (!MeasureOnce(programs[p], run)) {
                        ++series[p].failed;
                        continue;
                    }
                    series[p].startMs.push_back(run.startMs);
                    series[p].sheetMs.push_back(run.sheetMs);
                    series[p].idleMb.push_back(run.idleMb);
                    series[p].sheetMb.push_back(run.sheetMb);
                    series[p].modules.push_back(run.modules);
                }
            }
        }
        const char* loadName = LoadName(load);
        PrintRow(
            {"start to hidden window", loadName, Cell(series[0].startMs, 0, "ms"), Cell(series[1].startMs, 0, "ms")});
        PrintRow({"sheet open (command to visible sheet)", loadName, Cell(series[0].sheetMs, 0, "ms"),
                  Cell(series[1].sheetMs, 0, "ms")});
        if (load != ELoad::kIdle)
            continue;  // memory does not depend on the other core
        PrintRow({"working set, idle", loadName, Cell(series[0].idleMb, 1, "MB"), Cell(series[1].idleMb, 1, "MB")});
        PrintRow({"DLLs mapped, idle", loadName, Cell(series[0].modules, 0, ""), Cell(series[1].modules, 0, "")});
        PrintRow(
            {"working set, sheet open", loadName, Cell(series[0].sheetMb, 1, "MB"), Cell(series[1].sheetMb, 1, "MB")});
        for (int p = 0; p < 2; ++p) {
            if (series[p].failed)
                std::printf("(%s: %d of %d runs failed, see the error output)\n", programs[p].name, series[p].failed,
                            runs);
        }
    }
    return 0;
}
