// Measures the device worker on simulated pads, beside a bare worker that only reads and
// writes the same reports: how long a reload request takes to reach the driver, and what the
// worker costs while it waits and reads, each with and without busy cores. Prints Markdown
// tables.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "BenchUtil.h"
#include "MinimalWorker.h"
#include "SimBench.h"
#include "device/DeviceThread.h"
#include "device/DxInput.h"
#include "framework/MessageBox.h"
#include "settings/Setting.h"

namespace
{
constexpr int kLatencySamples = 300;
constexpr DWORD kLoadWindowMs = 5000;
constexpr DWORD kSettleMs = 300;
constexpr DWORD kLostAfterMs = 1000;  // hundreds of report periods even at 125 Hz
constexpr int kMaxLost = 5;

double ThreadCpuMs(HANDLE thread)
{
    FILETIME created, exited, kernel, user;
    if (!::GetThreadTimes(thread, &created, &exited, &kernel, &user))
        return -1;
    auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e4;
}

// The worker under measurement: Kinetra's own (at a chosen priority) or the bare one.
class CWorker
{
public:
    virtual ~CWorker() = default;
    virtual bool Start(const std::vector<std::shared_ptr<CSimPad>>& pads) = 0;
    virtual void RequestReload() = 0;
    virtual void Stop() = 0;
    virtual HANDLE Thread() const = 0;
    virtual unsigned Cycles() const = 0;
};

class CKinetraWorker : public CWorker
{
public:
    explicit CKinetraWorker(int priority) : m_nPriority(priority) {}

