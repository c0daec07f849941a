#pragma once
#include <windows.h>

#include <string>

#include "profiles/PadValues.h"

// The profile files of the current device: where they live and the two shared procedures that
// save the device's key to one and restore it from one.

// g_szConfigDir + "\" + name + ".reg"
std::string ProfilePath(const std::string& name);
// The folder inside the profile folder for the files the list must not show (the half-written
// save, the settings a load replaced); made when missing.
std::string WorkFolder();
// The settings the last load replaced.
std::string UndoPath();
bool FileExists(const std::string& path);

// Saves the current device's key as the profile file at `path`, replacing an old file only
// once the new one is written. Shows "RegCreateKeyEx Fail!" when the key cannot be opened;
// every failure returns 0 and leaves an old file as it was.
int SaveDeviceKeyTo(HWND owner, const std::string& path);
inline int SaveDeviceKey(HWND owner, const std::string& name)
{
    return SaveDeviceKeyTo(owner, ProfilePath(name));
}

// Restores the hive file at `path` into the current device's key, then makes the model and
// the driver take it. A file that does not load as a hive, or lacks a value of the settings,
// leaves the key untouched. With `undoKept` the settings it replaces are saved to UndoPath() first
// (and *undoKept tells whether they were); nothing is loaded when they could not be. Every
// failure is shown, or, with `failure`, told there instead (a caller in the background shows no
// box); 1 when loaded.
int RestoreDeviceKeyFrom(HWND owner, const std::string& path, bool* undoKept, std::string* failure = nullptr);
// Writes `values`, the settings of a profile that holds nothing else, into the current device's
// key (a settings value not among them deleted), reads them back, then makes the model and the
// driver take them, as RestoreDeviceKeyFrom does. When they do not read back, `before` (the
// key's values beforehand) is written again; every failure is told as there.
int WriteDeviceValues(HWND owner, const CPadValues& values, const CPadValues& before, std::string* failure);
inline int RestoreDeviceKey(HWND owner, const std::string& name)
{
    bool undoKept = false;
    return RestoreDeviceKeyFrom(owner, ProfilePath(name), &undoKept);
}
