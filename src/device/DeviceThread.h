#pragma once
#include <windows.h>

#include <atomic>

#include "settings/SettingsLayout.h"

// Shared with the worker without a lock: atomics give the same behaviour without a data race.
extern std::atomic<HANDLE> g_hDeviceHandles[kDeviceSlots];  // 0 = empty slot
extern std::atomic<HANDLE> g_hUpdateEvent;                  // auto-reset; wakes the worker
extern std::atomic<int> g_nUpdateRegistry;                  // 1 = send the reload report this cycle
extern std::atomic<BYTE> g_bStopThread;                     // not 0 = end after this cycle
extern std::atomic<int> g_nHandleSlots;                     // slots the worker scans
extern std::atomic<DWORD> g_dwWaitTimeout;                  // ms per cycle: 100 with no device, else 0
extern std::atomic<unsigned> g_nWorkerCycles;               // cycles run so far, for measuring wake-ups

// Wait of a cycle in which no read blocked (every slot empty or failing at once), so that a
// dead handle cannot make the worker spin a core.
constexpr DWORD kIdleWaitMs = 100;

// The background thread that keeps reading the pads' input reports and, on request, sends
// them the report that makes the driver read its settings again.
class CDeviceThread
{
public:
    static CDeviceThread* GetInstance();
    virtual ~CDeviceThread();

    HANDLE Start();
    BOOL Suspend();
    BOOL Resume();
    BOOL Stop();
    void CloseDeviceHandles();
    int ResetDeviceSlots();

    HANDLE m_hThread = nullptr;
    DWORD m_dwThreadId = 0;

    // The worker's loop; public so a test can watch one thread run it.
    static DWORD WINAPI DeviceThreadProc(LPVOID);

protected:
    CDeviceThread() = default;
};
