// The Setup API's list of present HID interfaces on the simulated machine: Wine's own mouse and
// keyboard, then the plugged pads, with setupapi's size checks and error codes.
#include <windows.h>
#include <setupapi.h>

#include <cstddef>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "SimBench.h"
#include "device/DxInput.h"
#include "device/HidGuid.h"

namespace
{
// The HIDClass device setup class of every entry.
const GUID kHidSetupClass = {0x745a17a0, 0x74d3, 0x11d0, {0xb6, 0xfe, 0x00, 0xa0, 0xc9, 0x0f, 0x57, 0xda}};

struct CSimInterface
{
    std::string path;
    std::string keyPath;  // empty: no key of its own
    std::vector<std::string> upperFilters;
};

// One interface set: a snapshot of the list at the time it was opened.
struct CSimInterfaceSet
{
    std::vector<CSimInterface> interfaces;
};

class CSimHidSource final : public IHidInterfaceSource
{
public:
    CSimHidSource() { ::HidD_GetHidGuid(&m_hidGuid); }

    ~CSimHidSource() override
    {
        for (CSimInterfaceSet* set : m_sets) {
            delete set;
            CSimBench::Get().SetDestroyed();
        }
    }

    HDEVINFO GetClassDevs(const GUID* classGuid, DWORD flags) override
    {
        if (CSimBench::Get().Faults().classDevsFail) {
            ::SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        auto* set = new CSimInterfaceSet;
        // Only the HID interface class is simulated; any other class gives an empty set.
        if (classGuid && IsEqualGUID(*classGuid, m_hidGuid) && (flags & DIGCF_DEVICEINTERFACE))
            set->interfaces = Snapshot();
        std::lock_guard<std::mutex> hold(m_lock);
        m_sets.insert(set);
        CSimBench::Get().SetOpened();
        return set;
    }

    BOOL EnumDeviceInterfaces(HDEVINFO handle, const GUID* classGuid, DWORD index,
                              SP_DEVICE_INTERFACE_DATA* data) override
    {
        CSimInterfaceSet* set = Find(handle);
        if (!set)
            return Fail(ERROR_INVALID_HANDLE);
        if (!data || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA))
            return Fail(ERROR_INVALID_USER_BUFFER);
        if (!classGuid || !IsEqualGUID(*classGuid, m_hidGuid) || index >= set->interfaces.size())
            return Fail(ERROR_NO_MORE_ITEMS);
        FillInterface(index, data);
        return TRUE;
    }

    BOOL EnumDeviceInfo(HDEVINFO handle, DWORD index, SP_DEVINFO_DATA* info) override
    {
        CSimInterfaceSet* set = Find(handle);
        if (!set)
            return Fail(ERROR_INVALID_HANDLE);
        if (!info || info->cbSize != sizeof(SP_DEVINFO_DATA))
            return Fail(ERROR_INVALID_USER_BUFFER);
        if (index >= set->interfaces.size())
            return Fail(ERROR_NO_MORE_ITEMS);
        info->ClassGuid = kHidSetupClass;
        info->DevInst = index + 1;
        info->Reserved = index + 1;
        return TRUE;
    }

    BOOL CreateDeviceInterface(HDEVINFO handle, SP_DEVINFO_DATA* info, const GUID* classGuid,
                               SP_DEVICE_INTERFACE_DATA* data) override
    {
        CSimInterfaceSet* set = Find(handle);
        if (!set)
            return Fail(ERROR_INVALID_HANDLE);
        if (CSimBench::Get().Faults().createInterfaceFail)
            return Fail(ERROR_INVALID_DATA);
        if (!info || info->cbSize != sizeof(SP_DEVINFO_DATA) ||
            (data && data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)))
            return Fail(ERROR_INVALID_USER_BUFFER);
        const DWORD index = info->DevInst - 1;
        if (!classGuid || !IsEqualGUID(*classGuid, m_hidGuid) || index >= set->interfaces.size())
            return Fail(ERROR_INVALID_PARAMETER);
        if (data)
            FillInterface(index, data);
        return TRUE;
    }

