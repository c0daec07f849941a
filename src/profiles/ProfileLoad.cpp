#include "profiles/ProfileLoad.h"

#include "profiles/PadHistory.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "framework/MessageBox.h"
#include "profiles/ProfileRules.h"
#include "profiles/ProfileStore.h"
#include "settings/Setting.h"

namespace
{
// The undo file's pad, and the profile it was on before the load.
std::string g_strUndoPad;
CActiveProfile g_undoActive;

// The model works on its current pad: a load of another pad makes that one current for the
// time of the load, and the model then holds again exactly what it held for the pad the sheet
// shows (its calibration words too, which no read of the key gives back).
class CCurrentPadFor
{
public:
    explicit CCurrentPadFor(int slot)
        : m_nSlot(Model().m_nCurrentDevice), m_bActive(Model().m_bDeviceActive), m_blocks(CSettingsBlocks::Of(Model()))
    {
        Model().m_nCurrentDevice = static_cast<short>(slot);
        Model().SetDeviceActive(1);
    }
    ~CCurrentPadFor()
    {
        CSetting& model = Model();
        const bool other = model.m_nCurrentDevice != m_nSlot;
        model.m_nCurrentDevice = m_nSlot;
        model.SetDeviceActive(m_bActive);
        model.m_hDeviceKey = model.GetDeviceKey(m_nSlot);
        if (other)
            m_blocks.Into(model);
    }
    CCurrentPadFor(const CCurrentPadFor&) = delete;
    CCurrentPadFor& operator=(const CCurrentPadFor&) = delete;

private:
    short m_nSlot;
    int m_bActive;
    CSettingsBlocks m_blocks;
};

// One load at a time: a box of the page's load runs a message loop, in which a timer or a
// request of the command line would otherwise start another load halfway through this one.
bool g_bLoading = false;

class CLoadingNow
{
public:
    CLoadingNow() { g_bLoading = true; }
    ~CLoadingNow() { g_bLoading = false; }
    CLoadingNow(const CLoadingNow&) = delete;
    CLoadingNow& operator=(const CLoadingNow&) = delete;
};

void (*g_pfnManualChoice)() = nullptr;
void (*g_pfnLoadTried)(int, const std::string&, ELoadCaller, const CLoadOutcome&) = nullptr;
ESheetHold (*g_pfnSheetHold)() = nullptr;
void (*g_pfnShowLoaded)() = nullptr;

void ShowLoadedSettings()
{
    if (g_pfnShowLoaded)
        g_pfnShowLoaded();
}

CLoadOutcome Refused(ELoadResult result, std::string message)
{
    return {result, std::move(message)};
}

// What a caller in the background must hear before anything is touched; empty outcome text
// when the load may go ahead.
CLoadOutcome CheckBackgroundLoad(int slot, const std::string& name)
{
    const std::string problem = ProfileNameProblem(name, std::strlen(g_szConfigDir));
    if (!problem.empty())
        return Refused(ELoadResult::kBadName, problem);
    if (ProfileNameOnDisk(name).empty())
        return Refused(ELoadResult::kNoSuchProfile, "There is no profile \"" + name + "\".");
    if (!Model().IsProgrammablePad(slot))
        return Refused(ELoadResult::kNoPad, "No programmable pad is connected there.");
    const std::string busy = WhyNotNow(slot);
    if (!busy.empty())
        return Refused(ELoadResult::kSheetBusy, busy);
    return {};
}

// After a load: the record, the undo, and the open sheet's pages show what the pad now holds.
void RecordLoad(const std::string& pad, const std::string& name, bool undoKept)
{
    CActiveProfiles& record = CActiveProfiles::Get();
    if (undoKept) {
        g_strUndoPad = pad;
        g_undoActive = record.Of(pad);
    }
    record.Set(pad, {name, false});
    ShowLoadedSettings();
}
}

std::vector<int> ProgrammableSlots()
{
    std::vector<int> slots;
    for (int slot = 0; slot < Model().m_nDeviceCount && slot < kDeviceSlots; ++slot) {
        if (Model().IsProgrammablePad(slot))
            slots.push_back(slot);
    }
    return slots;
}

std::vector<std::string> ProfileNames()
{
    CSetting& model = Model();
    model.ScanProfiles();
    std::vector<std::string> names;
    for (const std::string& file : model.m_ProfileFiles)
        names.push_back(ProfileNameOfFile(file));
    return names;
}

