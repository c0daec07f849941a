#include "profiles/ProfileLoad.h"

#include "profiles/PadHistory.h"

#include <cstring>
#include <optional>

#include "framework/MessageBox.h"
#include "profiles/ProfileRules.h"
#include "profiles/ProfileStore.h"
#include "settings/Setting.h"

namespace
{
// What Undo Load puts back: the pad, the profile it was on before the load, and its values
// when the load wrote a profile's values (none: the undo file holds them).
struct CUndoLoad
{
    std::string pad;
    CActiveProfile active;
    std::optional<CPadValues> values;
};
CUndoLoad g_undo;

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

// What the pad's history says a load was.
std::string CauseOf(ELoadCaller caller)
{
    switch (caller) {
    case ELoadCaller::kSwitching: return "Switch to ";
    case ELoadCaller::kShortcut: return "Shortcut to ";
    case ELoadCaller::kPage:
    case ELoadCaller::kBackground: break;
    }
    return "Load ";
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

// After a load: the record, and the open sheet's pages show what the pad now holds.
void RecordLoad(const std::string& pad, const std::string& name)
{
    CActiveProfiles::Get().Set(pad, {name, false});
    ShowLoadedSettings();
}

// The profile `path` into the current pad, as RestoreDeviceKeyFrom, the settings it replaces
// kept for Undo Load. A profile of the settings only, into a key that holds nothing else, is
// written value by value instead of restored as a hive: the key ends the same, in a fraction of
// the time, and `before`, the pad's values now, is the undo.
int RestoreProfile(HWND owner, const std::string& path, const CPadState& before, std::string* failure)
{
    const std::optional<CPadValues> plain = PlainProfileValues(path);
    if (plain && HoldsOnlySettings(Model().GetDeviceKey(Model().m_nCurrentDevice))) {
        if (!WriteDeviceValues(owner, *plain, before.values, failure))
            return 0;
        ::DeleteFileA(UndoPath().c_str());
        g_undo = {before.pad, before.active, before.values};
        return 1;
    }
    bool undoKept = false;
    const int loaded = RestoreDeviceKeyFrom(owner, path, &undoKept, failure);
    // Kept, the undo file holds what the pad had before, or still has when the load failed.
    if (undoKept)
        g_undo = {before.pad, before.active, std::nullopt};
    return loaded;
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
    std::string failure;
    std::string said;
    int loaded = 0;
    {
        // Every step's box, the model's too, becomes the outcome of a load in the background.
        std::optional<CQuietBoxes> quiet;
        if (background)
            quiet.emplace();
        const CCurrentPadFor current(slot);
        loaded = RestoreProfile(owner, ProfilePath(onDisk), before, background ? &failure : nullptr);
        if (quiet)
            said = quiet->Said();
    }
    if (!loaded)
        return Refused(ELoadResult::kFailed, !failure.empty() ? failure
                                             : !said.empty()  ? said
                                                              : "The profile was not loaded.");
    RememberChange(before, CauseOf(caller) + onDisk);
    RecordLoad(pad, onDisk);
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
    return g_undo.pad;
}

bool CanUndoLoad()
{
    return !g_undo.pad.empty() && (g_undo.values || FileExists(UndoPath()));
}

bool UndoLoad(HWND owner)
{
    if (g_bLoading || g_undo.pad.empty())
        return false;
    const CUndoLoad undo = g_undo;
    if (undo.values) {
        const CLoadOutcome outcome = PutBackValues(undo.pad, *undo.values, undo.active, "Undo Load", true);
        if (!outcome.Loaded()) {
            CMessageBox::Show(owner, outcome.message.c_str(), "Profile", MB_OK | MB_ICONWARNING);
            return false;
        }
        g_undo = {};
        return true;
    }
    const CLoadingNow loading;
    const CPadState before = PadStateOf(Model().SlotOfPad(undo.pad));
    if (!RestoreDeviceKeyFrom(owner, UndoPath(), nullptr))
        return false;
    RememberChange(before, "Undo Load");
    ::DeleteFileA(UndoPath().c_str());
    g_undo = {};
    CActiveProfiles::Get().Set(undo.pad, undo.active);
    return true;
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
    const bool written = WritePadValues(key, values);
    // The model holds exactly what was put back: a value put back as missing reads as nothing
    // set, not as what the model held before, and the sticks' whole blocks, calibration words
    // too, are read (a load reads only their flags), or the next Apply would write zeros there.
    if (slot == model.m_nCurrentDevice && model.m_bDeviceActive == 1) {
        model.ClearAll();
        model.LoadCurrentDevice();
        model.ReadStickBlocks();
    }
    model.RequestDriverUpdate();
    RememberChange(before, cause);
    if (!written)
        return Refused(ELoadResult::kFailed, "The settings could not all be written back into the pad.");
    CActiveProfiles::Get().Set(pad, active);
    ShowLoadedSettings();
    return {};
}
