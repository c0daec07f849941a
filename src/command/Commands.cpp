// The requests of KinetraCmd, run on the UI thread through the one load path.
#include <algorithm>
#include <charconv>

#include <cstring>

#include "command/CommandProtocol.h"
#include "command/CommandServer.h"
#include "framework/Text.h"
#include "profiles/ActiveProfiles.h"
#include "profiles/ProfileLoad.h"
#include "settings/Setting.h"

namespace
{
std::string Answer(int code, const std::string& message, const std::vector<std::string>& lines = {})
{
    std::string answer = AnswerHead(code, message) + "\n";
    for (const std::string& line : lines)
        answer += (line.empty() ? std::string("-") : line) + "\n";
    return answer + "\n";
}

// What a load with "keep" found in a pad before it changed it, until KinetraCmd asks for it
// back: only these bytes, by their token, ever go back into a pad.
struct CKept
{
    std::string token;
    std::string pad;
    CActiveProfile active;
    CPadValues values;
    bool pending = false;  // asked for, and waiting until the pad may be changed again
};
std::vector<CKept> g_kept;
// Runs that never came back (a killed KinetraCmd) must not pile up.
constexpr std::size_t kMaxKept = 32;

std::string Keep(const std::string& pad, const CActiveProfile& active, CPadValues values)
{
    static unsigned s_nKept = 0;
    const std::string token = std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++s_nKept) + "-" +
                              std::to_string(::GetTickCount());
    if (g_kept.size() >= kMaxKept) {
        // The oldest that nobody asked for yet goes first; a pending put-back is a promise.
        const auto oldest = std::find_if(g_kept.begin(), g_kept.end(), [](const CKept& kept) { return !kept.pending; });
        g_kept.erase(oldest == g_kept.end() ? g_kept.begin() : oldest);
    }
    g_kept.push_back({token, pad, active, std::move(values)});
    return token;
}

bool IsPending(const std::string& pad)
{
    return std::any_of(g_kept.begin(), g_kept.end(),
                       [&](const CKept& kept) { return kept.pending && kept.pad == pad; });
}

bool ReadPad(const std::string& field, int& pad)
{
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), pad);
    return error == std::errc() && end == field.data() + field.size() && pad >= 0 && pad <= kDeviceSlots;
}

// The slots a request names: the one pad, or every programmable pad for 0. An answer's text
// instead when there is none.
std::vector<int> TargetSlots(int pad, std::string& refusal)
{
    std::vector<int> slots = ProgrammableSlots();
    std::erase_if(slots, [pad](int slot) { return pad != 0 && slot != pad - 1; });
    if (slots.empty())
        refusal = pad == 0 ? Answer(kExitNoPad, "No programmable pad is connected.")
                           : Answer(kExitNoPad, "Pad " + std::to_string(pad) + " is not a programmable pad.");
    return slots;
}

const char* StatusOf(int slot)
{
    const CSetting& model = Model();
    if (!model.IsProgrammablePad(slot))
        return "Not Programmable";
    return model.m_bDeviceActive == 1 && slot == model.m_nCurrentDevice ? "Active" : "Idle";
}

std::string List()
{
    const CSetting& model = Model();
    std::vector<std::string> lines;
    for (const std::string& name : ProfileNames()) {
        std::string marks;
        for (int slot = 0; slot < model.m_nDeviceCount && slot < kDeviceSlots; ++slot) {
            const CActiveProfile active = CActiveProfiles::Get().Of(model.PadIdOf(slot));
            if (model.IsProgrammablePad(slot) && !active.name.empty() &&
                ::lstrcmpiA(active.name.c_str(), name.c_str()) == 0)
                marks += std::string(marks.empty() ? "" : ", ") + "pad " + std::to_string(slot + 1) +
                         (active.modified ? " (modified)" : "");
        }
        lines.push_back(Utf8OfAnsi(name) + (marks.empty() ? "" : "  * active on " + marks));
    }
    return Answer(kExitOk, std::to_string(lines.size()) + " profiles", lines);
}

std::string Status()
{
    const CSetting& model = Model();
    std::vector<std::string> lines;
    for (int slot = 0; slot < model.m_nDeviceCount && slot < kDeviceSlots; ++slot) {
        const char* name = model.m_pszDeviceName[slot];
        const std::string profile = model.IsProgrammablePad(slot)
                                        ? CActiveProfiles::Describe(CActiveProfiles::Get().Of(model.PadIdOf(slot)))
                                        : "-";
        lines.push_back("pad " + std::to_string(slot + 1) + "\t" + Utf8OfAnsi(name ? name : "") + "\t" +
                        StatusOf(slot) + "\tprofile: " + Utf8OfAnsi(profile) +
                        (IsPending(model.PadIdOf(slot)) ? "\tsettings from before a program ran: to be put back" : ""));
    }
    return Answer(kExitOk, std::to_string(lines.size()) + " pads", lines);
}