std::string ProfileNameOnDisk(const std::string& name)
{
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA(ProfilePath(name).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return {};
    ::FindClose(search);
    const std::string file = found.cFileName;
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? std::string() : ProfileNameOfFile(file);
}

std::string WhyNotNow(int slot, bool fromSheet)
{
    if (g_bLoading)
        return "Another profile is being loaded: try again in a moment.";
    switch (g_pfnSheetHold && !fromSheet ? g_pfnSheetHold() : ESheetHold::kFree) {
    case ESheetHold::kUnapplied:
        return "The configuration window has changes that are not applied: apply or cancel them first.";
    case ESheetHold::kDialogOpen: return "A dialog of the configuration window is open: close it first.";
    case ESheetHold::kFree: break;
    }
    // A test window holds the pad's own settings aside while the key holds neutral ones.
    const CSetting& model = Model();
    if (!model.m_strHeldPad.empty() && model.SlotOfPad(model.m_strHeldPad) == slot)
        return "The pad is being tested: close the test first.";
    return {};
}

namespace
{
CLoadOutcome LoadOnce(int slot, const std::string& name, ELoadCaller caller, HWND owner)
{
    const bool background = caller != ELoadCaller::kPage;
    if (background) {
        CLoadOutcome refused = CheckBackgroundLoad(slot, name);
        if (!refused.Loaded())
            return refused;
    }
    const CLoadingNow loading;
    const std::string pad = Model().PadIdOf(slot);
    const std::string onDisk = background ? ProfileNameOnDisk(name) : name;
    const CPadState before = PadStateOf(slot);
    bool undoKept = false;
    std::string failure;
    std::string said;
    int loaded = 0;
    {
        // Every step's box, the model's too, becomes the outcome of a load in the background.
        std::optional<CQuietBoxes> quiet;
        if (background)
            quiet.emplace();
        const CCurrentPadFor current(slot);
        loaded = RestoreDeviceKeyFrom(owner, ProfilePath(onDisk), &undoKept, background ? &failure : nullptr);
        if (quiet)
            said = quiet->Said();
    }
    if (undoKept && !loaded) {
        // The undo file now holds what the pad still has: Undo Load belongs to that pad.
        g_strUndoPad = pad;
        g_undoActive = CActiveProfiles::Get().Of(pad);
    }
    if (!loaded)
        return Refused(ELoadResult::kFailed, !failure.empty() ? failure
                                             : !said.empty()  ? said
                                                              : "The profile was not loaded.");
    RememberChange(before, (caller == ELoadCaller::kSwitching ? "Switch to " : "Load ") + onDisk);
    RecordLoad(pad, onDisk, undoKept);
    if (caller != ELoadCaller::kSwitching && g_pfnManualChoice)
        g_pfnManualChoice();
    // The key holds the profile, but a step after the restore went wrong: the user hears it.
    if (!said.empty())
        return Refused(ELoadResult::kFailed, "The profile was loaded, but: " + said);
    return {};
}
}

CLoadOutcome LoadProfile(int slot, const std::string& name, ELoadCaller caller, HWND owner)
{
    const CLoadOutcome outcome = LoadOnce(slot, name, caller, owner);
    if (caller != ELoadCaller::kPage && g_pfnLoadTried)
        g_pfnLoadTried(slot, name, caller, outcome);
    return outcome;
}

void SetLoadTriedHandler(void (*handler)(int slot, const std::string& name, ELoadCaller caller,
                                         const CLoadOutcome& outcome))
{
    g_pfnLoadTried = handler;
}

void SetSheetHandlers(ESheetHold (*hold)(), void (*showLoaded)())
{
    g_pfnSheetHold = hold;
    g_pfnShowLoaded = showLoaded;
}

void SetManualChoiceHandler(void (*handler)())
{
    g_pfnManualChoice = handler;
}

const std::string& UndoPad()
{
    return g_strUndoPad;
}

bool UndoLoad(HWND owner)
{
    if (g_bLoading)
        return false;
    const CLoadingNow loading;
    const std::string pad = g_strUndoPad;
    const CPadState before = PadStateOf(Model().SlotOfPad(pad));
    if (!RestoreDeviceKeyFrom(owner, UndoPath(), nullptr))
        return false;
    RememberChange(before, "Undo Load");
    ::DeleteFileA(UndoPath().c_str());
    g_strUndoPad.clear();
    CActiveProfiles::Get().Set(pad, g_undoActive);
    return true;
}

CPadValues ReadPadValues(int slot)
{
    CPadValues values;
    const HKEY key = Model().GetDeviceKey(slot);
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

bool IsSettingsValue(const std::string& name, std::size_t size)
{
    for (const CDriverValue& value : kDriverValues) {
        if (name == value.name)
            return size <= static_cast<std::size_t>(value.size);
    }
    return false;
}

CLoadOutcome PutBackValues(const std::string& pad, const CPadValues& values, const CActiveProfile& active,
                           const std::string& cause, bool fromSheet)
{
    CSetting& model = Model();
    const int slot = model.SlotOfPad(pad);
    const HKEY key = model.GetDeviceKey(slot);
    if (slot < 0 || !key)
        return Refused(ELoadResult::kNoPad, "The pad is no longer connected.");
    const std::string busy = WhyNotNow(slot, fromSheet);
    if (!busy.empty())
        return Refused(ELoadResult::kSheetBusy, busy);
    // The pad holds these bytes already (the program ran on what the pad was on): nothing to
    // write, and no reload.
    if (ReadPadValues(slot) == values) {
        CActiveProfiles::Get().Set(pad, active);
        return {};
    }
    const CPadState before = PadStateOf(slot);
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
    // A value put back as missing is read as nothing set, not as what the model held before.
    if (slot == model.m_nCurrentDevice && model.m_bDeviceActive == 1) {
        model.ClearAll();
        model.LoadCurrentDevice();
    }
    model.RequestDriverUpdate();
    RememberChange(before, cause);
    if (!written)
        return Refused(ELoadResult::kFailed, "The settings could not all be written back into the pad.");
    CActiveProfiles::Get().Set(pad, active);
    ShowLoadedSettings();
    return {};
}
