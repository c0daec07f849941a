// The device worker with real pipe handles standing in for pads.
#include <gtest/gtest.h>

#include "device/DeviceThread.h"
#include "settings/Setting.h"
#include "support/PipePad.h"
#include "support/TestSupport.h"

namespace
{
const std::vector<std::uint8_t> kReload = {0x01, 0x00, 0x00};

struct WorkerFixture : testing::Test
{
    CDeviceThread* worker = CDeviceThread::GetInstance();
    ScratchDir dir;
    CSetting model{(dir.path() + "\\Kinetra.exe").c_str()};

    void SetUp() override
    {
        worker->ResetDeviceSlots();
        g_nHandleSlots = kDeviceSlots;
    }

    void TearDown() override
    {
        if (worker->m_hThread)
            worker->Stop();
        worker->ResetDeviceSlots();
    }

    // Starts the worker on a pad that never reports, and lets it get into that read.
    bool StartInReadOf(PipePad& silent)
    {
        g_hDeviceHandles[0] = silent.client();
        g_dwWaitTimeout = 0;
        if (!worker->Start())
            return false;
        ::Sleep(100);
        return true;
    }

    HANDLE DuplicateWorker() const
    {
        HANDLE copy = nullptr;
        ::DuplicateHandle(::GetCurrentProcess(), worker->m_hThread, ::GetCurrentProcess(), &copy, 0, FALSE,
                          DUPLICATE_SAME_ACCESS);
        return copy;
    }
};

// A pad's device file that takes nothing until the test reads it: a report written to it
// keeps the worker inside that write.
struct HeldPad
{
    HANDLE server = INVALID_HANDLE_VALUE;
    HANDLE client = INVALID_HANDLE_VALUE;

    HeldPad()
    {
        const std::string name = "\\\\.\\pipe\\KinetraHeldPad-" + std::to_string(::GetCurrentProcessId());
        server = ::CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX,
                                    PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 64, 0, 0, nullptr);
        client = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    ~HeldPad()
    {
        ::CloseHandle(client);
        ::CloseHandle(server);
    }
    void SendReport() const
    {
        const BYTE report[9] = {0x01};
        DWORD written = 0;
        ::WriteFile(server, report, sizeof report, &written, nullptr);
    }
    DWORD Waiting() const
    {
        DWORD bytes = 0;
        ::PeekNamedPipe(server, nullptr, 0, nullptr, &bytes, nullptr);
        return bytes;
    }
    std::vector<std::uint8_t> Take() const
    {
        BYTE bytes[16] = {};
        DWORD read = 0;
        ::ReadFile(server, bytes, sizeof bytes, &read, nullptr);
        return {bytes, bytes + read};
    }
};

DWORD CALLBACK Spin(LPVOID flag)
{
    while (static_cast<std::atomic<bool>*>(flag)->load()) {
    }
    return 0;
}

double CpuSeconds(HANDLE thread)
{
    FILETIME created, exited, kernel, user;
    if (!::GetThreadTimes(thread, &created, &exited, &kernel, &user))
        return -1;
    auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}
}

TEST_F(WorkerFixture, RequestWithNoDeviceClearsTheFlag)
{
    g_dwWaitTimeout = kIdleWaitMs;
    ASSERT_NE(nullptr, worker->Start());
    model.RequestDriverUpdate();
    EXPECT_TRUE(WaitUntil([] { return g_nUpdateRegistry.load() == 0; }, 2000));
}

TEST_F(WorkerFixture, TwoPadsEachGetOneReloadInSlotOrderAfterOneReadFromEach)
{
    PipePad first, second;
    g_hDeviceHandles[0] = first.client();
    g_hDeviceHandles[2] = second.client();  // slot 1 stays empty and is skipped
    g_dwWaitTimeout = 0;
    ASSERT_NE(nullptr, worker->Start());
    model.RequestDriverUpdate();

    first.SendReport();
    // The worker now waits for the second pad's report: the request must wait with it.
    ::Sleep(150);
    EXPECT_TRUE(first.Received().empty());
    EXPECT_TRUE(second.Received().empty());
    EXPECT_EQ(1, g_nUpdateRegistry.load());

    const long secondReport = second.SendReport();
    ASSERT_TRUE(first.WaitForMessages(1, 2000));
    ASSERT_TRUE(second.WaitForMessages(1, 2000));
    ::Sleep(100);
    const auto toFirst = first.Received();
    const auto toSecond = second.Received();
    ASSERT_EQ(1u, toFirst.size());
    ASSERT_EQ(1u, toSecond.size());
    EXPECT_EQ(kReload, toFirst[0].bytes);
    EXPECT_EQ(kReload, toSecond[0].bytes);
    EXPECT_GT(toFirst[0].sequence, secondReport);
    EXPECT_LT(toFirst[0].sequence, toSecond[0].sequence) << "slot order";
    EXPECT_EQ(0, g_nUpdateRegistry.load());
}

