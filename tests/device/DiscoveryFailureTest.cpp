// What discovery shows and leaves behind when a step fails, and the faults it must not have:
// a seventh pad, a failed refresh, long paths, keys and handles of released devices.
#include <gtest/gtest.h>

#include "support/SimFixture.h"

namespace
{
using DiscoveryFailureTest = SimFixture;

// A manager of its own, built like the program's, for what happens at construction.
class CFreshDxInput : public CDxInput
{
public:
    CFreshDxInput() = default;
};

bool IsOpenKey(HKEY key)
{
    return ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr) == ERROR_SUCCESS;
}

void ExpectOnlyMessage(const MessageLog& log, const char* text, const char* caption)
{
    ASSERT_EQ(1u, log.messages().size());
    EXPECT_EQ(text, log.messages()[0].text);
    EXPECT_EQ(caption, log.messages()[0].caption);
    EXPECT_EQ(nullptr, log.messages()[0].owner);
    EXPECT_EQ(static_cast<UINT>(MB_OK), log.messages()[0].type);
}
}

// --- the messages, text and caption exactly ---------------------------------------------------

TEST_F(DiscoveryFailureTest, EnumDevicesFailing)
{
    Bench().Faults().enumResult = DIERR_GENERIC;
    EXPECT_EQ(E_FAIL, Devices().EnumGameControllers());
    ExpectOnlyMessage(messages, "EnumDevice Failed!!", "CDIDevice");
}

TEST_F(DiscoveryFailureTest, InterfaceSetCannotBeOpened)
{
    Bench().Faults().classDevsFail = true;
    ASSERT_EQ(S_OK, Devices().EnumGameControllers());
    EXPECT_EQ(0, Devices().FindallknownDevice());
    ExpectOnlyMessage(messages, "Invalid Handle!!!", "CDiDevice");
}

TEST_F(DiscoveryFailureTest, DeviceInterfaceCannotBeTaken)
{
    Bench().Faults().createInterfaceFail = true;
    ASSERT_EQ(S_OK, Devices().EnumGameControllers());
    EXPECT_EQ(0, Devices().FindallknownDevice());
    ExpectOnlyMessage(messages, "Create Device Interface fail", "CDxInput");
    EXPECT_EQ(0, Bench().OpenInterfaceSets());
}

TEST_F(DiscoveryFailureTest, DetailBufferCannotBeAllocated)
{
    // Setup API claims a detail of almost 4 GB; a 32-bit process cannot allocate that.
    const DWORD huge = 0xFFFFFFF0u;
    if (HLOCAL probe = ::LocalAlloc(LPTR, huge)) {
        ::LocalFree(probe);
        GTEST_SKIP()
            << "this process obtained a 4 GB LocalAlloc (64-bit build), so the allocation failure "
               "behind \"Cannot create functionClassDeviceData in FindallknownDevice\" cannot be provoked here";
    }
    Bench().Faults().detailRequiredSize = huge;
    ASSERT_EQ(S_OK, Devices().EnumGameControllers());
    EXPECT_EQ(0, Devices().FindallknownDevice());
    ExpectOnlyMessage(messages, "Cannot create functionClassDeviceData in FindallknownDevice", "Error");
    EXPECT_EQ(0, Bench().OpenInterfaceSets());
}

TEST_F(DiscoveryFailureTest, DetailCannotBeRead)
{
    Bench().Faults().detailFail = true;
    ASSERT_EQ(S_OK, Devices().EnumGameControllers());
    EXPECT_EQ(0, Devices().FindallknownDevice());
    ExpectOnlyMessage(messages, "Get DeviceInterfaceDetial Fail!!", "CDxInput");
    EXPECT_EQ(0, Bench().OpenInterfaceSets());
}

TEST_F(DiscoveryFailureTest, InterfaceKeyCannotBeOpened)
{
    Bench().Plug("wired");
    Bench().Faults().regKeyFail = true;
    ASSERT_EQ(S_OK, Devices().EnumGameControllers());
    EXPECT_EQ(0, Devices().FindallknownDevice());
    ExpectOnlyMessage(messages, "Invalud Registry Key!", "Error");
    EXPECT_EQ(0, Bench().OpenInterfaceSets());
}

TEST_F(DiscoveryFailureTest, DeviceCannotBeOpened)
{
    CSimPadOptions noFile = CSimBench::Kind("wired");
    noFile.noDeviceFile = true;
    Bench().Plug(noFile);
    ASSERT_EQ(S_OK, Devices().EnumGameControllers());
    EXPECT_EQ(0, Devices().FindallknownDevice());
    ExpectOnlyMessage(messages, "INVALID FILE HANDLE (CreateFile)", "CDxInput");
    EXPECT_EQ(0, Bench().OpenInterfaceSets());
}

