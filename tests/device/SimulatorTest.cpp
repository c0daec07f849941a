// The stand-ins themselves behave like the interfaces they replace, so that what the program
// does with them means something.
#include <gtest/gtest.h>

#include "support/SimFixture.h"

namespace
{
BOOL CALLBACK CollectName(LPCDIDEVICEINSTANCEA instance, LPVOID context)
{
    static_cast<std::vector<std::string>*>(context)->emplace_back(instance->tszInstanceName);
    return DIENUM_CONTINUE;
}

struct SimulatorTest : SimFixture
{
    IDirectInput8A* input = nullptr;

    void SetUp() override
    {
        SimFixture::SetUp();
        ASSERT_EQ(DI_OK, CreateDirectInputInterface(::GetModuleHandleA(nullptr), &input));
    }
    void TearDown() override
    {
        if (input)
            input->Release();
        SimFixture::TearDown();
    }

    std::vector<std::string> Enumerate(DWORD filter, DWORD flags)
    {
        std::vector<std::string> names;
        input->EnumDevices(filter, &CollectName, &names, flags);
        return names;
    }

    IDirectInputDevice8A* Create(int slot)
    {
        IDirectInputDevice8A* device = nullptr;
        EXPECT_EQ(DI_OK, input->CreateDevice(Bench().Pad(slot)->InstanceGuid(), &device, nullptr));
        return device;
    }
};
}

TEST_F(SimulatorTest, EnumerationFiltersByClassAndFlags)
{
    CSimPadOptions noForce = Named("wired", "No force");
    noForce.forceFeedback = false;
    Bench().Plug(Named("wired", "Force"));
    Bench().Plug(noForce);

    EXPECT_EQ((std::vector<std::string>{"Force"}),
              Enumerate(DI8DEVCLASS_GAMECTRL, DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK));
    EXPECT_EQ((std::vector<std::string>{"Force", "No force"}), Enumerate(DI8DEVCLASS_GAMECTRL, DIEDFL_ATTACHEDONLY));
    EXPECT_EQ((std::vector<std::string>{"Mouse"}), Enumerate(DI8DEVCLASS_POINTER, 0));
    EXPECT_EQ(4u, Enumerate(DI8DEVCLASS_ALL, 0).size());
    EXPECT_EQ(DIERR_INVALIDPARAM, input->EnumDevices(DI8DEVCLASS_ALL, nullptr, nullptr, 0));
}

TEST_F(SimulatorTest, DeviceObjectsAreReferenceCounted)
{
    const int slot = Bench().Plug("wired");
    const long before = Bench().LiveObjects();
    IDirectInputDevice8A* device = Create(slot);
    ASSERT_NE(nullptr, device);
    EXPECT_EQ(before + 1, Bench().LiveObjects());
    EXPECT_EQ(2u, device->AddRef());
    IUnknown* unknown = nullptr;
    ASSERT_EQ(S_OK, device->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(2u, unknown->Release());
    EXPECT_EQ(1u, device->Release());
    EXPECT_EQ(0u, device->Release());
    EXPECT_EQ(before, Bench().LiveObjects());
}

TEST_F(SimulatorTest, StateAndBufferedDataFollowTheSettableState)
{
    const int slot = Bench().Plug("wired");
    IDirectInputDevice8A* device = Create(slot);
    ASSERT_NE(nullptr, device);
    DIJOYSTATE2 state = {};
    EXPECT_EQ(DIERR_NOTACQUIRED, device->GetDeviceState(sizeof state, &state));
    EXPECT_EQ(DIERR_INVALIDPARAM, device->Acquire());  // no data format yet
    ASSERT_EQ(DI_OK, device->SetDataFormat(&c_dfDIJoystick2));
    DIPROPDWORD buffer = {{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, 16};
    ASSERT_EQ(DI_OK, device->SetProperty(DIPROP_BUFFERSIZE, &buffer.diph));
    ASSERT_EQ(DI_OK, device->SetCooperativeLevel(nullptr, DISCL_BACKGROUND | DISCL_NONEXCLUSIVE));
    ASSERT_EQ(DI_OK, device->Acquire());
    EXPECT_EQ(DIERR_ACQUIRED, device->SetDataFormat(&c_dfDIJoystick));

    DIJOYSTATE2 pressed = Bench().Pad(slot)->State();
    pressed.lX = 1000;
    pressed.rgbButtons[2] = 0x80;
    Bench().Pad(slot)->SetState(pressed);

    ASSERT_EQ(DI_OK, device->Poll());
    ASSERT_EQ(DI_OK, device->GetDeviceState(sizeof state, &state));
    EXPECT_EQ(1000, state.lX);
    EXPECT_EQ(0x80, state.rgbButtons[2]);
    DIDEVICEOBJECTDATA data[8] = {};
    DWORD count = 8;
    ASSERT_EQ(DI_OK, device->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), data, &count, 0));
    ASSERT_EQ(2u, count);
    EXPECT_EQ(static_cast<DWORD>(DIJOFS_X), data[0].dwOfs);
    EXPECT_EQ(1000u, data[0].dwData);
    EXPECT_EQ(static_cast<DWORD>(DIJOFS_BUTTON(2)), data[1].dwOfs);
    count = 8;
    ASSERT_EQ(DI_OK, device->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), data, &count, 0));
    EXPECT_EQ(0u, count);  // fetched once
    EXPECT_EQ(16u, Bench().Pad(slot)->Settings().bufferSize);
    device->Release();
    EXPECT_EQ(0, Bench().Pad(slot)->Settings().acquired);
}