    // The program's start-up order: slots emptied, discovery, wait time by the table, worker
    // started; then the priority under measurement, whatever Start chose.
    bool Start(const std::vector<std::shared_ptr<CSimPad>>& pads) override
    {
        CDeviceThread* worker = CDeviceThread::GetInstance();
        worker->ResetDeviceSlots();
        CSetting& model = *CSetting::GetInstance();
        model.RefreshDevices();
        g_nHandleSlots = kDeviceSlots;
        g_dwWaitTimeout = model.m_nDeviceCount > 0 ? 0 : kIdleWaitMs;
        model.m_nCurrentDevice = 0;
        model.SetDeviceActive(model.m_nDeviceCount > 0 ? 1 : 0);
        if (!worker->Start() || model.m_nDeviceCount != static_cast<int>(pads.size()))
            return false;
        return ::SetThreadPriority(worker->m_hThread, m_nPriority) != FALSE;
    }
    void RequestReload() override { CSetting::GetInstance()->RequestDriverUpdate(); }
    void Stop() override
    {
        CDeviceThread* worker = CDeviceThread::GetInstance();
        worker->Stop();
        worker->CloseDeviceHandles();
        worker->ResetDeviceSlots();
        CDxInput::GetInstance()->ClearDevices();
    }
    HANDLE Thread() const override { return CDeviceThread::GetInstance()->m_hThread; }
    unsigned Cycles() const override { return g_nWorkerCycles.load(); }

private:
    const int m_nPriority;
};

class CBareWorker : public CWorker
{
public:
    bool Start(const std::vector<std::shared_ptr<CSimPad>>& pads) override
    {
        std::vector<const char*> paths;
        for (const auto& pad : pads)
            paths.push_back(pad->DevicePath().c_str());
        return m_worker.Start(paths);
    }
    void RequestReload() override { m_worker.RequestReload(); }
    void Stop() override { m_worker.Stop(); }
    HANDLE Thread() const override { return m_worker.Thread(); }
    unsigned Cycles() const override { return m_worker.Cycles(); }

private:
    CMinimalWorker m_worker;
};

enum class EWorker { kKinetra, kKinetraAbove, kMinimal };
constexpr EWorker kAllWorkers[] = {EWorker::kKinetra, EWorker::kKinetraAbove, EWorker::kMinimal};

const char* WorkerName(EWorker kind)
{
    switch (kind) {
    case EWorker::kKinetra: return "Kinetra";
    case EWorker::kKinetraAbove: return "Kinetra above normal";
    default: return "minimal";
    }
}

std::unique_ptr<CWorker> MakeWorker(EWorker kind)
{
    switch (kind) {
    case EWorker::kKinetra: return std::make_unique<CKinetraWorker>(THREAD_PRIORITY_NORMAL);
    case EWorker::kKinetraAbove: return std::make_unique<CKinetraWorker>(THREAD_PRIORITY_ABOVE_NORMAL);
    default: return std::make_unique<CBareWorker>();
    }
}

CSimPadOptions Pad(const char* kind, unsigned rateHz, bool failReads = false)
{
    CSimPadOptions options = CSimBench::Kind(kind);
    options.reportHz = rateHz;
    options.failReads = failReads;
    return options;
}

std::vector<std::shared_ptr<CSimPad>> PlugAll(const std::vector<CSimPadOptions>& pads)
{
    std::vector<std::shared_ptr<CSimPad>> plugged;
    for (const auto& options : pads)
        plugged.push_back(CSimBench::Get().Pad(CSimBench::Get().Plug(options)));
    return plugged;
}

// "p50 / p99" of the request-to-driver times, or why there are none.
std::string Latency(EWorker kind, unsigned rateHz, ELoad load)
{
    const auto pads = PlugAll({Pad("wired", rateHz)});
    const auto worker = MakeWorker(kind);
    std::vector<double> samples;
    int lost = 0;
    if (worker->Start(pads)) {
        CBusyLoad busy(load);
        ::Sleep(kSettleMs);
        for (int i = 0; i < kLatencySamples && lost < kMaxLost; ++i) {
            const std::size_t before = pads[0]->ReloadCount();
            const LONGLONG sent = BenchNow();
            worker->RequestReload();
            if (pads[0]->WaitForReloads(before + 1, kLostAfterMs)) {
                samples.push_back(BenchMs(pads[0]->Reloads()[before].receivedQpc - sent));
            } else {
                // The pad kept reporting, so the worker kept cycling: the request itself is gone.
                ++lost;
                // Kinetra's flag at 0 with no reload sent: the worker cleared a request it never served.
                const std::string flag = kind == EWorker::kMinimal
                                             ? ""
                                             : "; update flag " + std::to_string(g_nUpdateRegistry.load());
                std::fprintf(stderr, "reload lost (%s, %u Hz, %s): no reload %lu ms after request %d%s\n",
                             WorkerName(kind), rateHz, LoadName(load), kLostAfterMs, i + 1, flag.c_str());
            }
            ::Sleep(1 + static_cast<DWORD>(i % 7));  // requests at changing phases of the report clock
        }
    }
    worker->Stop();
    CSimBench::Get().UnplugAll();
    if (samples.empty())
        return "no reload";
    const std::string cell = Fixed(Percentile(samples, 0.5), 2) + " / " + Fixed(Percentile(samples, 0.99), 2);
    return lost ? cell + " (" + std::to_string(lost) + " lost)" : cell;
}

// "cpu % (wake-ups/s)" of the worker thread over the load window.
std::string Load(EWorker kind, const std::vector<CSimPadOptions>& options, ELoad load)
{
    const auto pads = PlugAll(options);
    const auto worker = MakeWorker(kind);
    std::string cell = "no worker";
    if (worker->Start(pads)) {
        CBusyLoad busy(load);
        ::Sleep(kSettleMs);
        const unsigned cyclesBefore = worker->Cycles();
        const double cpuBefore = ThreadCpuMs(worker->Thread());
        const LONGLONG started = BenchNow();
        ::Sleep(kLoadWindowMs);
        const double wallMs = BenchMs(BenchNow() - started);
        const double cpuMs = ThreadCpuMs(worker->Thread()) - cpuBefore;
        const unsigned cycles = worker->Cycles() - cyclesBefore;
        cell = Fixed(cpuMs * 100.0 / wallMs, 1) + " % (" + Fixed(cycles * 1000.0 / wallMs, 0) + "/s)";
    }
    worker->Stop();
    CSimBench::Get().UnplugAll();
    return cell;
}

void PriorityNote()
{
    const auto pads = PlugAll({Pad("wired", 125)});
    CKinetraWorker worker(THREAD_PRIORITY_ABOVE_NORMAL);
    const bool started = worker.Start(pads);
    // Whether the host's scheduler sees it too shows only from outside: scripts/bench samples
    // the nice values of this process's threads while it runs.
    std::printf("\nKinetra's worker set to THREAD_PRIORITY_ABOVE_NORMAL reads back as priority %d\n",
                started ? ::GetThreadPriority(worker.Thread()) : THREAD_PRIORITY_ERROR_RETURN);
    worker.Stop();
    CSimBench::Get().UnplugAll();
}

void LatencyTable()
{
    std::printf("Reload latency, request to driver, p50 / p99 in ms (%d requests each)\n\n", kLatencySamples);
    PrintHeader({"pad rate", "load", "Kinetra", "Kinetra, worker above normal", "minimal worker"});
    for (ELoad load : {ELoad::kIdle, ELoad::kOtherCore, ELoad::kAllCores}) {
        for (unsigned rate : {125u, 500u, 1000u}) {
            std::vector<std::string> row{std::to_string(rate) + " Hz", LoadName(load)};
            for (EWorker kind : kAllWorkers)
                row.push_back(Latency(kind, rate, load));
            PrintRow(row);
        }
    }
}

void LoadTable()
{
    std::printf("\nWorker thread CPU (GetThreadTimes over %lu s) and loop cycles per second\n\n",
                static_cast<unsigned long>(kLoadWindowMs / 1000));
    PrintHeader({"pads", "load", "Kinetra", "minimal worker"});
    struct CCase
    {
        const char* name;
        std::vector<CSimPadOptions> pads;
    };
    const CCase cases[] = {
        {"none", {}},
        {"2 at 125 Hz", {Pad("wired", 125), Pad("wireless", 125)}},
        {"2 at 1000 Hz", {Pad("wired", 1000), Pad("wireless", 1000)}},
    };
    for (ELoad load : {ELoad::kIdle, ELoad::kOtherCore}) {
        for (const auto& c : cases)
            PrintRow(
                {c.name, LoadName(load), Load(EWorker::kKinetra, c.pads, load), Load(EWorker::kMinimal, c.pads, load)});
    }
    const std::vector<CSimPadOptions> failing{Pad("wired", 125, true)};
    PrintRow({"1 whose reads fail", "idle", Load(EWorker::kKinetra, failing, ELoad::kIdle),
              Load(EWorker::kMinimal, failing, ELoad::kIdle)});
}
}

int main()
{
    // Nobody is there to press OK: boxes go to the error output.
    CMessageBox::SetObserver([](HWND, const char* text, const char* caption, UINT) {
        std::fprintf(stderr, "message [%s] %s\n", caption, text);
        return IDOK;
    });
    std::printf("%d processors\n\n", ProcessorCount());
    LatencyTable();
    LoadTable();
    PriorityNote();
    std::fflush(stdout);
    return 0;
}