TEST_F(DiscoveryFailureTest, RefreshNamesTheFailedMatchingStep)
{
    Bench().Faults().classDevsFail = true;
    Model().RefreshDevices();
    ASSERT_EQ(2u, messages.messages().size());
    EXPECT_EQ("Invalid Handle!!!", messages.messages()[0].text);
    EXPECT_EQ("DxInput AssignDevInfo Fail!", messages.messages()[1].text);
    EXPECT_EQ("Main.h", messages.messages()[1].caption);
    EXPECT_EQ(nullptr, messages.messages()[1].owner);
}

TEST_F(DiscoveryFailureTest, RefreshStopsSilentlyAfterTheEnumerationsOwnMessage)
{
    Bench().Faults().enumResult = DIERR_GENERIC;
    Model().RefreshDevices();
    ExpectOnlyMessage(messages, "EnumDevice Failed!!", "CDIDevice");
}

TEST_F(DiscoveryFailureTest, NotificationRegistrationForAWindow)
{
    const HWND window = ::CreateWindowExA(0, "STATIC", "notify", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    Devices().RegisterNotification(window);
    EXPECT_EQ(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A), Devices().m_notifyFilter.dbcc_size);
    EXPECT_EQ(static_cast<DWORD>(DBT_DEVTYP_DEVICEINTERFACE), Devices().m_notifyFilter.dbcc_devicetype);
    EXPECT_TRUE(IsEqualGUID(Devices().m_hidGuid, Devices().m_notifyFilter.dbcc_classguid));
    EXPECT_NE(nullptr, g_hDeviceNotify);
    EXPECT_TRUE(messages.messages().empty());
    ::DestroyWindow(window);
}

TEST_F(DiscoveryFailureTest, NotificationRegistrationRefused)
{
    // A window handle that names no window: the system refuses to register it.
    Devices().RegisterNotification(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x7FFF0)));
    if (g_hDeviceNotify)
        GTEST_SKIP() << "Wine's RegisterDeviceNotificationA accepted a handle that names no window, so the "
                        "refusal behind \"RegisterDeviceNotificaton fail in Refresh device!\" cannot be provoked here";
    ExpectOnlyMessage(messages, "RegisterDeviceNotificaton fail in Refresh device!", "Error");
}

TEST_F(DiscoveryFailureTest, DirectInputTooOld)
{
    Bench().Faults().createResult = DIERR_OLDDIRECTINPUTVERSION;
    CFreshDxInput manager;
    EXPECT_EQ(nullptr, manager.m_pDI);
    EXPECT_EQ(DIERR_OLDDIRECTINPUTVERSION, manager.m_hrCreate);
    ExpectOnlyMessage(messages, "The application requires a newer version of DirectInput.", "CDxInput");
}

TEST_F(DiscoveryFailureTest, DirectInputOutOfMemory)
{
    Bench().Faults().createResult = DIERR_OUTOFMEMORY;
    CFreshDxInput manager;
    ExpectOnlyMessage(messages, "DirectInput subsystem couldn't allocate sufficient memory to complete the call.",
                      "CDxInput");
}

TEST_F(DiscoveryFailureTest, WithoutDirectInputEnumerationFailsQuietlyAndTheTableIsEmpty)
{
    Bench().Plug("wired");
    ASSERT_TRUE(Discover());
    ASSERT_EQ(1, Model().m_nDeviceCount);
    Bench().Faults().createResult = E_FAIL;
    CFreshDxInput manager;
    EXPECT_EQ(nullptr, manager.m_pDI);
    EXPECT_TRUE(IsEqualGUID(Devices().m_hidGuid, manager.m_hidGuid));  // HID.DLL was there
    EXPECT_TRUE(messages.messages().empty());                          // any other creation failure says nothing
    EXPECT_EQ(E_FAIL, manager.EnumGameControllers());
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(0, Model().m_nDeviceCount);
}

// --- faults mended ------------------------------------------------------------------------------

TEST_F(DiscoveryFailureTest, ASeventhPadStaysOutOfTheSixSlotsAndItsHandleIsClosedByItsOwner)
{
    std::vector<int> pads;
    for (int i = 0; i < 7; ++i)
        pads.push_back(Bench().Plug("wired"));
    const int profilesBefore = Model().m_nProfileCount;
    const auto filesBefore = Model().m_ProfileFiles;

    ASSERT_TRUE(Discover());

    EXPECT_EQ(6, Model().m_nDeviceCount);
    EXPECT_EQ(profilesBefore, Model().m_nProfileCount);  // the member after the six slots is intact
    EXPECT_EQ(filesBefore, Model().m_ProfileFiles);
    for (int slot = 0; slot < 6; ++slot)
        EXPECT_EQ(DeviceAt(slot)->m_hFile, g_hDeviceHandles[slot].load());
    const auto seventh = Bench().Pad(pads[6]);
    ASSERT_TRUE(seventh->WaitForOpenHandles(1, 2000));

    // A refresh: the worker closes its six, the manager closes the seventh's, nothing twice.
    CDeviceThread::GetInstance()->CloseDeviceHandles();
    CDeviceThread::GetInstance()->ResetDeviceSlots();
    Devices().ClearDevices();
    for (int slot : pads)
        EXPECT_TRUE(Bench().Pad(slot)->WaitForOpenHandles(0, 2000)) << "pad " << slot;
}

