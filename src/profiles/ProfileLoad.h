#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "profiles/ActiveProfiles.h"
#include "profiles/PadValues.h"

// The one way a profile is loaded, whoever asks: the Profile page, the tray, the command line.
// Checked restore, the replaced settings kept for Undo Load, the driver reloaded, the pad's
// active profile recorded. Only the page shows boxes; every other caller is in the background
// and gets the outcome to tell its own way (a balloon, an exit code).

enum class ELoadResult {
    kLoaded,
    kBadName,        // not a name the Profile page takes
    kNoSuchProfile,  // no such file in the profile folder
    kNoPad,          // the slot holds no programmable pad
    kSheetBusy,      // the configuration window owns the settings now
    kFailed,         // the restore failed; the message says how, and what the pad holds
};

struct CLoadOutcome
{
    ELoadResult result = ELoadResult::kLoaded;
    std::string message;
    bool Loaded() const { return result == ELoadResult::kLoaded; }
};

// The page and the background callers are the user's own choice, which holds against the
// switching by program until another program comes to the front; kSwitching is that switching.
// A shortcut key is a background caller of its own only for the pad's history to name it.
enum class ELoadCaller { kPage, kBackground, kShortcut, kSwitching };

// Loads the profile `name` into the pad in `slot`. The page (owner = its window) has checked
// the name and loads the current pad; a caller in the background is checked here first.
CLoadOutcome LoadProfile(int slot, const std::string& name, ELoadCaller caller, HWND owner = nullptr);

// What the configuration sheet means to a change of the settings from outside it (the tray, the
// command line, the switching).
enum class ESheetHold {
    kFree,        // closed, or open with nothing unapplied: the change may go ahead
    kUnapplied,   // the user's edits wait for Apply: the sheet owns the model
    kDialogOpen,  // a dialog or message box over the sheet is in the middle of something
};
// The sheet tells the load how it holds the settings, and shows what a load from outside it
// brought; without a sheet nothing holds them and nothing is shown.
void SetSheetHandlers(ESheetHold (*hold)(), void (*showLoaded)());

// Called after every load that was the user's own choice (the page, the tray, the command
// line), for the switching by program to hold it.
void SetManualChoiceHandler(void (*handler)());

// Called after every load from outside the page, loaded or not: the tray, the command line, a
// shortcut key and the switching, for the screen to show what changed.
void SetLoadTriedHandler(void (*handler)(int slot, const std::string& name, ELoadCaller caller,
                                         const CLoadOutcome& outcome));
// Why a caller in the background may not change the pad in `slot` now; empty when it may. A
// dialog of the sheet itself (`fromSheet`), which the user opened once nothing was unapplied,
// is not held back by the sheet it stands over.
std::string WhyNotNow(int slot, bool fromSheet = false);

// The pad whose settings the last load replaced; empty when none.
const std::string& UndoPad();
// Whether what the last load replaced can still be put back: kept in memory by a load that wrote
// a profile's values, in the undo file by a full restore.
bool CanUndoLoad();
// Undo Load from the page: the settings and the active profile from before the last load.
bool UndoLoad(HWND owner);

// Writes `values` back into the pad `pad` (a value of the settings not among them is deleted,
// as it was not there) and reloads the driver, with `active` as its profile: how the settings
// a program ran with are taken back afterwards, and a change undone. The pad's history keeps
// what it had before, with `cause`.
CLoadOutcome PutBackValues(const std::string& pad, const CPadValues& values, const CActiveProfile& active,
                           const std::string& cause = "Put back", bool fromSheet = false);

// The slots of the pads a profile can be loaded into, in table order.
std::vector<int> ProgrammableSlots();
// The profiles of the folder by the names the Profile page lists them under.
std::vector<std::string> ProfileNames();
// A profile's name as the folder spells it ("race1" finds "Race1"); empty when there is none.
std::string ProfileNameOnDisk(const std::string& name);
