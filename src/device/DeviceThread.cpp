#include "device/DeviceThread.h"

#include "framework/MessageBox.h"

std::atomic<HANDLE> g_hDeviceHandles[kDeviceSlots] = {};
std::atomic<HANDLE> g_hUpdateEvent{nullptr};
std::atomic<int> g_nUpdateRegistry{0};
std::atomic<BYTE> g_bStopThread{0};
std::atomic<int> g_nHandleSlots{kDeviceSlots};
std::atomic<DWORD> g_dwWaitTimeout{kIdleWaitMs};
std::atomic<unsigned> g_nWorkerCycles{0};

namespace
{
constexpr DWORD kInputReportSize = 9;
constexpr DWORD kReloadReportSize = 3;
constexpr DWORD kStopGraceMs = 100;
// How long shutdown waits for a worker it has told to end before it goes on without it.
constexpr DWORD kStopEndMs = 1000;

int ScannedSlots()
{
    const int slots = g_nHandleSlots.load();
    return slots < 0 ? 0 : (slots > kDeviceSlots ? kDeviceSlots : slots);
}

// One synchronous input report from every filled slot; true when at least one read
// returned a report, i.e. the cycle was paced by a device.
bool ReadFromEverySlot()
{
    bool paced = false;
    for (int i = 0; i < ScannedSlots(); ++i) {
        const HANDLE device = g_hDeviceHandles[i].load();
        if (!device)
            continue;
        BYTE report[kInputReportSize];
        DWORD read = 0;
        if (::ReadFile(device, report, kInputReportSize, &read, nullptr))
            paced = true;
    }
    return paced;
}

void SendReloadToEverySlot(BYTE* report)
{
    for (int i = 0; i < ScannedSlots(); ++i) {
        const HANDLE device = g_hDeviceHandles[i].load();
        if (!device)
            continue;
        report[0] = 0x01;
        DWORD written = 0;
        ::WriteFile(device, report, kReloadReportSize, &written, nullptr);
    }
}
}

CDeviceThread* CDeviceThread::GetInstance()
{
    static CDeviceThread instance;
    return &instance;
}

CDeviceThread::~CDeviceThread() = default;

DWORD WINAPI CDeviceThread::DeviceThreadProc(LPVOID)
{
    BYTE reload[kReloadReportSize] = {0x01, 0x00, 0x00};
    bool paced = true;
    for (;;) {
        DWORD wait = g_dwWaitTimeout.load();
        if (!paced && wait < kIdleWaitMs)
            wait = kIdleWaitMs;  // no read blocked last cycle: let the wait pace this one
        const HANDLE event = g_hUpdateEvent.load();
        if (event)
            ::WaitForSingleObject(event, wait);
        else
            ::Sleep(wait);
        g_nWorkerCycles.fetch_add(1, std::memory_order_relaxed);
        paced = ReadFromEverySlot();
        // A request made while the writes run may come after a pad has already reloaded: taken
        // before the writes, it gets its own reload next cycle instead of being cleared unserved.
        if (g_nUpdateRegistry.exchange(0) == 1)
            SendReloadToEverySlot(reload);
        if (g_bStopThread.load() != 0)
            break;
    }
    return 1;
}

HANDLE CDeviceThread::Start()
{
    const HANDLE event = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    g_hUpdateEvent.store(event);
    if (!event)
        CMessageBox::Show(nullptr, "CANNOT CREATE EVENT ", "", MB_OK);
    m_hThread = ::CreateThread(nullptr, 0, &CDeviceThread::DeviceThreadProc, nullptr, 0, &m_dwThreadId);
    if (!m_hThread)
        CMessageBox::Show(nullptr, "CANNOT CREATE THREAD ", "", MB_OK);
    return m_hThread;
}

BOOL CDeviceThread::Suspend()
{
    ::SuspendThread(m_hThread);
    return TRUE;
}

BOOL CDeviceThread::Resume()
{
    ::ResumeThread(m_hThread);
    return TRUE;
}

BOOL CDeviceThread::Stop()
{
    g_bStopThread.store(1);
    if (const HANDLE event = g_hUpdateEvent.load())
        ::SetEvent(event);
    // A worker blocked in a read of a silent pad would never see the stop flag: release the
    // read first, and end the thread by force only if it is still running after the grace time.
    if (m_hThread) {
        ::CancelSynchronousIo(m_hThread);
        ::WaitForSingleObject(m_hThread, kStopGraceMs);
    } else {
        ::Sleep(kStopGraceMs);
    }
    DWORD exitCode = STILL_ACTIVE;
    if (m_hThread && ::GetExitCodeThread(m_hThread, &exitCode))
        ::OutputDebugStringA("success exit thread");
    else
        ::OutputDebugStringA("Fail to exit thread");
    // An exit code that cannot be read says nothing about the thread: it may still run.
    if (m_hThread && exitCode == STILL_ACTIVE && !::TerminateThread(m_hThread, 1))
        ::OutputDebugStringA("terminate thread fail");
    // Termination completes asynchronously; shutdown waits for it a bounded time and then goes
    // on whatever happened, since a handle that refuses both calls cannot be made to obey.
    const bool ended = m_hThread && ::WaitForSingleObject(m_hThread, kStopEndMs) == WAIT_OBJECT_0;
    if (m_hThread && !ended)
        ::OutputDebugStringA("thread did not end");
    // Closed only once the thread can no longer wait on it; a worker that outlives shutdown
    // finds no event and sleeps its cycle instead, and the process's end takes the handle.
    if (const HANDLE event = g_hUpdateEvent.exchange(nullptr); event && (ended || !m_hThread))
        ::CloseHandle(event);
    if (m_hThread) {
        ::CloseHandle(m_hThread);
        ::OutputDebugStringA("Close hThread ");
        m_hThread = nullptr;
        m_dwThreadId = 0;
    }
    return TRUE;
}

void CDeviceThread::CloseDeviceHandles()
{
    for (auto& slot : g_hDeviceHandles) {
        const HANDLE device = slot.load();
        if (!device)
            continue;
        // Releases a read the worker may be blocked in before the handle goes away.
        ::CancelIoEx(device, nullptr);
        ::CloseHandle(device);
    }
}

int CDeviceThread::ResetDeviceSlots()
{
    for (auto& slot : g_hDeviceHandles)
        slot.store(nullptr);
    g_bStopThread.store(0);
    g_nUpdateRegistry.store(0);
    return 1;
}
