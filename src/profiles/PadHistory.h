#pragma once
#include <string>
#include <vector>

#include "profiles/ActiveProfiles.h"
#include "profiles/PadHistoryFile.h"
#include "profiles/ProfileLoad.h"

// Every change Kinetra makes to a pad's settings can be taken back: before it, the pad's values
// and profile are taken; after it, they become the newest of the pad's last 20 states, in a file
// of the pad's own under the profile folder's "history", kept across restarts and replugs.
struct CPadState
{
    std::string pad;  // empty when the slot holds no pad
    CPadValues values;
    CActiveProfile active;
};

// The pad in `slot` as it is now.
CPadState PadStateOf(int slot);
// After a change: `before` becomes the newest state of its pad, with the change's `cause`, when
// the change left the pad's values other than they were. A history that cannot be written never
// stops the change.
void RememberChange(const CPadState& before, const std::string& cause);
// A pad's states, oldest first; a damaged line of its file is left out.
std::vector<CHistoryEntry> PadHistoryOf(const std::string& pad);
// The pad back to its state `index` (0 the oldest): its values, the driver reloaded and the
// profile it was on. Itself a change, remembered with `cause`, so that it can be taken back in turn.
CLoadOutcome RestorePadState(const std::string& pad, std::size_t index, const std::string& cause,
                             bool fromSheet = false);
// The pad back to its newest state.
CLoadOutcome UndoLastChange(const std::string& pad);
