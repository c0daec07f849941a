// Measures the device worker on simulated pads: how long a reload request takes to reach the
// driver, and what the worker costs while it waits and reads. One line per case.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "SimBench.h"
#include "app/DeviceThread.h"
#include "device/DxInput.h"
#include "framework/MessageBox.h"
#include "settings/Setting.h"

namespace
{
constexpr int kLatencySamples = 300;
constexpr DWORD kLoadWindowMs = 5000;
constexpr DWORD kSettleMs = 300;

double QpcToMs(LONGLONG ticks)
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

LONGLONG Now()
{
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double ThreadCpuMs(HANDLE thread)
{
    FILETIME created, exited, kernel, user;
    if (!::GetThreadTimes(thread, &created, &exited, &kernel, &user))
        return -1;
    auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e4;
}

double Percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

// The program's start-up order: slots emptied, discovery, wait time by the table, worker started.
bool StartWorker()
{
    CDeviceThread* worker = CDeviceThread::GetInstance();
    worker->ResetDeviceSlots();
    CSetting& model = *CSetting::GetInstance();
    model.RefreshDevices();
    g_nHandleSlots = kDeviceSlots;
    g_dwWaitTimeout = model.m_nDeviceCount > 0 ? 0 : kIdleWaitMs;
    model.m_nCurrentDevice = 0;
    model.SetDeviceActive(model.m_nDeviceCount > 0 ? 1 : 0);
    return worker->Start() != nullptr;
}

void StopWorker()
{
    CDeviceThread* worker = CDeviceThread::GetInstance();
    worker->Stop();
    worker->CloseDeviceHandles();
    worker->ResetDeviceSlots();
    CDxInput::GetInstance()->ClearDevices();
    CSimBench::Get().UnplugAll();
}

void Latency(unsigned rateHz)
{
    CSimPadOptions options = CSimBench::Kind("wired");
    options.reportHz = rateHz;
    const auto pad = CSimBench::Get().Pad(CSimBench::Get().Plug(options));
    if (!StartWorker() || CSetting::GetInstance()->m_nDeviceCount != 1) {
        std::printf("case=latency rate_hz=%u error=no_device\n", rateHz);
        StopWorker();
        return;
    }
    ::Sleep(kSettleMs);
    std::vector<double> samples;
    for (int i = 0; i < kLatencySamples; ++i) {
        const std::size_t before = pad->ReloadCount();
        const LONGLONG sent = Now();
        CSetting::GetInstance()->RequestDriverUpdate();
        if (!pad->WaitForReloads(before + 1, 2000))
            break;
        samples.push_back(QpcToMs(pad->Reloads()[before].receivedQpc - sent));
        ::Sleep(1 + static_cast<DWORD>(i % 7));  // requests at changing phases of the report clock
    }
    StopWorker();
    if (samples.size() < kLatencySamples) {
        std::printf("case=latency rate_hz=%u error=lost_reload samples=%zu\n", rateHz, samples.size());
        return;
    }
    std::printf("case=latency rate_hz=%u median_ms=%.2f p99_ms=%.2f\n", rateHz, Percentile(samples, 0.5),
                Percentile(samples, 0.99));
}

void Load(const char* name, const std::vector<CSimPadOptions>& pads, unsigned rateHz)
{
    for (const auto& options : pads)
        CSimBench::Get().Plug(options);
    if (!StartWorker()) {
        std::printf("case=%s error=no_worker\n", name);
        StopWorker();
        return;
    }
    ::Sleep(kSettleMs);
    const HANDLE thread = CDeviceThread::GetInstance()->m_hThread;
    const unsigned cyclesBefore = g_nWorkerCycles.load();
    const double cpuBefore = ThreadCpuMs(thread);
    const LONGLONG started = Now();
    ::Sleep(kLoadWindowMs);
    const double wallMs = QpcToMs(Now() - started);
    const double cpuMs = ThreadCpuMs(thread) - cpuBefore;
    const unsigned cycles = g_nWorkerCycles.load() - cyclesBefore;
    StopWorker();
    std::string rate = rateHz ? " rate_hz=" + std::to_string(rateHz) : std::string();
    std::printf("case=%s%s cpu_pct=%.2f wakeups_per_s=%.1f\n", name, rate.c_str(), cpuMs * 100.0 / wallMs,
                cycles * 1000.0 / wallMs);
}

CSimPadOptions Pad(const char* kind, unsigned rateHz, bool failReads = false)
{
    CSimPadOptions options = CSimBench::Kind(kind);
    options.reportHz = rateHz;
    options.failReads = failReads;
    return options;
}
}

int main()
{
    // Nobody is there to press OK: boxes go to the error output.
    CMessageBox::SetObserver([](HWND, const char* text, const char* caption, UINT) {
        std::fprintf(stderr, "message [%s] %s\n", caption, text);
        return IDOK;
    });
    for (unsigned rate : {125u, 500u, 1000u})
        Latency(rate);
    Load("no_pad", {}, 0);
    for (unsigned rate : {125u, 1000u})
        Load("two_pads", {Pad("wired", rate), Pad("wireless", rate)}, rate);
    Load("failing_pad", {Pad("wired", 125, true)}, 0);
    std::fflush(stdout);
    return 0;
}
