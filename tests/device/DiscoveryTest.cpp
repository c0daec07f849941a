// Discovery of the known pads on the simulated machine: which controllers are listed, how
// they are matched to their HID interfaces, and what the device table and worker slots get.
#include <gtest/gtest.h>

#include "support/SimFixture.h"

namespace
{
using DiscoveryTest = SimFixture;

bool IsOpenHandle(HANDLE handle)
{
    DWORD flags = 0;
    return ::GetHandleInformation(handle, &flags) != 0;
}

bool IsOpenKey(HKEY key)
{
    return ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr) == ERROR_SUCCESS;
}
}

TEST_F(DiscoveryTest, NoForceFeedbackControllerGivesAnEmptyTableAndSuccess)
{
    CSimPadOptions noForce = CSimBench::Kind("wired");
    noForce.forceFeedback = false;
    Bench().Plug(noForce);
    Model().m_nDeviceCount = 3;  // left from an earlier discovery

    EXPECT_EQ(S_OK, Devices().EnumGameControllers());
    EXPECT_TRUE(Devices().m_devices.empty());
    EXPECT_EQ(1, Devices().FindallknownDevice());  // walks Wine's mouse and keyboard, matches nothing
    EXPECT_EQ(1, Devices().UpdateDeviceTable());
    EXPECT_EQ(0, Model().m_nDeviceCount);
    EXPECT_EQ(0, CDxInput::GetDeviceCount());
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(0, Bench().OpenInterfaceSets());
}

TEST_F(DiscoveryTest, WiredAndWirelessPadsFillTheTableAndTheWorkerSlotsInEnumerationOrder)
{
    const int wired = Bench().Plug(Named("wired", "Pad A"));
    const int wireless = Bench().Plug(Named("wireless", "Pad B"));

    ASSERT_TRUE(Discover());

    EXPECT_EQ((std::vector<std::string>{"Pad A", "Pad B"}), ListedNames());
    ASSERT_EQ(2, Model().m_nDeviceCount);
    for (int slot = 0; slot < 2; ++slot) {
        const CDIDevice* device = DeviceAt(slot);
        EXPECT_EQ(device->m_hFile, Model().m_hDeviceFile[slot]);
        EXPECT_EQ(device->m_hFile, g_hDeviceHandles[slot].load());
        EXPECT_EQ(device->m_hKey, Model().m_hDeviceKeys[slot]);
        EXPECT_EQ(device->m_instance.tszInstanceName, Model().m_pszDeviceName[slot]);  // the same text, no copy
        EXPECT_EQ(1, Model().m_bProgrammable[slot]);
        EXPECT_TRUE(IsOpenHandle(device->m_hFile));
        EXPECT_TRUE(IsOpenKey(device->m_hKey));
    }
    EXPECT_EQ(nullptr, g_hDeviceHandles[2].load());
    EXPECT_TRUE(Bench().Pad(wired)->WaitForOpenHandles(1, 2000));
    EXPECT_TRUE(Bench().Pad(wireless)->WaitForOpenHandles(1, 2000));
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(0, Bench().OpenInterfaceSets());
}

TEST_F(DiscoveryTest, EachPadGetsTheKeyOfItsOwnInterface)
{
    const int first = Bench().Plug("wired");
    const int second = Bench().Plug("wired");
    ASSERT_TRUE(Discover());
    ASSERT_EQ(2, Model().m_nDeviceCount);

    const BYTE mark[] = {0x5A};
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExA(Model().m_hDeviceKeys[1], "Mark", 0, REG_BINARY, mark, 1));
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegOpenKeyExA(HKEY_CURRENT_USER, Bench().Pad(second)->KeyPath().c_str(), 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_SUCCESS, ::RegQueryValueExA(key, "Mark", nullptr, nullptr, nullptr, nullptr));
    ::RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegOpenKeyExA(HKEY_CURRENT_USER, Bench().Pad(first)->KeyPath().c_str(), 0, KEY_READ, &key));
    EXPECT_NE(ERROR_SUCCESS, ::RegQueryValueExA(key, "Mark", nullptr, nullptr, nullptr, nullptr));
    ::RegCloseKey(key);
}

TEST_F(DiscoveryTest, AKnownPairWithoutTheFilterDriverIsListedAsNotProgrammable)
{
    Bench().Plug(Named("plain", "Plain pad"));
    ASSERT_TRUE(Discover());
    ASSERT_EQ(1, Model().m_nDeviceCount);
    EXPECT_STREQ("Plain pad", Model().m_pszDeviceName[0]);
    EXPECT_EQ(0, Model().m_bProgrammable[0]);
    EXPECT_TRUE(IsOpenHandle(Model().m_hDeviceFile[0]));  // still opened: the worker reads it
}

