#include "MinimalWorker.h"

namespace
{
constexpr DWORD kInputReportSize = 9;
const BYTE kReloadReport[3] = {0x01, 0x00, 0x00};
}

bool CMinimalWorker::Start(const std::vector<const char*>& devicePaths)
{
    for (const char* path : devicePaths) {
        CHandle device(::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
        if (!device)
            return false;
        m_devices.push_back(std::move(device));
    }
    m_wake.reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
    m_bStop = false;
    m_thread.reset(::CreateThread(nullptr, 0, &CMinimalWorker::Run, this, 0, nullptr));
    return m_wake && m_thread;
}

void CMinimalWorker::RequestReload()
{
    m_bReload = true;
    ::SetEvent(m_wake.get());
}

void CMinimalWorker::Stop()
{
    if (m_thread) {
        m_bStop = true;
        ::SetEvent(m_wake.get());
        // A read of a silent pad would hold the thread forever; a cancel that came between two
        // reads is lost, so it is repeated until the thread has ended.
        do
            ::CancelSynchronousIo(m_thread.get());
        while (::WaitForSingleObject(m_thread.get(), 50) == WAIT_TIMEOUT);
        m_thread.reset();
    }
    m_devices.clear();
    m_wake.reset();
}

DWORD WINAPI CMinimalWorker::Run(LPVOID self)
{
    static_cast<CMinimalWorker*>(self)->Loop();
    return 0;
}

void CMinimalWorker::Loop()
{
    while (!m_bStop) {
        // With no pad nothing paces the loop but the event.
        // (A pad whose reads fail at once makes this loop spin; Kinetra's worker waits then.)
        if (m_devices.empty())
            ::WaitForSingleObject(m_wake.get(), INFINITE);
        m_nCycles.fetch_add(1, std::memory_order_relaxed);
        for (const auto& device : m_devices) {
            BYTE report[kInputReportSize];
            DWORD read = 0;
            ::ReadFile(device.get(), report, kInputReportSize, &read, nullptr);
        }
        if (!m_bReload.exchange(false))
            continue;
        for (const auto& device : m_devices) {
            DWORD written = 0;
            ::WriteFile(device.get(), kReloadReport, sizeof kReloadReport, &written, nullptr);
        }
    }
}
