#include "profiles/DeviceKeyFile.h"

#include <atomic>
#include <cstdio>
#include <vector>

#include "framework/Handles.h"

namespace
{
// Compared by their wide names: a value or key whose name has no character in the code page
// would not be found again by its narrow name.
struct CKeyCounts
{
    DWORD subKeys = 0;
    DWORD longestSubKey = 0;
    DWORD values = 0;
    DWORD longestValueName = 0;
    DWORD longestValueData = 0;
};

bool QueryCounts(HKEY key, CKeyCounts& counts)
{
    return ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &counts.subKeys, &counts.longestSubKey, nullptr,
                              &counts.values, &counts.longestValueName, &counts.longestValueData, nullptr,
                              nullptr) == ERROR_SUCCESS;
}

bool SameValue(HKEY second, const wchar_t* name, DWORD type, const std::vector<BYTE>& data, DWORD size)
{
    DWORD otherType = 0;
    DWORD otherSize = 0;
    if (::RegQueryValueExW(second, name, nullptr, &otherType, nullptr, &otherSize) != ERROR_SUCCESS)
        return false;
    if (otherType != type || otherSize != size)
        return false;
    std::vector<BYTE> other(otherSize + 1);
    if (::RegQueryValueExW(second, name, nullptr, nullptr, other.data(), &otherSize) != ERROR_SUCCESS)
        return false;
    return std::equal(data.begin(), data.begin() + size, other.begin());
}

bool SameValues(HKEY first, HKEY second, const CKeyCounts& counts)
{
    std::vector<wchar_t> name(counts.longestValueName + 2);
    std::vector<BYTE> data(counts.longestValueData + 1);
    for (DWORD i = 0; i < counts.values; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (::RegEnumValueW(first, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS)
            return false;
        if (!SameValue(second, name.data(), type, data, dataSize))
            return false;
    }
    return true;
}

bool SameSubKeys(HKEY first, HKEY second, const CKeyCounts& counts)
{
    std::vector<wchar_t> name(counts.longestSubKey + 2);
    for (DWORD i = 0; i < counts.subKeys; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        if (::RegEnumKeyExW(first, i, name.data(), &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        CRegKey firstChild;
        CRegKey secondChild;
        if (::RegOpenKeyExW(first, name.data(), 0, KEY_READ, firstChild.put()) != ERROR_SUCCESS ||
            ::RegOpenKeyExW(second, name.data(), 0, KEY_READ, secondChild.put()) != ERROR_SUCCESS)
            return false;
        if (!SameKeyTree(firstChild.get(), secondChild.get()))
            return false;
    }
    return true;
}

// The hive calls need these privileges of the process; once enabled they stay so.
bool EnablePrivileges(std::initializer_list<const char*> names)
{
    CHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()))
        return false;
    for (const char* name : names)
        if (!SetPrivilege(token.get(), name, TRUE))
            return false;
    return true;
}

// A profile file mounted as a hive for reading. The file itself is never mounted: a copy in
// the temporary folder is, because the system may write logs beside a mounted hive and the
// profile folder lists every file it holds.
class CMountedHive
{
public:
    CMountedHive() = default;
    ~CMountedHive() { Unmount(); }
    CMountedHive(const CMountedHive&) = delete;
    CMountedHive& operator=(const CMountedHive&) = delete;

    bool Mount(const std::string& path)
    {
        char folder[MAX_PATH];
        char copy[MAX_PATH];
        // A temporary folder whose path does not fit leaves the buffer unwritten.
        const DWORD length = ::GetTempPathA(MAX_PATH, folder);
        if (length == 0 || length >= MAX_PATH || !::GetTempFileNameA(folder, "kpr", 0, copy))
            return false;
        m_copy = copy;
        if (!::CopyFileA(path.c_str(), copy, FALSE))
            return false;
        static std::atomic<unsigned> s_nMounts{0};
        char mount[64];
        std::snprintf(mount, sizeof mount, "KinetraProfile-%lu-%u", ::GetCurrentProcessId(), ++s_nMounts);
        if (::RegLoadKeyA(HKEY_USERS, mount, copy) != ERROR_SUCCESS) {
            // Wine leaves the key of a file it could not load; the name is this process's own.
            ::RegDeleteKeyA(HKEY_USERS, mount);
            return false;
        }
        m_mount = mount;
        return ::RegOpenKeyExA(HKEY_USERS, mount, 0, KEY_READ, m_key.put()) == ERROR_SUCCESS;
    }

    HKEY Key() const { return m_key.get(); }

private:
    void Unmount()
    {
        m_key.reset();
        if (!m_mount.empty())
            ::RegUnLoadKeyA(HKEY_USERS, m_mount.c_str());
        if (m_copy.empty())
            return;
        ::DeleteFileA(m_copy.c_str());
        for (const char* log : {".LOG", ".LOG1", ".LOG2"})
            ::DeleteFileA((m_copy + log).c_str());
    }

    std::string m_copy;
    std::string m_mount;
    CRegKey m_key;
};
}