TEST_F(WorkerFixture, ARequestAfterAPadHasReloadedIsServedInTheNextCycle)
{
    PipePad first;
    HeldPad second;
    ASSERT_NE(INVALID_HANDLE_VALUE, second.client);
    g_hDeviceHandles[0] = first.client();
    g_hDeviceHandles[1] = second.client;
    g_dwWaitTimeout = 0;
    ASSERT_NE(nullptr, worker->Start());
    model.RequestDriverUpdate();
    first.SendReport();
    second.SendReport();
    ASSERT_TRUE(first.WaitForMessages(1, 2000));
    ASSERT_TRUE(WaitUntil([&] { return second.Waiting() == kReload.size(); }, 2000));
    // The first pad's driver has read its values; the worker is still writing to the second
    // pad when the settings change again. That change must reach the first pad's driver too.
    model.RequestDriverUpdate();
    EXPECT_EQ(kReload, second.Take());
    first.SendReport();
    second.SendReport();
    EXPECT_TRUE(first.WaitForMessages(2, 2000)) << "the second request was dropped";
    EXPECT_TRUE(worker->Stop());
    g_hDeviceHandles[0] = nullptr;
    g_hDeviceHandles[1] = nullptr;
}

TEST_F(WorkerFixture, StopEndsAWorkerBlockedInARead)
{
    PipePad silent;
    ASSERT_TRUE(StartInReadOf(silent));
    const HANDLE thread = DuplicateWorker();
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(thread, 0));
    EXPECT_TRUE(worker->Stop());
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ::WaitForSingleObject(thread, 0));
    EXPECT_EQ(nullptr, worker->m_hThread);
    EXPECT_EQ(nullptr, g_hUpdateEvent.load());
    ::CloseHandle(thread);
    EXPECT_TRUE(silent.Received().empty());
}

namespace
{
DWORD CALLBACK StopWorker(LPVOID worker)
{
    static_cast<CDeviceThread*>(worker)->Stop();
    return 0;
}
}

TEST_F(WorkerFixture, StopEndsEvenWhenTheThreadHandleRefusesToReportOrTerminate)
{
    PipePad silent;
    ASSERT_TRUE(StartInReadOf(silent));
    // A handle with wait access only: reading the exit code, cancelling the read and
    // terminating are all refused, so the worker stays in its read whatever Stop tries.
    const HANDLE full = worker->m_hThread;
    HANDLE waitOnly = nullptr;
    ASSERT_TRUE(
        ::DuplicateHandle(::GetCurrentProcess(), full, ::GetCurrentProcess(), &waitOnly, SYNCHRONIZE, FALSE, 0));
    DWORD code = 0;
    ASSERT_FALSE(::GetExitCodeThread(waitOnly, &code)) << "this Wine does not check thread access rights";
    worker->m_hThread = waitOnly;

    const HANDLE stopper = ::CreateThread(nullptr, 0, StopWorker, worker, 0, nullptr);
    ASSERT_NE(nullptr, stopper);
    const DWORD stopped = ::WaitForSingleObject(stopper, 10000);
    // Let a Stop that waits for ever go, so the suite can go on after reporting it.
    ::TerminateThread(full, 1);
    ::WaitForSingleObject(stopper, 5000);
    ::CloseHandle(stopper);
    ::CloseHandle(full);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), stopped) << "Stop waited for a thread it could not end";
    EXPECT_EQ(nullptr, worker->m_hThread);
    EXPECT_EQ(nullptr, g_hUpdateEvent.load());
}

TEST_F(WorkerFixture, ClosingTheSlotsReleasesABlockedRead)
{
    PipePad silent;
    g_hDeviceHandles[0] = silent.TakeClient();
    g_dwWaitTimeout = 0;
    ASSERT_NE(nullptr, worker->Start());
    model.RequestDriverUpdate();
    ::Sleep(100);
    // What a device refresh does while the worker waits on a pad that never reports. The
    // pending request may be served to the closing handle or dropped by the reset; either
    // way the worker must be free again, not stuck in the old read.
    worker->CloseDeviceHandles();
    worker->ResetDeviceSlots();
    PipePad fresh;
    g_hDeviceHandles[0] = fresh.client();
    EXPECT_TRUE(WaitUntil([] { return g_nUpdateRegistry.load() == 0; }, 1000));
    model.RequestDriverUpdate();
    fresh.SendReport();
    ASSERT_TRUE(fresh.WaitForMessages(1, 2000)) << "the worker stayed in the closed pad's read";
    EXPECT_EQ(kReload, fresh.Received()[0].bytes);
    g_hDeviceHandles[0] = nullptr;
    EXPECT_TRUE(worker->Stop());
}

TEST_F(WorkerFixture, AHandleThatFailsEveryReadDoesNotSpin)
{
    // Calibrate the measurement first: a thread that does spin must show up as busy.
    std::atomic<bool> spin{true};
    HANDLE spinner = ::CreateThread(nullptr, 0, Spin, &spin, 0, nullptr);
    ::Sleep(500);
    const double spinnerCpu = CpuSeconds(spinner);
    spin = false;
    ::WaitForSingleObject(spinner, INFINITE);
    ::CloseHandle(spinner);
    if (spinnerCpu <= 0.1)
        GTEST_SKIP() << "this Wine reports no thread CPU time (" << spinnerCpu << " s for a spinning thread)";

    PipePad gone;
    gone.CloseServer();  // every read on the client now fails at once
    g_hDeviceHandles[0] = gone.client();
    g_dwWaitTimeout = 0;
    ASSERT_NE(nullptr, worker->Start());
    ::Sleep(1000);
    const double workerCpu = CpuSeconds(worker->m_hThread);
    EXPECT_GE(workerCpu, 0.0);
    EXPECT_LT(workerCpu, 0.2) << "the worker spun for " << workerCpu << " s of one second";
}
