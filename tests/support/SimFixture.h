#pragma once
// A test on the simulated machine: no pad plugged and no fault set at the start, and after the
// test every handle, key, device object, pad and worker slot given back.
#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "SimBench.h"
#include "device/DeviceThread.h"
#include "device/DxInput.h"
#include "settings/Setting.h"
#include "support/TestSupport.h"

class SimFixture : public testing::Test
{
protected:
    void SetUp() override
    {
        CSimBench::Get().UnplugAll();
        CSimBench::Get().ResetFaults();
        ResetModel();
    }

    void TearDown() override
    {
        CDeviceThread* worker = CDeviceThread::GetInstance();
        if (worker->m_hThread)
            worker->Stop();
        worker->CloseDeviceHandles();
        worker->ResetDeviceSlots();
        g_dwWaitTimeout = kIdleWaitMs;
        CDxInput::GetInstance()->ClearDevices();
        CSimBench::Get().UnplugAll();
        CSimBench::Get().ResetFaults();
        ResetModel();
    }

    static void ResetModel()
    {
        CSetting& model = *CSetting::GetInstance();
        model.ClearAll();
        model.m_nCurrentDevice = 0;
        model.m_bDeviceActive = 0;
    }

    static CDxInput& Devices() { return *CDxInput::GetInstance(); }
    static CSetting& Model() { return *CSetting::GetInstance(); }
    static CSimBench& Bench() { return CSimBench::Get(); }

    // The three discovery steps as the program runs them; false at the first that fails.
    static bool Discover()
    {
        if (FAILED(Devices().EnumGameControllers()))
            return false;
        if (!Devices().FindallknownDevice())
            return false;
        return Devices().UpdateDeviceTable() == 1;
    }

    static CDIDevice* DeviceAt(std::size_t position)
    {
        auto& list = Devices().m_devices;
        return position < list.size() ? *std::next(list.begin(), static_cast<std::ptrdiff_t>(position)) : nullptr;
    }

    static std::vector<std::string> ListedNames()
    {
        std::vector<std::string> names;
        for (const CDIDevice* device : Devices().m_devices)
            names.emplace_back(device->m_instance.tszInstanceName);
        return names;
    }

    static CSimPadOptions Named(const std::string& kind, const std::string& name)
    {
        CSimPadOptions options = CSimBench::Kind(kind);
        options.instanceName = name;
        return options;
    }

    // The boxes shown so far, for the failure output of a test.
    std::string Shown() const
    {
        std::string all;
        for (const auto& message : messages.messages())
            all += "[" + message.caption + "] " + message.text + "\n";
        return all;
    }

    MessageLog messages;
};