int ExitOf(ELoadResult result)
{
    switch (result) {
    case ELoadResult::kLoaded: return kExitOk;
    case ELoadResult::kBadName: return kExitBadArguments;
    case ELoadResult::kNoSuchProfile: return kExitNoSuchProfile;
    case ELoadResult::kNoPad: return kExitNoPad;
    case ELoadResult::kSheetBusy: return kExitSheetBusy;
    case ELoadResult::kFailed: break;
    }
    return kExitLoadFailed;
}

std::string Load(const std::vector<std::string>& fields)
{
    std::string name;
    int pad = 0;
    const bool keep = fields.size() == 4 && fields[3] == kKeepFlag;
    if ((fields.size() != 3 && !keep) || !ReadPad(fields[2], pad))
        return Answer(kExitBadArguments, "load takes a profile name and a pad number.");
    if (!AnsiOfUtf8(fields[1], name))
        return Answer(kExitBadArguments, "The profile name \"" + fields[1] +
                                             "\" has characters this system's code page cannot hold, so no profile "
                                             "has it: profile names are letters and digits of that code page.");
    std::string refusal;
    const std::vector<int> slots = TargetSlots(pad, refusal);
    if (slots.empty())
        return refusal;
    std::vector<std::string> lines;
    int code = kExitOk;
    std::string message = "Profile " + fields[1] + " loaded.";
    for (int slot : slots) {
        const std::string id = Model().PadIdOf(slot);
        CPadValues before = keep ? ReadPadValues(slot) : CPadValues();
        const CActiveProfile wasOn = CActiveProfiles::Get().Of(id);
        const CLoadOutcome outcome = LoadProfile(slot, name, ELoadCaller::kBackground);
        lines.push_back("pad " + std::to_string(slot + 1) + ": " +
                        (outcome.Loaded() ? std::string("loaded") : Utf8OfAnsi(outcome.message)));
        // A load that failed after the restore began may have changed the pad: it is kept too.
        if (keep && (outcome.Loaded() || outcome.result == ELoadResult::kFailed))
            lines.push_back(std::string(kKeepFlag) + "\t" + Keep(id, wasOn, std::move(before)));
        if (!outcome.Loaded() && code == kExitOk) {
            code = ExitOf(outcome.result);
            message = Utf8OfAnsi(outcome.message);
        }
    }
    return Answer(code, message, lines);
}

std::string PutBack(const std::vector<std::string>& fields)
{
    const auto kept = fields.size() != 2 ? g_kept.end()
                                         : std::find_if(g_kept.begin(), g_kept.end(),
                                                        [&](const CKept& entry) { return entry.token == fields[1]; });
    if (kept == g_kept.end())
        return Answer(kExitBadArguments, "putback takes a token of a load with keep that was not put back yet.");
    const CLoadOutcome outcome = PutBackValues(kept->pad, kept->values, kept->active);
    if (outcome.result == ELoadResult::kSheetBusy || outcome.result == ELoadResult::kNoPad) {
        kept->pending = true;
        return Answer(kExitOk,
                      Utf8OfAnsi(outcome.message) + " Kinetra puts the settings from before back as soon as it can.",
                      {"pending"});
    }
    g_kept.erase(kept);
    return Answer(ExitOf(outcome.result), outcome.Loaded() ? "put back" : Utf8OfAnsi(outcome.message), {"done"});
}
}

std::vector<std::string> RetryPendingPutBacks()
{
    std::vector<std::string> said;
    for (auto kept = g_kept.begin(); kept != g_kept.end();) {
        if (!kept->pending) {
            ++kept;
            continue;
        }
        const int slot = Model().SlotOfPad(kept->pad);
        const CLoadOutcome outcome = PutBackValues(kept->pad, kept->values, kept->active);
        if (outcome.result == ELoadResult::kSheetBusy || outcome.result == ELoadResult::kNoPad) {
            ++kept;
            continue;
        }
        said.push_back(outcome.Loaded()
                           ? "Pad " + std::to_string(slot + 1) + " has its settings from before the program ran again."
                           : outcome.message);
        kept = g_kept.erase(kept);
    }
    return said;
}

bool HasPendingPutBacks()
{
    return std::any_of(g_kept.begin(), g_kept.end(), [](const CKept& kept) { return kept.pending; });
}

std::string RunCommandRequest(const std::string& request)
{
    const std::vector<std::string> fields = SplitFields(request);
    const std::string& verb = fields.front();
    if (verb == kVerbList && fields.size() == 1)
        return List();
    if (verb == kVerbStatus && fields.size() == 1)
        return Status();
    if (verb == kVerbLoad)
        return Load(fields);
    if (verb == kVerbPutBack)
        return PutBack(fields);
    return Answer(kExitBadArguments, "Kinetra does not know the request \"" + verb + "\".");
}
