#pragma once
// When the profile follows the program in front, and which one. Kept free of <windows.h>: the
// decisions are checked on any host from a table.
#include <functional>
#include <string>

#include "switching/ProgramRules.h"

// What is in front: a program the rules may name, or a window that is no change of program.
enum class EFront {
    kNone,     // nothing, for a moment (between programs, or one just ended)
    kOwn,      // one of Kinetra's own windows: the sheet, the tray menu
    kShell,    // the taskbar, the task switcher and the like
    kDesktop,  // the desktop: a program of its own, which only "when no rule matches" concerns
    kProgram,
    kUnknown,  // a program whose path cannot be read
};

struct CFrontNow
{
    EFront kind = EFront::kNone;
    std::string program;        // UTF-8: the image path, for kProgram
    unsigned long process = 0;  // its process, when known
};

// What the switching remembers between two decisions.
struct CSwitchMemory
{
    // The program the pads were last decided for. A choice by hand sets it to the program that
    // was in front of Kinetra's windows then, so that the choice holds while that program stays.
    std::string decided;
    bool keptAlive = false;  // "keep until it exits": the program whose profile stays still runs
};

struct CSwitchDecision
{
    bool newProgram = false;  // the program in front is another: it becomes the decided one
    std::string program;      // the decided program's key (the desktop has one of its own)
    std::string profile;      // load this on every pad that is not on it; empty: nothing
    bool keep = false;        // keep the profile until this program exits
};

// The key a window in front is remembered by: the program's path, one of the desktop's own, or
// empty for a window that is no program (Kinetra's, the shell's, none).
std::string FrontKey(const CFrontNow& front);

// The window in front that FrontKey remembers as `key`.
CFrontNow FrontOfKey(const std::string& key);

// Decides for the window in front. Only a change of program decides anything: Kinetra's own
// windows, the shell, a moment with nothing in front, or the decided program again leave every
// pad as it is. A rule whose profile is gone (`profileExists` false) is skipped.
CSwitchDecision DecideSwitch(const CFrontNow& front, const CSwitchMemory& memory, const CProgramRules& rules,
                             const std::function<bool(const std::string&)>& profileExists);

// Whether a pad on `active` needs `profile` loaded: not when it is on it already, modified or not
// (its user's applied edits stay), nor when there is nothing to load.
bool NeedsLoad(const std::string& profile, const std::string& active);

// Two names the same but for the case of their ASCII letters, as the system compares file names
// and profile names.
bool SameName(const std::string& first, const std::string& second);
