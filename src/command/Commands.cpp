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
CSetting& Model()
{
    return *CSetting::GetInstance();
}

std::string Answer(int code, const std::string& message, const std::vector<std::string>& lines = {})
{
    std::string answer = AnswerHead(code, message) + "\n";
    for (const std::string& line : lines)
        answer += line + "\n";
    return answer;
}

// The program's names are in the system's code page; the pipe carries UTF-8.
std::string Utf8OfAnsi(const std::string& text)
{
    return NarrowOf(WideOf(text, CP_ACP), CP_UTF8);
}

// False when `utf8` is not valid UTF-8 or has a character the code page cannot hold (no file
// of the program can then have that name).
bool AnsiOfUtf8(const std::string& utf8, std::string& ansi)
{
    const int wide = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.c_str(), -1, nullptr, 0);
    if (wide <= 0)
        return false;
    std::wstring buffer(static_cast<std::size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.c_str(), -1, buffer.data(), wide);
    BOOL lost = FALSE;
    const int size = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, buffer.c_str(), -1, nullptr, 0, nullptr,
                                           &lost);
    if (size <= 0 || lost)
        return false;
    ansi.assign(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, buffer.c_str(), -1, ansi.data(), size, nullptr, &lost);
    ansi.resize(static_cast<std::size_t>(size - 1));
    return !lost;
}

bool ReadPad(const std::string& field, int& pad)
{
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), pad);
    return error == std::errc() && end == field.data() + field.size() && pad >= 0 && pad <= kDeviceSlots;
}

bool IsProgrammable(int slot)
{
    return slot >= 0 && slot < Model().m_nDeviceCount && Model().m_bProgrammable[slot] == 1;
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
    if (model.m_bProgrammable[slot] != 1)
        return "Not Programmable";
    return model.m_bDeviceActive == 1 && slot == model.m_nCurrentDevice ? "Active" : "Idle";
}

std::string List()
{
    CSetting& model = Model();
    model.ScanProfiles();
    std::vector<std::string> lines;
    for (const std::string& file : model.m_ProfileFiles) {
        const std::string name = file.substr(0, file.find('.'));
        std::string marks;
        for (int slot = 0; slot < model.m_nDeviceCount && slot < kDeviceSlots; ++slot) {
            const CActiveProfile active = CActiveProfiles::Get().Of(model.PadIdOf(slot));
            if (IsProgrammable(slot) && !active.name.empty() && ::lstrcmpiA(active.name.c_str(), name.c_str()) == 0)
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
        const std::string profile = IsProgrammable(slot)
                                        ? CActiveProfiles::Describe(CActiveProfiles::Get().Of(model.PadIdOf(slot)))
                                        : "-";
        lines.push_back("pad " + std::to_string(slot + 1) + "\t" + Utf8OfAnsi(name ? name : "") + "\t" +
                        StatusOf(slot) + "\tprofile: " + Utf8OfAnsi(profile));
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
    if (fields.size() != 3 || !ReadPad(fields[2], pad))
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
        const CLoadOutcome outcome = LoadProfile(slot, name, ELoadCaller::kBackground);
        lines.push_back("pad " + std::to_string(slot + 1) + ": " +
                        (outcome.Loaded() ? std::string("loaded") : Utf8OfAnsi(outcome.message)));
        if (!outcome.Loaded() && code == kExitOk) {
            code = ExitOf(outcome.result);
            message = Utf8OfAnsi(outcome.message);
        }
    }
    return Answer(code, message, lines);
}

// Each pad's settings as they are now, to be put back after a program has run.
std::string Keep(const std::vector<std::string>& fields)
{
    int pad = 0;
    if (fields.size() != 2 || !ReadPad(fields[1], pad))
        return Answer(kExitBadArguments, "keep takes a pad number.");
    std::string refusal;
    const std::vector<int> slots = TargetSlots(pad, refusal);
    if (slots.empty())
        return refusal;
    std::vector<std::string> lines;
    for (int slot : slots) {
        const std::string id = Model().PadIdOf(slot);
        const CActiveProfile active = CActiveProfiles::Get().Of(id);
        std::vector<std::string> line = {id, active.name, active.modified ? "modified" : "loaded"};
        for (const auto& [value, bytes] : ReadPadValues(slot))
            line.push_back(value + "=" + HexOf(bytes));
        lines.push_back(JoinFields(line));
    }
    return Answer(kExitOk, "kept", lines);
}

std::string PutBack(const std::vector<std::string>& fields)
{
    if (fields.size() < 4 || (fields[3] != "loaded" && fields[3] != "modified"))
        return Answer(kExitBadArguments, "putback takes one line of a keep's answer.");
    CPadValues values;
    for (std::size_t i = 4; i < fields.size(); ++i) {
        const std::size_t equals = fields[i].find('=');
        std::vector<std::uint8_t> bytes;
        if (equals == std::string::npos || !BytesOfHex(std::string_view(fields[i]).substr(equals + 1), bytes) ||
            !IsSettingsValue(fields[i].substr(0, equals), bytes.size()))
            return Answer(kExitBadArguments, "putback: \"" + fields[i] + "\" is no value of the settings.");
        values.emplace_back(fields[i].substr(0, equals), bytes);
    }
    const CLoadOutcome outcome = PutBackValues(fields[1], values, {fields[2], fields[3] == "modified"});
    return Answer(ExitOf(outcome.result), outcome.Loaded() ? "put back" : Utf8OfAnsi(outcome.message));
}
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
    if (verb == kVerbSnapshot)
        return Keep(fields);
    if (verb == kVerbPutBack)
        return PutBack(fields);
    return Answer(kExitBadArguments, "Kinetra does not know the request \"" + verb + "\".");
}
