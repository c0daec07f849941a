#include "profiles/PadValues.h"

#include <algorithm>
#include <map>

#include "profiles/DeviceKeyFile.h"
#include "profiles/PlainProfile.h"
#include "settings/Setting.h"

namespace
{
// Every value and the number of sub-keys of `key`; false when it could not be read whole.
bool ReadStoredValues(HKEY key, std::vector<CStoredValue>& values, std::size_t& subKeys)
{
    DWORD keys = 0, count = 0, longestName = 0, longestData = 0;
    if (::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &count, &longestName, &longestData,
                           nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    subKeys = keys;
    std::vector<char> name(longestName + 2);
    for (DWORD i = 0; i < count; ++i) {
        CStoredValue value;
        value.bytes.resize(longestData + 1);
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(value.bytes.size());
        DWORD type = 0;
        if (::RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, value.bytes.data(), &dataSize) !=
            ERROR_SUCCESS)
            return false;
        value.name.assign(name.data(), nameSize);
        value.type = type;
        value.bytes.resize(dataSize);
        values.push_back(std::move(value));
    }
    return true;
}

// A profile file as it was last read: which version, and its settings if it holds just those.
struct CReadProfile
{
    ULONGLONG size = 0;
    FILETIME created = {};
    FILETIME written = {};
    std::optional<CPadValues> values;
};

// Loads run on the window thread only: the cache needs no lock.
std::map<std::string, CReadProfile> g_readProfiles;

std::string Lower(std::string text)
{
    ::CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}
}

CPadValues ReadPadValues(int slot)
{
    return ReadKeyValues(Model().GetDeviceKey(slot));
}

CPadValues ReadKeyValues(HKEY key)
{
    CPadValues values;
    for (const CDriverValue& value : kDriverValues) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(value.size));
        DWORD size = static_cast<DWORD>(bytes.size());
        DWORD type = 0;
        if (key && ::RegQueryValueExA(key, value.name, nullptr, &type, bytes.data(), &size) == ERROR_SUCCESS &&
            type == REG_BINARY) {
            bytes.resize(size);
            values.emplace_back(value.name, bytes);
        }
    }
    return values;
}

bool WritePadValues(HKEY key, const CPadValues& values)
{
    bool written = true;
    for (const CDriverValue& value : kDriverValues) {
        const auto kept = std::find_if(values.begin(), values.end(),
                                       [&](const auto& entry) { return entry.first == value.name; });
        const LSTATUS status = kept == values.end()
                                   ? ::RegDeleteValueA(key, value.name)
                                   : ::RegSetValueExA(key, value.name, 0, REG_BINARY, kept->second.data(),
                                                      static_cast<DWORD>(kept->second.size()));
        written = written && (status == ERROR_SUCCESS || (kept == values.end() && status == ERROR_FILE_NOT_FOUND));
    }
    return written;
}

bool HoldsOnlySettings(HKEY key)
{
    std::vector<CStoredValue> values;
    std::size_t subKeys = 0;
    return ReadStoredValues(key, values, subKeys) && OnlySettings(values, subKeys);
}

std::optional<CPadValues> PlainProfileValues(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA file = {};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &file))
        return std::nullopt;
    const ULONGLONG size = (static_cast<ULONGLONG>(file.nFileSizeHigh) << 32) | file.nFileSizeLow;
    CReadProfile& read = g_readProfiles[Lower(path)];
    // A file put in the place of another (a copy keeps its time) is made again.
    if (read.size == size && ::CompareFileTime(&read.created, &file.ftCreationTime) == 0 &&
        ::CompareFileTime(&read.written, &file.ftLastWriteTime) == 0)
        return read.values;
    read = {size, file.ftCreationTime, file.ftLastWriteTime, std::nullopt};
    IsLoadableHive(path, [&](HKEY root) {
        std::vector<CStoredValue> values;
        std::size_t subKeys = 0;
        if (ReadStoredValues(root, values, subKeys))
            read.values = PlainSettings(values, subKeys);
        return true;
    });
    return read.values;
}