    BOOL GetDeviceInterfaceDetail(HDEVINFO handle, SP_DEVICE_INTERFACE_DATA* data,
                                  SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail, DWORD detailSize,
                                  DWORD* requiredSize) override
    {
        CSimInterfaceSet* set = Find(handle);
        if (!set)
            return Fail(ERROR_INVALID_HANDLE);
        const DWORD index = data ? static_cast<DWORD>(data->Reserved) - 1 : 0;
        if (!data || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) || index >= set->interfaces.size())
            return Fail(ERROR_INVALID_PARAMETER);
        const std::string& path = set->interfaces[index].path;
        const CSimFaults& faults = CSimBench::Get().Faults();
        const DWORD needed = faults.detailRequiredSize
                                 ? faults.detailRequiredSize
                                 : static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) +
                                                      path.size() + 1);
        if (requiredSize)
            *requiredSize = needed;
        if (!detail)
            return Fail(detailSize ? ERROR_INVALID_USER_BUFFER : ERROR_INSUFFICIENT_BUFFER);
        if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A))
            return Fail(ERROR_INVALID_USER_BUFFER);
        if (faults.detailFail)
            return Fail(ERROR_INVALID_DATA);
        if (detailSize < needed)
            return Fail(ERROR_INSUFFICIENT_BUFFER);
        std::memcpy(detail->DevicePath, path.c_str(), path.size() + 1);
        return TRUE;
    }

    HKEY CreateDeviceInterfaceRegKey(HDEVINFO handle, SP_DEVICE_INTERFACE_DATA* data, REGSAM access) override
    {
        const HKEY invalid = reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE);
        CSimInterfaceSet* set = Find(handle);
        if (!set) {
            ::SetLastError(ERROR_INVALID_HANDLE);
            return invalid;
        }
        const DWORD index = data ? static_cast<DWORD>(data->Reserved) - 1 : 0;
        if (!data || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) || index >= set->interfaces.size() ||
            set->interfaces[index].keyPath.empty() || CSimBench::Get().Faults().regKeyFail) {
            ::SetLastError(ERROR_INVALID_DATA);
            return invalid;
        }
        HKEY key = nullptr;
        const LONG result = ::RegCreateKeyExA(HKEY_CURRENT_USER, set->interfaces[index].keyPath.c_str(), 0, nullptr, 0,
                                              access, nullptr, &key, nullptr);
        if (result != ERROR_SUCCESS) {
            ::SetLastError(static_cast<DWORD>(result));
            return invalid;
        }
        return key;
    }

    BOOL GetDeviceRegistryProperty(HDEVINFO handle, SP_DEVINFO_DATA* info, DWORD property, DWORD* valueType,
                                   BYTE* buffer, DWORD bufferSize, DWORD* requiredSize) override
    {
        CSimInterfaceSet* set = Find(handle);
        if (!set)
            return Fail(ERROR_INVALID_HANDLE);
        const DWORD index = info ? info->DevInst - 1 : 0;
        if (!info || info->cbSize != sizeof(SP_DEVINFO_DATA) || index >= set->interfaces.size())
            return Fail(ERROR_INVALID_PARAMETER);
        const auto& filters = set->interfaces[index].upperFilters;
        if (property != SPDRP_UPPERFILTERS || filters.empty())
            return Fail(ERROR_INVALID_DATA);  // what setupapi says of a property the device lacks
        std::string list;
        for (const auto& name : filters)
            list.append(name).push_back('\0');
        list.push_back('\0');
        if (requiredSize)
            *requiredSize = static_cast<DWORD>(list.size());
        if (valueType)
            *valueType = REG_MULTI_SZ;
        if (!buffer || bufferSize < list.size())
            return Fail(ERROR_INSUFFICIENT_BUFFER);
        std::memcpy(buffer, list.data(), list.size());
        return TRUE;
    }

    BOOL DestroyDeviceInfoList(HDEVINFO handle) override
    {
        std::lock_guard<std::mutex> hold(m_lock);
        auto* set = static_cast<CSimInterfaceSet*>(handle);
        if (!m_sets.erase(set))
            return Fail(ERROR_INVALID_HANDLE);
        delete set;
        CSimBench::Get().SetDestroyed();
        return TRUE;
    }

private:
    static BOOL Fail(DWORD error)
    {
        ::SetLastError(error);
        return FALSE;
    }

    CSimInterfaceSet* Find(HDEVINFO handle)
    {
        std::lock_guard<std::mutex> hold(m_lock);
        auto* set = static_cast<CSimInterfaceSet*>(handle);
        return m_sets.count(set) ? set : nullptr;
    }

    void FillInterface(DWORD index, SP_DEVICE_INTERFACE_DATA* data) const
    {
        data->InterfaceClassGuid = m_hidGuid;
        data->Flags = SPINT_ACTIVE;
        data->Reserved = index + 1;
    }

    static std::vector<CSimInterface> Snapshot()
    {
        std::vector<CSimInterface> list{{CSimBench::kWineMousePath, "", {}}, {CSimBench::kWineKeyboardPath, "", {}}};
        for (const auto& pad : CSimBench::Get().Pads())
            list.push_back({pad->SetupApiPath(), pad->KeyPath(), pad->Options().upperFilters});
        return list;
    }

    GUID m_hidGuid = {};
    std::mutex m_lock;
    std::set<CSimInterfaceSet*> m_sets;
};
}

std::unique_ptr<IHidInterfaceSource> CreateHidInterfaceSource()
{
    return std::make_unique<CSimHidSource>();
}
