#pragma once
#include <windows.h>
#include <setupapi.h>

#include <memory>

// The Setup API calls of discovery and the opening of a device file, behind one small
// interface: the product uses the real setupapi, the demo and the tests a simulated list of
// interfaces whose keys are real registry keys and whose device files are named pipes.
class IHidInterfaceSource
{
public:
    virtual ~IHidInterfaceSource() = default;

    virtual HDEVINFO GetClassDevs(const GUID* classGuid, DWORD flags) = 0;
    virtual BOOL EnumDeviceInterfaces(HDEVINFO set, const GUID* classGuid, DWORD index,
                                      SP_DEVICE_INTERFACE_DATA* data) = 0;
    virtual BOOL EnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* info) = 0;
    virtual BOOL CreateDeviceInterface(HDEVINFO set, SP_DEVINFO_DATA* info, const GUID* classGuid,
                                       SP_DEVICE_INTERFACE_DATA* data) = 0;
    virtual BOOL GetDeviceInterfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data,
                                          SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail, DWORD detailSize,
                                          DWORD* requiredSize) = 0;
    virtual HKEY CreateDeviceInterfaceRegKey(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data, REGSAM access) = 0;
    virtual BOOL GetDeviceRegistryProperty(HDEVINFO set, SP_DEVINFO_DATA* info, DWORD property, DWORD* valueType,
                                           BYTE* buffer, DWORD bufferSize, DWORD* requiredSize) = 0;
    virtual BOOL DestroyDeviceInfoList(HDEVINFO set) = 0;
};
