#pragma once
// Clock, statistics and background load shared by the measuring programs.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

inline LONGLONG BenchNow()
{
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

inline double BenchMs(LONGLONG ticks)
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Nearest-rank percentile; 0 for no values.
inline double Percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

inline int ProcessorCount()
{
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? static_cast<int>(info.dwNumberOfProcessors) : 1;
}

// Which cores a measurement shares with busy-loop threads of normal priority.
enum class ELoad {
    kIdle,       // none
    kOtherCore,  // all but one core busy: the measured program still has one core to itself
    kAllCores,   // every core busy: the measured threads compete for a core
};

inline const char* LoadName(ELoad load)
{
    switch (load) {
    case ELoad::kOtherCore: return "other core busy";
    case ELoad::kAllCores: return "all cores busy";
    default: return "idle";
    }
}

// Busy-loop threads of normal priority for as long as the object lives.
class CBusyLoad
{
public:
    explicit CBusyLoad(ELoad load)
    {
        const int cores = ProcessorCount();
        const int threads = load == ELoad::kIdle ? 0 : load == ELoad::kOtherCore ? std::max(1, cores - 1) : cores;
        for (int i = 0; i < threads; ++i)
            m_threads.emplace_back([this] { Spin(); });
        ::Sleep(threads ? 100 : 0);  // the spinners are running before the measurement starts
    }
    ~CBusyLoad()
    {
        m_bStop = true;
        for (auto& thread : m_threads)
            thread.join();
    }
    CBusyLoad(const CBusyLoad&) = delete;
    CBusyLoad& operator=(const CBusyLoad&) = delete;

private:
    void Spin()
    {
        volatile unsigned long long sink = 0;
        while (!m_bStop.load(std::memory_order_relaxed))
            sink = sink + 1;
    }

    std::atomic<bool> m_bStop{false};
    std::vector<std::thread> m_threads;
};

// One row of a Markdown table, so the output pastes into the README as it is.
inline void PrintRow(const std::vector<std::string>& cells)
{
    std::string line = "|";
    for (const auto& cell : cells)
        line += " " + cell + " |";
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

inline void PrintHeader(const std::vector<std::string>& cells)
{
    PrintRow(cells);
    PrintRow(std::vector<std::string>(cells.size(), "---"));
}

inline std::string Fixed(double value, int decimals)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}