int SetPrivilege(HANDLE token, const char* privilege, BOOL enable)
{
    TOKEN_PRIVILEGES privileges = {};
    LUID luid;
    if (!::LookupPrivilegeValueA(nullptr, privilege, &luid)) {
        char line[64];
        std::snprintf(line, sizeof line, "LookupPrivilegeValue error: %lu\n", ::GetLastError());
        ::OutputDebugStringA(line);
        return 0;
    }
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid = luid;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    if (!::AdjustTokenPrivileges(token, FALSE, &privileges, sizeof privileges, nullptr, nullptr)) {
        char line[64];
        std::snprintf(line, sizeof line, "AdjustTokenPrivileges error: %lu\n", ::GetLastError());
        ::OutputDebugStringA(line);
        return 0;
    }
    return 1;
}

bool SameKeyTree(HKEY first, HKEY second)
{
    CKeyCounts firstCounts;
    CKeyCounts secondCounts;
    if (!QueryCounts(first, firstCounts) || !QueryCounts(second, secondCounts))
        return false;
    if (firstCounts.values != secondCounts.values || firstCounts.subKeys != secondCounts.subKeys)
        return false;
    return SameValues(first, second, firstCounts) && SameSubKeys(first, second, firstCounts);
}

EKeyFileResult SaveKeyToFile(HKEY key, const std::string& path, const std::string& tempPath)
{
    if (!EnablePrivileges({SE_BACKUP_NAME}))
        return EKeyFileResult::kNoPrivilege;
    // Windows will not replace a read-only file; Wine would.
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return EKeyFileResult::kNotWritten;
    // The system's hive save will not write over a file, and a left-over one is ours.
    ::DeleteFileA(tempPath.c_str());
    const bool written = ::RegSaveKeyA(key, tempPath.c_str(), nullptr) == ERROR_SUCCESS &&
                         ::GetFileAttributesA(tempPath.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (written && ::MoveFileExA(tempPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return EKeyFileResult::kDone;
    ::DeleteFileA(tempPath.c_str());
    return EKeyFileResult::kNotWritten;
}

bool IsLoadableHive(const std::string& path, const std::function<bool(HKEY root)>& accept)
{
    if (!EnablePrivileges({SE_RESTORE_NAME, SE_BACKUP_NAME}))
        return false;
    CMountedHive hive;
    return hive.Mount(path) && (!accept || accept(hive.Key()));
}

EKeyFileResult RestoreKeyFromFile(HKEY key, const std::string& path)
{
    if (!EnablePrivileges({SE_RESTORE_NAME, SE_BACKUP_NAME}))
        return EKeyFileResult::kNoPrivilege;
    CMountedHive hive;
    if (!hive.Mount(path))
        return EKeyFileResult::kNotAHive;
    if (::RegRestoreKeyA(key, path.c_str(), REG_FORCE_RESTORE) != ERROR_SUCCESS)
        return EKeyFileResult::kNotRestored;
    if (SameKeyTree(key, hive.Key()))
        return EKeyFileResult::kDone;
    // The restore call reported success and left the key as it was: copy the hive ourselves.
    if (::RegDeleteTreeA(key, nullptr) != ERROR_SUCCESS || ::RegCopyTreeA(hive.Key(), nullptr, key) != ERROR_SUCCESS)
        return EKeyFileResult::kNotRestored;
    return SameKeyTree(key, hive.Key()) ? EKeyFileResult::kDone : EKeyFileResult::kNotRestored;
}
