// From the model to the driver: a change saved to the pad's key and announced through the
// worker thread reaches the simulated driver, which reloads exactly the model's bytes.
#include <gtest/gtest.h>

#include "support/SimFixture.h"

namespace
{
struct DriverReloadTest : SimFixture
{
    // The worker as the program runs it: slots emptied, filled by discovery, then started.
    void StartWorkerWithDiscoveredPads()
    {
        CDeviceThread* worker = CDeviceThread::GetInstance();
        worker->ResetDeviceSlots();
        ASSERT_TRUE(Discover());
        g_nHandleSlots = kDeviceSlots;
        g_dwWaitTimeout = Model().m_nDeviceCount > 0 ? 0 : kIdleWaitMs;
        ASSERT_NE(nullptr, worker->Start());
    }

    static void ExpectReloadHoldsModel(const CSimReload& reload)
    {
        const CSetting& model = Model();
        const std::map<std::string, CByteArray> expected = {{"KeyConfig", model.m_KeyConfig},
                                                            {"KeyMap", model.m_KeyMap},
                                                            {"Sensitivity", model.m_Sensitivity},
                                                            {"RightAnalog", model.m_RightAnalog},
                                                            {"ForceFeedBack", model.m_ForceFeedBack},
                                                            {"LeftAnalog", model.m_LeftAnalog},
                                                            {"LALA", model.m_LeftAnalog}};
        EXPECT_EQ(7u, reload.values.size());
        for (const auto& [name, bytes] : expected) {
            const auto found = reload.values.find(name);
            ASSERT_NE(reload.values.end(), found) << name;
            EXPECT_EQ(HexBytes(bytes), HexBytes(found->second)) << name;
        }
    }

    static void LoadFirstDevice()
    {
        CSetting& model = Model();
        model.ClearAll();
        model.m_nCurrentDevice = 0;
        ASSERT_EQ(1, model.LoadCurrentDevice());
        model.SetDeviceActive(1);
        model.SelectAnalog(model.IsMouseEnabled() ? model.GetAnalogSelection() : -1);
    }
};
}

TEST_F(DriverReloadTest, AButtonBindingSavedAndAnnouncedIsWhatTheDriverReloads)
{
    CSimPadOptions options = CSimBench::Kind("wired");
    options.reportHz = 500;
    options.calibration[0].centre = 0x1234;
    const int slot = Bench().Plug(options);
    const auto pad = Bench().Pad(slot);
    StartWorkerWithDiscoveredPads();
    LoadFirstDevice();

    // Button 3 bound to "A", the left stick as mouse, vibration on at level 200.
    Model().SetKeyConfig(2, 1);
    Model().SetKeyMap(2, 0x1E);
    Model().SetSensitivity(45, 100, 1);
    Model().SetForceFeedback(1, 200, 1);
    Model().SelectAnalog(0);
    ASSERT_EQ(1, Model().SaveCurrentDevice());
    Model().RequestDriverUpdate();

    ASSERT_TRUE(pad->WaitForReloads(1, 3000)) << "the driver never got the reload report";
    const CSimReload reload = pad->Reloads().back();
    ExpectReloadHoldsModel(reload);
    EXPECT_EQ(1, reload.values.at("KeyConfig")[2]);
    EXPECT_EQ(0x1E, reload.values.at("KeyMap")[2]);
    EXPECT_EQ(0x34, reload.values.at("LeftAnalog")[1]);
    EXPECT_EQ(0x12, reload.values.at("LeftAnalog")[2]);
    EXPECT_TRUE(messages.messages().empty());

    CDeviceThread::GetInstance()->Stop();
    EXPECT_EQ(1u, pad->ReloadReportsReceived());  // one request, one report
}

TEST_F(DriverReloadTest, EveryPadInTheTableGetsTheReloadReport)
{
    const int first = Bench().Plug("wired");
    const int second = Bench().Plug("wireless");
    StartWorkerWithDiscoveredPads();
    LoadFirstDevice();
    Model().SetKeyConfig(0, 2);
    Model().SetKeyMap(0, 6);
    ASSERT_EQ(1, Model().SaveCurrentDevice());
    Model().RequestDriverUpdate();

    ASSERT_TRUE(Bench().Pad(first)->WaitForReloads(1, 3000));
    ASSERT_TRUE(Bench().Pad(second)->WaitForReloads(1, 3000));
    ExpectReloadHoldsModel(Bench().Pad(first)->Reloads().back());
    // The second pad's key was never written: its driver found nothing to reload.
    EXPECT_TRUE(Bench().Pad(second)->Reloads().back().values.empty());
}

TEST_F(DriverReloadTest, AfterARefreshWhileTheWorkerRunsTheNextChangeStillReachesTheDriver)
{
    const int first = Bench().Plug("wired");
    StartWorkerWithDiscoveredPads();
    LoadFirstDevice();
    const int second = Bench().Plug("wireless");

    Model().RefreshDevices();  // what the General page does on Apply
    ASSERT_EQ(2, Model().m_nDeviceCount) << Shown();
    g_dwWaitTimeout = 0;
    Model().m_nCurrentDevice = 1;
    ASSERT_EQ(1, Model().LoadCurrentDevice());
    Model().SetKeyConfig(5, 4);
    Model().SetKeyMap(5, 0x1C + 0x80);
    ASSERT_EQ(1, Model().SaveCurrentDevice());
    Model().RequestDriverUpdate();

    ASSERT_TRUE(Bench().Pad(second)->WaitForReloads(1, 3000));
    ExpectReloadHoldsModel(Bench().Pad(second)->Reloads().back());
    EXPECT_TRUE(Bench().Pad(first)->WaitForReloads(1, 3000));
}