TEST_F(DiscoveryTest, AnUnknownPairIsNeverListed)
{
    CSimPadOptions unknown = Named("wired", "Stranger");
    unknown.vendorId = 0x1234;
    unknown.productId = 0x5678;
    Bench().Plug(unknown);
    Bench().Plug(Named("wired", "Known"));
    ASSERT_TRUE(Discover());
    EXPECT_EQ((std::vector<std::string>{"Known"}), ListedNames());
    EXPECT_EQ(1, Model().m_nDeviceCount);
}

TEST_F(DiscoveryTest, AKnownPairWithoutForceFeedbackIsNeverListed)
{
    CSimPadOptions noForce = Named("wireless", "No force");
    noForce.forceFeedback = false;
    Bench().Plug(noForce);
    Bench().Plug(Named("wired", "With force"));
    ASSERT_TRUE(Discover());
    EXPECT_EQ((std::vector<std::string>{"With force"}), ListedNames());
}

TEST_F(DiscoveryTest, PathsDifferingByATrailingBackslashMatchAndThePadIsOpenedByTheBackslashedOne)
{
    // Each pad's device file exists only under the path that ends in the backslash.
    CSimPadOptions setupLonger = Named("wired", "Setup path longer");
    setupLonger.pathStyle = EPathStyle::kSetupApiBackslash;
    CSimPadOptions inputLonger = Named("wireless", "Input path longer");
    inputLonger.pathStyle = EPathStyle::kDirectInputBackslash;
    const int first = Bench().Plug(setupLonger);
    const int second = Bench().Plug(inputLonger);

    ASSERT_TRUE(Discover());
    EXPECT_TRUE(messages.messages().empty());
    ASSERT_EQ(2, Model().m_nDeviceCount);
    for (int slot : {first, second}) {
        const auto pad = Bench().Pad(slot);
        EXPECT_EQ('\\', pad->DevicePath().back());
        EXPECT_TRUE(pad->WaitForOpenHandles(1, 2000)) << pad->DevicePath();
    }
    EXPECT_NE(Bench().Pad(first)->DirectInputPath(), Bench().Pad(first)->SetupApiPath());
    EXPECT_TRUE(IsOpenHandle(Model().m_hDeviceFile[0]));
    EXPECT_TRUE(IsOpenHandle(Model().m_hDeviceFile[1]));
}

TEST_F(DiscoveryTest, ComparePathsAcceptsOneTrailingBackslashOnEitherSideAndNothingElse)
{
    char a[] = "\\\\?\\hid#vid_1345&pid_0003#1";
    char b[] = "\\\\?\\hid#vid_1345&pid_0003#1\\";
    EXPECT_EQ(1, CDxInput::ComparePaths(a, a));
    EXPECT_EQ(1, CDxInput::ComparePaths(a, b));
    EXPECT_EQ(1, CDxInput::ComparePaths(b, a));
    EXPECT_STREQ("\\\\?\\hid#vid_1345&pid_0003#1", a);  // neither string is changed
    EXPECT_STREQ("\\\\?\\hid#vid_1345&pid_0003#1\\", b);
    EXPECT_EQ(0, CDxInput::ComparePaths(a, "\\\\?\\hid#vid_1345&pid_0003#1\\\\"));
    EXPECT_EQ(0, CDxInput::ComparePaths(a, "\\\\?\\hid#vid_1345&pid_0003#1/"));
    EXPECT_EQ(0, CDxInput::ComparePaths(a, "\\\\?\\HID#vid_1345&pid_0003#1"));
    EXPECT_EQ(0, CDxInput::ComparePaths(a, "\\\\?\\hid#vid_1345&pid_0003#2"));
    EXPECT_EQ(0, CDxInput::ComparePaths("", "x"));
}

