#pragma once
// The files of the profile folder that are no profile: the folder lists profiles only.

// The Programs page's rules.
constexpr char kProgramRulesFile[] = "programs.txt";
// The Shortcuts page's keys.
constexpr char kShortcutsFile[] = "shortcuts.txt";
