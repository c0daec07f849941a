#pragma once
#include <windows.h>
#include <dbt.h>
#include <dinput.h>

#include <list>
#include <memory>

#include "device/HidInterfaceSource.h"

extern HDEVNOTIFY g_hDeviceNotify;

// One known gamepad: its DirectInput device, HID file handle, interface key and calibration.
class CDIDevice
{
public:
    CDIDevice();
    virtual ~CDIDevice();
    virtual void OnRelease() {}

    int IsKnownDevice();
    // A newly allocated 100-byte path buffer (delete[] by the caller).
    char* GetDevicePath();
    int ReadCalibration();
    LONG GetCalibration(int axis, int kind) const;

    IDirectInputDevice8A* m_pDevice = nullptr;
    DIDEVICEINSTANCEA m_instance = {};
    HKEY m_hKey = nullptr;
    HANDLE m_hFile = nullptr;
    int m_bProgrammable = 0;
    DIPROPDWORD m_vidPid = {};
    DIPROPGUIDANDPATH m_guidAndPath = {};
    DIPROPCAL m_calibProp = {};
    LONG m_lCalibration[15] = {};
};

// The device manager: DirectInput, discovery of the known pads and their HID interfaces.
class CDxInput
{
public:
    static CDxInput* GetInstance();
    virtual ~CDxInput();

    HRESULT EnumGameControllers();
    BOOL OnEnumDevice(const DIDEVICEINSTANCEA* instance);
    int FindallknownDevice();
    int UpdateDeviceTable();
    void RegisterNotification();
    void ClearDevices();
    static int ComparePaths(const char* directInputPath, const char* setupApiPath);
    static short GetDeviceCount();

    IDirectInput8A* m_pDI = nullptr;
    std::list<CDIDevice*> m_devices;  // owns its elements, in enumeration order
    GUID m_hidGuid = {};
    HMODULE m_hHidDll = nullptr;
    HRESULT m_hrCreate = E_FAIL;
    DEV_BROADCAST_DEVICEINTERFACE_A m_notifyFilter = {};

protected:
    CDxInput();

private:
    std::unique_ptr<IHidInterfaceSource> m_source;
};

// Supplied by the backend the executable links: the real DirectInput and setupapi for the
// product, the simulated pads for the demo and the tests.
HRESULT CreateDirectInputInterface(HINSTANCE instance, IDirectInput8A** directInput);
std::unique_ptr<IHidInterfaceSource> CreateHidInterfaceSource();
