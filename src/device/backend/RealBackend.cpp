// The product's backend: the system's DirectInput 8 and setupapi.
#include <windows.h>
#include <setupapi.h>

#include "device/DxInput.h"

namespace
{
class CSetupApiSource final : public IHidInterfaceSource
{
public:
    HDEVINFO GetClassDevs(const GUID* classGuid, DWORD flags) override
    {
        return ::SetupDiGetClassDevsA(classGuid, nullptr, nullptr, flags);
    }

    BOOL EnumDeviceInterfaces(HDEVINFO set, const GUID* classGuid, DWORD index, SP_DEVICE_INTERFACE_DATA* data) override
    {
        return ::SetupDiEnumDeviceInterfaces(set, nullptr, classGuid, index, data);
    }

    BOOL EnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* info) override
    {
        return ::SetupDiEnumDeviceInfo(set, index, info);
    }

    BOOL CreateDeviceInterface(HDEVINFO set, SP_DEVINFO_DATA* info, const GUID* classGuid,
                               SP_DEVICE_INTERFACE_DATA* data) override
    {
        return ::SetupDiCreateDeviceInterfaceA(set, info, classGuid, nullptr, 0, data);
    }

    BOOL GetDeviceInterfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data,
                                  SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail, DWORD detailSize,
                                  DWORD* requiredSize) override
    {
        return ::SetupDiGetDeviceInterfaceDetailA(set, data, detail, detailSize, requiredSize, nullptr);
    }

    HKEY CreateDeviceInterfaceRegKey(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data, REGSAM access) override
    {
        return ::SetupDiCreateDeviceInterfaceRegKeyA(set, data, 0, access, nullptr, nullptr);
    }

    BOOL GetDeviceRegistryProperty(HDEVINFO set, SP_DEVINFO_DATA* info, DWORD property, DWORD* valueType, BYTE* buffer,
                                   DWORD bufferSize, DWORD* requiredSize) override
    {
        return ::SetupDiGetDeviceRegistryPropertyA(set, info, property, valueType, buffer, bufferSize, requiredSize);
    }

    BOOL DestroyDeviceInfoList(HDEVINFO set) override { return ::SetupDiDestroyDeviceInfoList(set); }
};
}

HRESULT CreateDirectInputInterface(HINSTANCE instance, IDirectInput8A** directInput)
{
    return ::DirectInput8Create(instance, 0x0800, IID_IDirectInput8A, reinterpret_cast<void**>(directInput), nullptr);
}

std::unique_ptr<IHidInterfaceSource> CreateHidInterfaceSource()
{
    return std::make_unique<CSetupApiSource>();
}