TEST_F(DiscoveryTest, AFailingCreateDeviceEndsTheEnumerationThere)
{
    CSimPadOptions broken = Named("wired", "Broken");
    broken.failCreateDevice = true;
    Bench().Plug(Named("wired", "Before"));
    Bench().Plug(broken);
    Bench().Plug(Named("wireless", "After"));
    const long objectsBefore = Bench().LiveObjects();

    EXPECT_EQ(S_OK, Devices().EnumGameControllers());
    EXPECT_EQ((std::vector<std::string>{"Before"}), ListedNames());
    EXPECT_EQ(objectsBefore + 1, Bench().LiveObjects());
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(DiscoveryTest, OnlyTheFirstUpperFilterCounts)
{
    CSimPadOptions secondIsOurs = Named("wired", "Second");
    secondIsOurs.upperFilters = {"OtherFilter", "KT_Gamepad"};
    CSimPadOptions firstIsOurs = Named("wireless", "First");
    firstIsOurs.upperFilters = {"KT_WL_Gamepad", "OtherFilter"};
    CSimPadOptions wrongCase = Named("wired", "Case");
    wrongCase.upperFilters = {"kt_gamepad"};
    Bench().Plug(secondIsOurs);
    Bench().Plug(firstIsOurs);
    Bench().Plug(wrongCase);
    ASSERT_TRUE(Discover());
    ASSERT_EQ(3, Model().m_nDeviceCount);
    EXPECT_EQ(0, Model().m_bProgrammable[0]);
    EXPECT_EQ(1, Model().m_bProgrammable[1]);
    EXPECT_EQ(0, Model().m_bProgrammable[2]);
}

TEST_F(DiscoveryTest, AFilterListOver100BytesCannotBeReadAndCountsAsNotProgrammable)
{
    CSimPadOptions longList = Named("wired", "Long list");
    longList.upperFilters = {"KT_Gamepad", "AnUpperFilterWithAVeryLongServiceName0000001",
                             "AnUpperFilterWithAVeryLongServiceName0000002"};
    std::size_t bytes = 1;
    for (const auto& name : longList.upperFilters)
        bytes += name.size() + 1;
    ASSERT_GT(bytes, 100u);
    CSimPadOptions fits = Named("wired", "Fits");
    fits.upperFilters = {"KT_Gamepad", "AnUpperFilterWithAVeryLongServiceName01"};
    Bench().Plug(longList);
    Bench().Plug(fits);
    ASSERT_TRUE(Discover());
    ASSERT_EQ(2, Model().m_nDeviceCount);
    EXPECT_EQ(0, Model().m_bProgrammable[0]);
    EXPECT_EQ(1, Model().m_bProgrammable[1]);
}

TEST_F(DiscoveryTest, EnumeratingAgainReleasesEveryDeviceObjectOfTheLastEnumeration)
{
    Bench().Plug("wired");
    Bench().Plug("wireless");
    const long before = Bench().LiveObjects();
    ASSERT_TRUE(Discover());
    EXPECT_EQ(before + 2, Bench().LiveObjects());
    ASSERT_EQ(S_OK, Devices().EnumGameControllers());
    EXPECT_EQ(before + 2, Bench().LiveObjects());
    Devices().ClearDevices();
    EXPECT_EQ(before, Bench().LiveObjects());
}

TEST_F(DiscoveryTest, ModelFindsTheCurrentDeviceAndKnowsItsInterfaces)
{
    Bench().Plug(Named("wired", "One"));
    Bench().Plug(Named("wireless", "Two"));
    EXPECT_EQ(0, Model().HasDevice(nullptr));  // an empty list holds nothing
    ASSERT_TRUE(Discover());

    Model().m_nCurrentDevice = 1;
    EXPECT_EQ(nullptr, Model().GetCurrentDevice());  // not active yet
    Model().SetDeviceActive(1);
    ASSERT_NE(nullptr, Model().GetCurrentDevice());
    EXPECT_EQ(DeviceAt(1), Model().GetCurrentDevice());
    EXPECT_EQ(1, Model().HasDevice(DeviceAt(0)->m_pDevice));
    EXPECT_EQ(1, Model().HasDevice(DeviceAt(1)->m_pDevice));
    IDirectInputDevice8A* stale = DeviceAt(0)->m_pDevice;

    Devices().ClearDevices();
    EXPECT_EQ(nullptr, Model().GetCurrentDevice());  // the table is empty now
    EXPECT_EQ(0, Model().HasDevice(stale));
}

TEST_F(DiscoveryTest, RefreshDevicesClosesTheWorkerSlotsAndRebuildsTheTable)
{
    const int first = Bench().Plug("wired");
    Model().RefreshDevices();
    ASSERT_EQ(1, Model().m_nDeviceCount);
    const int second = Bench().Plug("wireless");

    Model().RefreshDevices();

    EXPECT_EQ(2, Model().m_nDeviceCount);
    // The first pad was opened again and its earlier handle was closed: one open, two opened.
    const auto pad = Bench().Pad(first);
    EXPECT_TRUE(WaitUntil([&] { return pad->HandlesOpened() == 2; }, 2000));
    EXPECT_TRUE(pad->WaitForOpenHandles(1, 2000));
    EXPECT_TRUE(Bench().Pad(second)->WaitForOpenHandles(1, 2000));
    EXPECT_TRUE(messages.messages().empty());
}
