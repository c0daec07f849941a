// The device worker reading the simulated pads: paced by their reports, calm without them.
#include <gtest/gtest.h>

#include "support/SimFixture.h"

namespace
{
struct WorkerWithPadsTest : SimFixture
{
    static unsigned CyclesDuring(DWORD ms)
    {
        const unsigned before = g_nWorkerCycles.load();
        ::Sleep(ms);
        return g_nWorkerCycles.load() - before;
    }

    void Start()
    {
        CDeviceThread::GetInstance()->ResetDeviceSlots();
        ASSERT_TRUE(Discover());
        g_nHandleSlots = kDeviceSlots;
        g_dwWaitTimeout = Model().m_nDeviceCount > 0 ? 0 : kIdleWaitMs;
        ASSERT_NE(nullptr, CDeviceThread::GetInstance()->Start());
    }
};
}

TEST_F(WorkerWithPadsTest, APadReportingAt500HzPacesTheWorker)
{
    CSimPadOptions options = CSimBench::Kind("wired");
    options.reportHz = 500;
    Bench().Plug(options);
    Start();
    ::Sleep(200);
    const unsigned cycles = CyclesDuring(1000);
    // One read per cycle: about one cycle per report, never a spinning loop.
    EXPECT_GT(cycles, 150u);
    EXPECT_LT(cycles, 700u);
}

TEST_F(WorkerWithPadsTest, APadWhoseReadsFailDoesNotMakeTheWorkerSpin)
{
    CSimPadOptions options = CSimBench::Kind("wired");
    options.failReads = true;
    Bench().Plug(options);
    Start();
    ::Sleep(200);
    const unsigned cycles = CyclesDuring(1000);
    EXPECT_GE(cycles, 5u);
    EXPECT_LE(cycles, 15u);
}

TEST_F(WorkerWithPadsTest, WithoutPadsTheWorkerWakesTenTimesASecond)
{
    Start();
    ::Sleep(200);
    const unsigned cycles = CyclesDuring(1000);
    EXPECT_GE(cycles, 5u);
    EXPECT_LE(cycles, 15u);
}

TEST_F(WorkerWithPadsTest, StopEndsAWorkerBlockedOnASilentPad)
{
    CSimPadOptions silent = CSimBench::Kind("wired");
    silent.reportHz = 0;
    Bench().Plug(silent);
    Start();
    ::Sleep(100);
    const ULONGLONG started = ::GetTickCount64();
    CDeviceThread::GetInstance()->Stop();
    EXPECT_LT(::GetTickCount64() - started, 2000u);
    EXPECT_EQ(nullptr, CDeviceThread::GetInstance()->m_hThread);
}

TEST_F(WorkerWithPadsTest, AReloadRequestWaitsForTheNextInputReport)
{
    CSimPadOptions slow = CSimBench::Kind("wired");
    slow.reportHz = 2;  // one report every 500 ms
    const int slot = Bench().Plug(slow);
    Start();
    Model().m_nCurrentDevice = 0;
    ASSERT_EQ(1, Model().SaveCurrentDevice());
    Model().RequestDriverUpdate();
    const auto pad = Bench().Pad(slot);
    EXPECT_FALSE(pad->WaitForReloads(1, 50));  // still in the read of this cycle
    EXPECT_TRUE(pad->WaitForReloads(1, 2000));
}
