#pragma once
// Which profile each program gets, as the Programs page edits it and the rules file keeps it.
// Kept free of <windows.h>: the file's reading and writing can be checked on any host.
#include <string>
#include <string_view>
#include <vector>

#include "settings/ConfigFolder.h"

struct CProgramRule
{
    std::string program;  // UTF-8: an exe's full path, or only its file name to match it anywhere
    std::string profile;  // in the system's code page, as the profile folder names it
};

struct CProgramRules
{
    std::vector<CProgramRule> rules;  // the first that matches wins
    bool switchOn = false;            // "Switch profiles when a program comes to the front"
    bool otherwiseLoad = false;       // when no rule matches: load `otherwiseProfile`, else keep
    std::string otherwiseProfile;
    bool untilExit = false;  // a program's profile stays until it exits, not only while in front
};

struct CReadRules
{
    CProgramRules rules;
    std::vector<int> droppedLines;  // 1-based numbers of the lines that did not read
};

// The file's text: a comment, the three settings, then one "program => profile" line a rule.
// Profile names travel as they are (the program's code page); programs are UTF-8.
std::string FormatRules(const CProgramRules& rules);
// Reads what FormatRules wrote, or what a person made of it: a line that does not read is
// dropped and named, and every other line still counts.
CReadRules ParseRules(std::string_view text);
// Whether the rule names a program by its file name only.
bool MatchesAnywhere(const CProgramRule& rule);
