// Discovery on the system's own DirectInput and setupapi (under Wine: no pad is attached, but
// Wine's HID mouse and keyboard are in the interface list).
#include <gtest/gtest.h>

#include <windows.h>
#include <setupapi.h>

#include <iostream>

#include "device/DeviceThread.h"
#include "device/DxInput.h"
#include "device/HidGuid.h"
#include "settings/Setting.h"
#include "support/TestSupport.h"

namespace
{
std::vector<std::string> SystemHidInterfaces(const GUID& hid)
{
    std::vector<std::string> paths;
    const HDEVINFO set = ::SetupDiGetClassDevsA(&hid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return paths;
    SP_DEVICE_INTERFACE_DATA data = {};
    data.cbSize = sizeof data;
    for (DWORD index = 0; ::SetupDiEnumDeviceInterfaces(set, nullptr, &hid, index, &data); ++index) {
        DWORD size = 0;
        ::SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &size, nullptr);
        std::vector<char> buffer(size + sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A));
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (::SetupDiGetDeviceInterfaceDetailA(set, &data, detail, static_cast<DWORD>(buffer.size()), nullptr, nullptr))
            paths.emplace_back(detail->DevicePath);
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return paths;
}

struct RealBackendTest : testing::Test
{
    MessageLog messages;

    void TearDown() override
    {
        CDeviceThread::GetInstance()->CloseDeviceHandles();
        CDeviceThread::GetInstance()->ResetDeviceSlots();
        CDxInput::GetInstance()->ClearDevices();
    }
};
}

TEST_F(RealBackendTest, TheManagerGetsTheHidLibraryAndDirectInput)
{
    CDxInput& devices = *CDxInput::GetInstance();
    ASSERT_NE(nullptr, devices.m_hHidDll) << "HID.DLL could not be loaded";
    GUID hid = {};
    ::HidD_GetHidGuid(&hid);
    EXPECT_TRUE(IsEqualGUID(hid, devices.m_hidGuid));
    if (FAILED(devices.m_hrCreate))
        GTEST_SKIP() << "this Wine's DirectInput8Create failed with 0x" << std::hex << devices.m_hrCreate;
    EXPECT_NE(nullptr, devices.m_pDI);
}

TEST_F(RealBackendTest, DiscoveryFindsNoneOfWinesOwnHidDevicesAndLeavesAnEmptyTable)
{
    CDxInput& devices = *CDxInput::GetInstance();
    if (!devices.m_pDI)
        GTEST_SKIP() << "no DirectInput interface (creation result 0x" << std::hex << devices.m_hrCreate << ")";
    const auto present = SystemHidInterfaces(devices.m_hidGuid);
    std::cout << "[ INFO     ] setupapi lists " << present.size() << " HID interface(s):";
    for (const auto& path : present)
        std::cout << "\n             " << path;
    std::cout << std::endl;
    if (present.empty())
        std::cout << "[ INFO     ] this Wine lists no HID interface, so the walk over foreign interfaces is not "
                     "exercised here"
                  << std::endl;

    CSetting::GetInstance()->m_nDeviceCount = 2;  // as if an earlier discovery had found pads
    EXPECT_EQ(S_OK, devices.EnumGameControllers());
    EXPECT_TRUE(devices.m_devices.empty());
    EXPECT_EQ(1, devices.FindallknownDevice());
    EXPECT_EQ(1, devices.UpdateDeviceTable());
    EXPECT_EQ(0, CSetting::GetInstance()->m_nDeviceCount);
    EXPECT_EQ(nullptr, g_hDeviceHandles[0].load());
    for (const auto& message : messages.messages())
        ADD_FAILURE() << "message box: [" << message.caption << "] " << message.text;
}

TEST_F(RealBackendTest, TheRefreshSequenceRunsWithoutAMessage)
{
    CSetting::GetInstance()->RefreshDevices();
    EXPECT_EQ(0, CSetting::GetInstance()->m_nDeviceCount);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(RealBackendTest, NotificationsAreRegisteredForTheHiddenWindow)
{
    const HWND window = ::CreateWindowExA(0, "STATIC", "Kinetra", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window) << "no window (is DISPLAY set?)";
    CDxInput::GetInstance()->RegisterNotification(window);
    EXPECT_NE(nullptr, g_hDeviceNotify);
    EXPECT_TRUE(messages.messages().empty());
    ::DestroyWindow(window);
}
