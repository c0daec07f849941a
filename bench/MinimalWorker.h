#pragma once
// The least a tray program needs to keep a pad's driver told: one thread that reads the pad's
// 9-byte input reports, blocking, and writes the 3-byte reload report when asked. The
// measuring programs set Kinetra's worker beside it.
#include <windows.h>

#include <atomic>
#include <vector>

#include "framework/Handles.h"

class CMinimalWorker
{
public:
    CMinimalWorker() = default;
    ~CMinimalWorker() { Stop(); }
    CMinimalWorker(const CMinimalWorker&) = delete;
    CMinimalWorker& operator=(const CMinimalWorker&) = delete;

    // Opens each device file and starts the thread; false when any of it fails.
    bool Start(const std::vector<const char*>& devicePaths);
    void RequestReload();
    void Stop();

    HANDLE Thread() const { return m_thread.get(); }
    unsigned Cycles() const { return m_nCycles.load(); }

private:
    static DWORD WINAPI Run(LPVOID self);
    void Loop();

    std::vector<CHandle> m_devices;
    CHandle m_wake;  // auto-reset: a reload request or the stop
    CHandle m_thread;
    std::atomic<bool> m_bReload{false};
    std::atomic<bool> m_bStop{false};
    std::atomic<unsigned> m_nCycles{0};
};