TEST_F(SimulatorTest, ConstantForceEffectsRecordWhatWasSent)
{
    const int slot = Bench().Plug("wired");
    const HWND window = ::CreateWindowExA(0, "STATIC", "ff", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                                          nullptr, nullptr);
    IDirectInputDevice8A* device = Create(slot);
    ASSERT_NE(nullptr, device);
    ASSERT_EQ(DI_OK, device->SetDataFormat(&c_dfDIJoystick));
    ASSERT_EQ(DI_OK, device->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_BACKGROUND));
    DIPROPDWORD autoCenter = {{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, DIPROPAUTOCENTER_OFF};
    ASSERT_EQ(DI_OK, device->SetProperty(DIPROP_AUTOCENTER, &autoCenter.diph));
    ASSERT_EQ(DI_OK, device->Acquire());

    DWORD axes[2] = {DIJOFS_X, DIJOFS_Y};
    LONG direction[2] = {0, 0};
    DICONSTANTFORCE force = {5000};
    DIEFFECT effect = {};
    effect.dwSize = sizeof effect;
    effect.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
    effect.dwDuration = INFINITE;
    effect.dwGain = DI_FFNOMINALMAX;
    effect.cAxes = 2;
    effect.rgdwAxes = axes;
    effect.rglDirection = direction;
    effect.cbTypeSpecificParams = sizeof force;
    effect.lpvTypeSpecificParams = &force;
    IDirectInputEffect* created = nullptr;
    EXPECT_EQ(DIERR_DEVICENOTREG, device->CreateEffect(GUID_Sine, &effect, &created, nullptr));
    ASSERT_EQ(DI_OK, device->CreateEffect(GUID_ConstantForce, &effect, &created, nullptr));
    force.lMagnitude = -7000;
    direction[0] = 1;
    ASSERT_EQ(DI_OK, created->SetParameters(&effect, DIEP_DIRECTION | DIEP_TYPESPECIFICPARAMS | DIEP_START));
    ASSERT_EQ(DI_OK, created->Start(1, 0));
    ASSERT_EQ(DI_OK, created->Stop());
    created->Release();
    device->Release();

    const auto events = Bench().Pad(slot)->EffectEvents();
    ASSERT_EQ(6u, events.size());
    EXPECT_EQ("create", events[0].what);
    EXPECT_EQ(5000, events[1].magnitude);
    EXPECT_EQ("set", events[2].what);
    EXPECT_EQ(-7000, events[2].magnitude);
    EXPECT_EQ((std::vector<LONG>{1, 0}), events[2].direction);
    EXPECT_EQ("start", events[3].what);
    EXPECT_EQ(1u, events[3].iterations);
    EXPECT_EQ("stop", events[4].what);
    EXPECT_EQ("release", events[5].what);
    EXPECT_EQ(static_cast<DWORD>(DIPROPAUTOCENTER_OFF), Bench().Pad(slot)->Settings().autoCenter);
    ::DestroyWindow(window);
}