TEST_F(DiscoveryFailureTest, AFailedMatchingLeavesNoReleasedDeviceInTheTable)
{
    Bench().Plug("wired");
    Bench().Plug("wireless");
    ASSERT_TRUE(Discover());
    ASSERT_EQ(2, Model().m_nDeviceCount);

    Bench().Faults().classDevsFail = true;
    Model().RefreshDevices();

    EXPECT_EQ(0, Model().m_nDeviceCount);
    for (int slot = 0; slot < kDeviceSlots; ++slot) {
        EXPECT_EQ(nullptr, Model().m_pszDeviceName[slot]);
        EXPECT_EQ(nullptr, Model().m_hDeviceKeys[slot]);
        EXPECT_EQ(nullptr, Model().m_hDeviceFile[slot]);
    }
    EXPECT_EQ(nullptr, Model().GetDeviceKey(0));
}

TEST_F(DiscoveryFailureTest, AFailedEnumerationLeavesNoReleasedDeviceInTheTable)
{
    Bench().Plug("wired");
    ASSERT_TRUE(Discover());
    Bench().Faults().enumResult = DIERR_GENERIC;
    Model().RefreshDevices();
    EXPECT_EQ(0, Model().m_nDeviceCount);
    EXPECT_EQ(nullptr, Model().m_pszDeviceName[0]);
}

TEST_F(DiscoveryFailureTest, PathsOf100CharactersOrMoreAreComparedWhole)
{
    // Two pads whose paths agree in their first 100 characters and differ only near the end.
    CSimPadOptions stretched = CSimBench::Kind("wired");
    stretched.pathLength = 150;
    stretched.pathStyle = EPathStyle::kSetupApiBackslash;
    const int first = Bench().Plug(stretched);
    const int second = Bench().Plug(stretched);
    const auto padA = Bench().Pad(first);
    const auto padB = Bench().Pad(second);
    ASSERT_EQ(150u, padA->DirectInputPath().size());
    ASSERT_EQ(padA->DirectInputPath().substr(0, 100), padB->DirectInputPath().substr(0, 100));

    ASSERT_TRUE(Discover());
    EXPECT_TRUE(messages.messages().empty());
    ASSERT_EQ(2, Model().m_nDeviceCount);
    EXPECT_EQ(padA->DirectInputPath(), DeviceAt(0)->GetDevicePath());
    EXPECT_TRUE(padA->WaitForOpenHandles(1, 2000));
    EXPECT_TRUE(padB->WaitForOpenHandles(1, 2000));

    // Each table slot writes into its own pad's key.
    const BYTE mark[] = {0x42};
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExA(Model().m_hDeviceKeys[1], "Mark", 0, REG_BINARY, mark, 1));
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, padB->KeyPath().c_str(), 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_SUCCESS, ::RegQueryValueExA(key, "Mark", nullptr, nullptr, nullptr, nullptr));
    ::RegCloseKey(key);
}

TEST_F(DiscoveryFailureTest, KeysAreClosedWhenTheirDevicesAreReleasedAndHandedHandlesAreLeftToTheWorker)
{
    const auto pad = Bench().Pad(Bench().Plug("wired"));
    ASSERT_TRUE(Discover());
    const HKEY key = DeviceAt(0)->m_hKey;
    ASSERT_TRUE(IsOpenKey(key));
    ASSERT_TRUE(pad->WaitForOpenHandles(1, 2000));

    Devices().ClearDevices();
    EXPECT_FALSE(IsOpenKey(key));
    EXPECT_FALSE(pad->WaitForOpenHandles(0, 300));  // the worker's slot still holds the handle

    CDeviceThread::GetInstance()->CloseDeviceHandles();
    CDeviceThread::GetInstance()->ResetDeviceSlots();
    EXPECT_TRUE(pad->WaitForOpenHandles(0, 2000));
}

TEST_F(DiscoveryFailureTest, HandlesOfAFailedMatchingAreClosedWithTheirDevices)
{
    CSimPadOptions noFile = CSimBench::Kind("wireless");
    noFile.noDeviceFile = true;
    const int good = Bench().Plug("wired");
    Bench().Plug(noFile);
    ASSERT_EQ(S_OK, Devices().EnumGameControllers());
    ASSERT_EQ(0, Devices().FindallknownDevice());
    const auto pad = Bench().Pad(good);
    ASSERT_TRUE(pad->WaitForOpenHandles(1, 2000));
    const HKEY key = DeviceAt(0)->m_hKey;

    Devices().ClearDevices();  // the handle never reached the worker: its device closes it
    EXPECT_TRUE(pad->WaitForOpenHandles(0, 2000));
    EXPECT_FALSE(IsOpenKey(key));
}
