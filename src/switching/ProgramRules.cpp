#include "switching/ProgramRules.h"

#include "framework/TextFile.h"

namespace
{
constexpr std::string_view kArrow = " => ";
constexpr std::string_view kSwitch = "switch: ";
constexpr std::string_view kOtherwise = "when no rule matches: ";
constexpr std::string_view kUntilExit = "keep until exit: ";
constexpr std::string_view kKeep = "keep";
constexpr std::string_view kLoad = "load ";

bool ReadSwitch(std::string_view value, bool& on)
{
    if (value != "on" && value != "off")
        return false;
    on = value == "on";
    return true;
}

bool ReadOtherwise(std::string_view value, CProgramRules& rules)
{
    if (value == kKeep) {
        rules.otherwiseLoad = false;
        return true;
    }
    if (!value.starts_with(kLoad) || Trimmed(value.substr(kLoad.size())).empty())
        return false;
    rules.otherwiseLoad = true;
    rules.otherwiseProfile = std::string(Trimmed(value.substr(kLoad.size())));
    return true;
}

bool ReadRule(std::string_view line, CProgramRules& rules)
{
    const std::size_t arrow = line.find(kArrow);
    if (arrow == std::string_view::npos)
        return false;
    const std::string_view program = Trimmed(line.substr(0, arrow));
    const std::string_view profile = Trimmed(line.substr(arrow + kArrow.size()));
    // A path cannot hold '>', so the first arrow always ends the program.
    if (program.empty() || profile.empty() || profile.find(kArrow) != std::string_view::npos)
        return false;
    rules.rules.push_back({std::string(program), std::string(profile)});
    return true;
}

bool ReadLine(std::string_view line, CProgramRules& rules)
{
    if (line.starts_with(kSwitch))
        return ReadSwitch(Trimmed(line.substr(kSwitch.size())), rules.switchOn);
    if (line.starts_with(kOtherwise))
        return ReadOtherwise(Trimmed(line.substr(kOtherwise.size())), rules);
    if (line.starts_with(kUntilExit))
        return ReadSwitch(Trimmed(line.substr(kUntilExit.size())), rules.untilExit);
    return ReadRule(line, rules);
}
}

std::string FormatRules(const CProgramRules& rules)
{
    std::string text = "# Kinetra's profiles by program. Each rule: program => profile; the first that matches wins.\n"
                       "# A program is an exe's full path, or only its file name to match it in any folder.\n";
    text += std::string(kSwitch) + (rules.switchOn ? "on" : "off") + "\n";
    text += std::string(kOtherwise) +
            (rules.otherwiseLoad ? std::string(kLoad) + rules.otherwiseProfile : std::string(kKeep)) + "\n";
    text += std::string(kUntilExit) + (rules.untilExit ? "on" : "off") + "\n";
    for (const CProgramRule& rule : rules.rules)
        text += rule.program + std::string(kArrow) + rule.profile + "\n";
    return text;
}

CReadRules ParseRules(std::string_view text)
{
    CReadRules read;
    read.droppedLines = ReadEditableLines(text, [&](std::string_view line) { return ReadLine(line, read.rules); });
    return read;
}

bool MatchesAnywhere(const CProgramRule& rule)
{
    return rule.program.find_first_of("\\/:") == std::string::npos;
}