TEST_F(SimulatorTest, AForceFeedbackLessPadRefusesEffects)
{
    CSimPadOptions noForce = CSimBench::Kind("plain");
    noForce.forceFeedback = false;
    const int slot = Bench().Plug(noForce);
    IDirectInputDevice8A* device = Create(slot);
    ASSERT_NE(nullptr, device);
    IDirectInputEffect* created = nullptr;
    EXPECT_EQ(DIERR_UNSUPPORTED, device->CreateEffect(GUID_ConstantForce, nullptr, &created, nullptr));
    device->Release();
}

TEST_F(SimulatorTest, TheDeviceFileCarriesReportsAndTheDriverAnswersTheReloadReport)
{
    CSimPadOptions options = CSimBench::Kind("wired");
    options.reportHz = 1000;
    const int slot = Bench().Plug(options);
    const auto pad = Bench().Pad(slot);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, pad->KeyPath().c_str(), 0, KEY_ALL_ACCESS, &key));
    const BYTE map[32] = {0x1E};
    ::RegSetValueExA(key, "KeyMap", 0, REG_BINARY, map, sizeof map);
    ::RegCloseKey(key);

    const HANDLE file = ::CreateFileA(pad->DevicePath().c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    BYTE report[9] = {};
    DWORD size = 0;
    ASSERT_TRUE(::ReadFile(file, report, sizeof report, &size, nullptr));
    EXPECT_EQ(9u, size);
    const BYTE other[3] = {0x02, 0x00, 0x00};
    ASSERT_TRUE(::WriteFile(file, other, sizeof other, &size, nullptr));
    const BYTE reload[3] = {0x01, 0x00, 0x00};
    ASSERT_TRUE(::WriteFile(file, reload, sizeof reload, &size, nullptr));
    ASSERT_TRUE(pad->WaitForReloads(1, 2000));
    EXPECT_EQ(1u, pad->ReloadCount());  // the other report was no reload
    const CSimReload got = pad->Reloads().front();
    ASSERT_EQ(1u, got.values.count("KeyMap"));
    EXPECT_EQ(0x1E, got.values.at("KeyMap")[0]);
    EXPECT_EQ(0u, got.values.count("LALA"));
    ::CloseHandle(file);
    EXPECT_TRUE(pad->WaitForOpenHandles(0, 2000));

    Bench().Unplug(slot);
    EXPECT_EQ(INVALID_HANDLE_VALUE, ::CreateFileA(pad->DevicePath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                  OPEN_EXISTING, 0, nullptr));
}

TEST_F(SimulatorTest, TheInterfaceListHoldsWinesOwnDevicesAndRefusesAnUndersizedFilterBuffer)
{
    CSimPadOptions longList = CSimBench::Kind("wired");
    longList.upperFilters = {"KT_Gamepad", std::string(120, 'f')};
    Bench().Plug(longList);
    auto source = CreateHidInterfaceSource();
    GUID hid = CDxInput::GetInstance()->m_hidGuid;
    const HDEVINFO set = source->GetClassDevs(&hid, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    ASSERT_NE(INVALID_HANDLE_VALUE, set);
    SP_DEVICE_INTERFACE_DATA data = {};
    data.cbSize = sizeof data;
    DWORD count = 0;
    while (source->EnumDeviceInterfaces(set, &hid, count, &data))
        ++count;
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), ::GetLastError());
    EXPECT_EQ(3u, count);

    SP_DEVINFO_DATA info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(source->EnumDeviceInfo(set, 2, &info));
    BYTE buffer[100];
    DWORD type = 0, required = 0;
    EXPECT_FALSE(
        source->GetDeviceRegistryProperty(set, &info, SPDRP_UPPERFILTERS, &type, buffer, sizeof buffer, &required));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), ::GetLastError());
    EXPECT_GT(required, 100u);
    info.cbSize = 5;
    EXPECT_FALSE(source->EnumDeviceInfo(set, 2, &info));  // setupapi's size check
    EXPECT_TRUE(source->DestroyDeviceInfoList(set));
}
