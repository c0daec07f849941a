#include "switching/SwitchDecision.h"

#include <algorithm>

namespace
{
// The desktop's key among the decided programs: no image path looks like it.
constexpr char kDesktopKey[] = "<desktop>";

char Folded(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string FileNameOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool Matches(const CProgramRule& rule, const std::string& program)
{
    return SameName(rule.program, MatchesAnywhere(rule) ? FileNameOf(program) : program);
}
}

bool SameName(const std::string& first, const std::string& second)
{
    return first.size() == second.size() && std::equal(first.begin(), first.end(), second.begin(),
                                                       [](char a, char b) { return Folded(a) == Folded(b); });
}

std::string FrontKey(const CFrontNow& front)
{
    switch (front.kind) {
    case EFront::kProgram: return front.program;
    case EFront::kDesktop: return kDesktopKey;
    default: return {};
    }
}

CFrontNow FrontOfKey(const std::string& key)
{
    if (key == kDesktopKey)
        return {EFront::kDesktop, {}, 0};
    return {key.empty() ? EFront::kNone : EFront::kProgram, key, 0};
}

CSwitchDecision DecideSwitch(const CFrontNow& front, const CSwitchMemory& memory, const CProgramRules& rules,
                             const std::function<bool(const std::string&)>& profileExists)
{
    CSwitchDecision decision;
    decision.program = FrontKey(front);
    if (!rules.switchOn || decision.program.empty() || SameName(decision.program, memory.decided))
        return decision;
    decision.newProgram = true;
    if (front.kind == EFront::kProgram) {
        const auto rule = std::find_if(rules.rules.begin(), rules.rules.end(), [&](const CProgramRule& candidate) {
            return Matches(candidate, front.program) && profileExists(candidate.profile);
        });
        if (rule != rules.rules.end()) {
            decision.profile = rule->profile;
            decision.keep = rules.untilExit;
            return decision;
        }
    }
    // The kept program still runs behind the one in front: its profile stays.
    if (!memory.keptAlive && rules.otherwiseLoad)
        decision.profile = rules.otherwiseProfile;
    return decision;
}

bool NeedsLoad(const std::string& profile, const std::string& active)
{
    return !profile.empty() && !SameName(profile, active);
}
