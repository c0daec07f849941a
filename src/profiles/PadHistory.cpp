#include "profiles/PadHistory.h"

#include <windows.h>

#include "framework/TextFile.h"
#include "settings/Setting.h"

namespace
{
std::string HistoryFolder()
{
    return std::string(g_szConfigDir) + "\\history";
}

std::string HistoryPath(const std::string& pad)
{
    return HistoryFolder() + "\\" + HistoryFileName(PadInstanceOf(pad));
}

std::string LocalTimeNow()
{
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    char text[32];
    wsprintfA(text, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
              now.wSecond);
    return text;
}
}

CPadState PadStateOf(int slot)
{
    CPadState state;
    state.pad = Model().PadIdOf(slot);
    if (state.pad.empty())
        return state;
    state.values = ReadPadValues(slot);
    state.active = CActiveProfiles::Get().Of(state.pad);
    return state;
}

std::vector<CHistoryEntry> PadHistoryOf(const std::string& pad)
{
    std::string text;
    if (pad.empty() || !ReadWholeFile(HistoryPath(pad), text))
        return {};
    return ParseHistory(text);
}

void RememberChange(const CPadState& before, const std::string& cause)
{
    const int slot = Model().SlotOfPad(before.pad);
    if (before.pad.empty() || slot < 0 || ReadPadValues(slot) == before.values)
        return;
    std::vector<CHistoryEntry> entries = PadHistoryOf(before.pad);
    AddHistoryEntry(entries, {LocalTimeNow(), cause, before.active.name, before.active.modified, before.values});
    ::CreateDirectoryA(HistoryFolder().c_str(), nullptr);
    WriteFileReplacing(HistoryPath(before.pad), FormatHistory(PadInstanceOf(before.pad), entries));
}

CLoadOutcome RestorePadState(const std::string& pad, std::size_t index, const std::string& cause, bool fromSheet)
{
    const std::vector<CHistoryEntry> entries = PadHistoryOf(pad);
    if (index >= entries.size())
        return {ELoadResult::kFailed, "There is no such change of this pad to take back."};
    const CHistoryEntry& state = entries[index];
    return PutBackValues(pad, state.values, {state.profile, state.modified}, cause, fromSheet);
}

CLoadOutcome UndoLastChange(const std::string& pad)
{
    const std::size_t count = PadHistoryOf(pad).size();
    return RestorePadState(pad, count == 0 ? 0 : count - 1, "Undo");
}
