#include "profiles/ProfileStore.h"

#include <utility>

#include "framework/Handles.h"
#include "framework/MessageBox.h"
#include "profiles/DeviceKeyFile.h"
#include "settings/Setting.h"

namespace
{
constexpr REGSAM kRestoreAccess = KEY_READ | KEY_WRITE | DELETE;

// Deletes a file when it goes out of scope; nothing for an empty path.
class CDeleteOnExit
{
public:
    explicit CDeleteOnExit(std::string path) : m_path(std::move(path)) {}
    ~CDeleteOnExit()
    {
        if (!m_path.empty())
            ::DeleteFileA(m_path.c_str());
    }
    CDeleteOnExit(const CDeleteOnExit&) = delete;
    CDeleteOnExit& operator=(const CDeleteOnExit&) = delete;

private:
    std::string m_path;
};

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
    for (const CDriverValue& value : kDriverValues) {
        DWORD type = 0;
        DWORD stored = 0;
        if (value.modelReads &&
            (::RegQueryValueExA(root, value.name, nullptr, &type, nullptr, &stored) != ERROR_SUCCESS ||
             type != REG_BINARY || stored != static_cast<DWORD>(value.size)))
            return false;
    }
    return true;
}

// The model's settings into the current pad's key, and the driver reloads them; 0 when a
// value could not be written.
int WriteShownSettings()
{
    CSetting& model = *CSetting::GetInstance();
    if (!model.WriteBlocksTo(model.m_nCurrentDevice, CSettingsBlocks::Of(model)))
        return 0;
    model.RequestDriverUpdate();
    return 1;
}

// A failure of a load: in a box for the page, in `failure` for a caller in the background.
void Report(HWND owner, std::string* failure, const char* text, const char* caption, UINT type = MB_OK)
{
    if (failure)
        *failure = text;
    else
        CMessageBox::Show(owner, text, caption, type);
}

void ShowRestoreFailure(HWND owner, std::string* failure)
{
    Report(owner, failure, "RegRestoreKey Fail!!", "Profile");
}

// The model reads what the key now holds, keeps the sticks' mouse flags with fresh calibration
// words from the pad, writes it back and the driver reloads. Both sticks take the pad's words, as
// they do once the General page has shown the pad: a load from the tray, the command line or the
// switching must not write whatever words the model last held (zeros, when the sheet was never
// opened). Where the pad cannot tell them, the profile's own words stay.
void TakeRestoredKey()
{
    CSetting& model = *CSetting::GetInstance();
    model.TakeKeyWithPadWords();
    model.RequestDriverUpdate();
}

// A restore that stopped midway has left the key neither as it was nor as the file: the copy
// taken before it goes back in, the model and the driver take whatever the key holds then, and
// the user is told which it is.
void PutBack(HWND owner, bool putBack, std::string* failure)
{
    TakeRestoredKey();
    Report(owner, failure,
           putBack ? "The profile was not loaded: the settings before it were put back."
                   : "The profile was not loaded completely, and the settings before it could not be "
                     "put back: please check the pad's settings!",
           "Profile", MB_OK | MB_ICONWARNING);
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

namespace
{
bool IsFolder(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int SaveDeviceKeyTo(HWND owner, const std::string& path)
{
    CRegKey key = OpenCurrentDeviceKey(KEY_READ | KEY_WRITE);
    if (!key) {
        CMessageBox::Show(owner, "RegCreateKeyEx Fail!", "Profile Save As!", MB_OK);
        return 0;
    }
    // Without the work folder no save can be written: the key is not touched for nothing.
    const std::string folder = WorkFolder();
    if (!IsFolder(folder))
        return 0;
    // A key the program never wrote (or one with a cut value) would make a profile that no
    // load accepts: the settings the sheet shows are written into it first, as Apply would.
    if (!HoldsSettings(key.get()) && !WriteShownSettings())
        return 0;
    return SaveKeyToFile(key.get(), path, folder + "\\save.tmp") == EKeyFileResult::kDone ? 1 : 0;
}

int RestoreDeviceKeyFrom(HWND owner, const std::string& path, bool* undoKept, std::string* failure)
{
    CRegKey key = OpenCurrentDeviceKey(kRestoreAccess);
    if (!key) {
        Report(owner, failure, "Cannot Opened Registry!!", "Load Fail");
        return 0;
    }
    if (!IsLoadableHive(path, HoldsSettings)) {
        ShowRestoreFailure(owner, failure);
        return 0;
    }
    // What the key holds now: the undo of a load, and what a restore that fails midway puts
    // back.
    const std::string before = undoKept ? UndoPath() : WorkFolder() + "\\before.reg";
    const std::string temp = WorkFolder() + (undoKept ? "\\undo.tmp" : "\\before.tmp");
    const bool kept = SaveKeyToFile(key.get(), before, temp) == EKeyFileResult::kDone;
    // Only the undo stays; the copy taken for an undo itself is not needed past this load.
    const CDeleteOnExit copy(undoKept ? std::string() : before);
    if (undoKept) {
        *undoKept = kept;
        if (!kept) {
            Report(owner, failure, "The current settings could not be kept for Undo Load: the profile was not loaded!",
                   "Profile", MB_OK | MB_ICONWARNING);
            return 0;
        }
    }
    const EKeyFileResult restored = RestoreKeyFromFile(key.get(), path);
    if (restored == EKeyFileResult::kDone) {
        key.reset();
        TakeRestoredKey();
        return 1;
    }
    ShowRestoreFailure(owner, failure);
    if (restored == EKeyFileResult::kNotRestored)
        PutBack(owner, kept && RestoreKeyFromFile(key.get(), before) == EKeyFileResult::kDone, failure);
    return 0;
}

int WriteDeviceValues(HWND owner, const CPadValues& values, const CPadValues& before, std::string* failure)
{
    CRegKey key = OpenCurrentDeviceKey(kRestoreAccess);
    if (!key) {
        Report(owner, failure, "Cannot Opened Registry!!", "Load Fail");
        return 0;
    }
    // Read back, so that a load is complete or said not to be, never half done.
    if (WritePadValues(key.get(), values) && ReadKeyValues(key.get()) == values) {
        key.reset();
        TakeRestoredKey();
        return 1;
    }
    ShowRestoreFailure(owner, failure);
    PutBack(owner, WritePadValues(key.get(), before) && ReadKeyValues(key.get()) == before, failure);
    return 0;
}
