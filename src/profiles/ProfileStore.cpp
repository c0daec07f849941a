#include "profiles/ProfileStore.h"

#include <utility>

#include "framework/Handles.h"
#include "framework/MessageBox.h"
#include "profiles/DeviceKeyFile.h"
#include "settings/Setting.h"

namespace
{
constexpr REGSAM kRestoreAccess = KEY_READ | KEY_WRITE | DELETE;

// The current device's key, opened again with `access` the way the hive calls need it.
CRegKey OpenCurrentDeviceKey(REGSAM access)
{
    CSetting& model = *CSetting::GetInstance();
    CRegKey key;
    DWORD disposition = 0;
    const HKEY device = model.GetDeviceKey(model.m_nCurrentDevice);
    if (!device || ::RegCreateKeyExA(device, "", 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key.put(),
                                     &disposition) != ERROR_SUCCESS)
        key.reset();
    return key;
}

// Whether the hive holds every value the model reads, each of the size the program writes:
// a cut or foreign file that the system still loads is no profile.
bool HoldsSettings(HKEY root)
{
    const std::pair<const char*, DWORD> kValues[] = {
        {"KeyConfig", kKeyTableSize},          {"KeyMap", kKeyTableSize},        {"Sensitivity", kSensitivitySize},
        {"ForceFeedBack", kForceFeedBackSize}, {"LeftAnalog", kAnalogBlockSize}, {"RightAnalog", kAnalogBlockSize}};
    for (const auto& [name, size] : kValues) {
        DWORD type = 0;
        DWORD stored = 0;
        if (::RegQueryValueExA(root, name, nullptr, &type, nullptr, &stored) != ERROR_SUCCESS || type != REG_BINARY ||
            stored != size)
            return false;
    }
    return true;
}

void ShowRestoreFailure(HWND owner)
{
    CMessageBox::Show(owner, "RegRestoreKey Fail!!", "Profile", MB_OK);
}

// The model reads what the key now holds, keeps the left stick's mouse flag with fresh
// calibration words, writes it back and the driver reloads.
void TakeRestoredKey()
{
    CSetting& model = *CSetting::GetInstance();
    model.LoadCurrentDevice();
    model.SetLeftAnalog(-1);
    model.SaveCurrentDevice();
    model.RequestDriverUpdate();
}
}

std::string ProfilePath(const std::string& name)
{
    return std::string(g_szConfigDir) + "\\" + name + ".reg";
}

std::string WorkFolder()
{
    const std::string folder = std::string(g_szConfigDir) + "\\~work";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string UndoPath()
{
    return WorkFolder() + "\\undo.reg";
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int SaveDeviceKeyTo(HWND owner, const std::string& path)
{
    CRegKey key = OpenCurrentDeviceKey(KEY_WRITE);
    if (!key) {
        CMessageBox::Show(owner, "RegCreateKeyEx Fail!", "Profile Save As!", MB_OK);
        return 0;
    }
    return SaveKeyToFile(key.get(), path, WorkFolder() + "\\save.tmp") == EKeyFileResult::kDone ? 1 : 0;
}

int RestoreDeviceKeyFrom(HWND owner, const std::string& path, bool* undoKept)
{
    CRegKey key = OpenCurrentDeviceKey(kRestoreAccess);
    if (!key) {
        CMessageBox::Show(owner, "Cannot Opened Registry!!", "Load Fail", MB_OK);
        return 0;
    }
    if (!IsLoadableHive(path, HoldsSettings)) {
        ShowRestoreFailure(owner);
        return 0;
    }
    if (undoKept) {
        *undoKept = SaveKeyToFile(key.get(), UndoPath(), WorkFolder() + "\\undo.tmp") == EKeyFileResult::kDone;
        if (!*undoKept) {
            CMessageBox::Show(owner,
                              "The current settings could not be kept for Undo Load: the profile was not loaded!",
                              "Profile", MB_OK | MB_ICONWARNING);
            return 0;
        }
    }
    if (RestoreKeyFromFile(key.get(), path) != EKeyFileResult::kDone) {
        ShowRestoreFailure(owner);
        return 0;
    }
    key.reset();
    TakeRestoredKey();
    return 1;
}
