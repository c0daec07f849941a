#pragma once
#include <windows.h>

#include <functional>
#include <string>

// Saving a device key to a hive file and restoring it, so that a profile is never lost:
// a save writes a temporary file and only then replaces the old one; a restore checks that the
// file is a hive that loads before the key is touched, makes the system's restore call, and
// completes the copy itself where that call changed nothing (Wine's does nothing at all).

// Enables or disables one privilege of `token`; 0 when the look-up or the adjustment failed
// (written to the debugger output). 1 also when the account does not hold the privilege.
int SetPrivilege(HANDLE token, const char* privilege, BOOL enable);

enum class EKeyFileResult {
    kDone,
    kNoPrivilege,  // the process token or a privilege could not be had
    kNotWritten,   // the hive save or the replace of the old file failed
    kNotAHive,     // the file is missing or no hive that loads
    kNotRestored,  // the key could not be made to match the file
};

// Saves `key` (with its values and sub-keys) to `path` through `tempPath`: the file at `path`
// is replaced only once the new one is complete, and a read-only one never. The folder of
// `tempPath` must exist.
EKeyFileResult SaveKeyToFile(HKEY key, const std::string& path, const std::string& tempPath);

// Replaces the values and sub-keys of `key` with those of the hive file at `path`. `key` needs
// read, write and delete access. On any failure but kNotRestored the key is untouched.
EKeyFileResult RestoreKeyFromFile(HKEY key, const std::string& path);

// Whether the file at `path` is a hive the system loads and, given `accept`, whose root key
// `accept` takes.
bool IsLoadableHive(const std::string& path, const std::function<bool(HKEY root)>& accept = {});

// Whether the two keys hold the same values (name, type and bytes) and, recursively, the same
// sub-keys.
bool SameKeyTree(HKEY first, HKEY second);
