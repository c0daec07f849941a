#pragma once
#include <windows.h>
#include <dbt.h>
#include <dinput.h>

#include <list>
#include <memory>
#include <string>

#include "device/HidInterfaceSource.h"

extern HDEVNOTIFY g_hDeviceNotify;

// Axis numbers of the calibration table and their offsets in the standard joystick format.
constexpr int kCalibratedAxes = 4;
constexpr DWORD kAxisOffsets[kCalibratedAxes + 1] = {0, DIJOFS_X, DIJOFS_Y, DIJOFS_Z, DIJOFS_RZ};

// One known gamepad: its DirectInput device, HID file handle, interface key and calibration.
// It owns the interface, the key, and the file handle until UpdateDeviceTable has handed the
// handle to the worker, whose CloseDeviceHandles closes it from then on.
class CDIDevice
{
public:
    CDIDevice();
    virtual ~CDIDevice();
    CDIDevice(const CDIDevice&) = delete;
    CDIDevice& operator=(const CDIDevice&) = delete;
    virtual void OnRelease() {}

    int IsKnownDevice();
    // The device's full DirectInput path in the ANSI code page (empty when it has none).
    std::string GetDevicePath();
    int ReadCalibration();
    LONG GetCalibration(int axis, int kind) const;

    IDirectInputDevice8A* m_pDevice = nullptr;
    DIDEVICEINSTANCEA m_instance = {};
    // The HID interface path the pad was matched and opened by: what it is known by across
    // device refreshes, whose device objects, keys and slots are all new.
    std::string m_strInterfacePath;
    HKEY m_hKey = nullptr;
    HANDLE m_hFile = nullptr;
    int m_bProgrammable = 0;
    bool m_bFileHandedOver = false;  // true once the worker's slot holds m_hFile
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
    CDxInput(const CDxInput&) = delete;
    CDxInput& operator=(const CDxInput&) = delete;

    HRESULT EnumGameControllers();
    BOOL OnEnumDevice(const DIDEVICEINSTANCEA* instance);
    int FindallknownDevice();
    int UpdateDeviceTable();
    // HID interface arrivals and removals go to `window` as WM_DEVICECHANGE.
    void RegisterNotification(HWND window);
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
    enum class EStep { kNextIndex, kDone, kFailed };  // what the walk does after one interface

    static BOOL CALLBACK EnumDeviceThunk(LPCDIDEVICEINSTANCEA instance, LPVOID context);
    EStep MatchInterface(HDEVINFO set, DWORD index);
    int CompleteDevice(CDIDevice& device, HDEVINFO set, SP_DEVICE_INTERFACE_DATA& interfaceData,
                       SP_DEVINFO_DATA& deviceInfo, const std::string& path);
    int ReadProgrammable(HDEVINFO set, SP_DEVINFO_DATA& deviceInfo);

    std::unique_ptr<IHidInterfaceSource> m_source;
};

// Supplied by the backend the executable links: the real DirectInput and setupapi for the
// product, the simulated pads for the demo and the tests.
HRESULT CreateDirectInputInterface(HINSTANCE instance, IDirectInput8A** directInput);
std::unique_ptr<IHidInterfaceSource> CreateHidInterfaceSource();
