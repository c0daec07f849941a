// The time from "KinetraCmd load" to the driver's reload, as a launcher sees it: KinetraCmd
// started as a process, the running demo loading the profile, the simulated driver reloading.
// Prints p50 and p99 over 100 loads, alternating between two profiles.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "profiles/DeviceKeyFile.h"
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
    std::string command = "\"" + DemoProcess::ProgramPath("KinetraCmd.exe") + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                          &startup, &info))
        return false;
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return true;
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
    for (const char* name : {"BenchA", "BenchB"})
        ::DeleteFileA(DemoProcess::ProgramPath(("config\\" + std::string(name) + ".reg").c_str()).c_str());
    if (times.empty())
        return 1;
    std::printf("| KinetraCmd load to the driver's reload (%zu loads) | p50 | p99 |\n|---|---|---|\n", times.size());
    std::printf("| a new KinetraCmd process each time, the demo's output polled every 20 ms | %.0f ms | %.0f ms |\n",
                Percentile(times, 0.5), Percentile(times, 0.99));
    return times.size() == kLoads ? 0 : 1;
}
