#include "switching/ProgramSwitcher.h"

#include <algorithm>

#include "framework/Text.h"
#include "framework/TextFile.h"
#include "profiles/ActiveProfiles.h"
#include "profiles/ProfileLoad.h"
#include "settings/Setting.h"

namespace
{
constexpr UINT_PTR kCheckTimer = 0x5301;
constexpr UINT_PTR kSettleTimer = 0x5302;
// The safety check where the win event never comes: one comparison a tick.
constexpr UINT kCheckMs = 200;

std::string RulesPath()
{
    return std::string(g_szConfigDir) + "\\" + kProgramRulesFile;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

// The taskbar, the task switcher, the Start menu and the like: passing through them is no
// change of program.
bool IsShellWindow(const std::wstring& className)
{
    static const wchar_t* const kShell[] = {L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd", L"MultitaskingViewFrame",
                                            L"TaskSwitcherWnd", L"XamlExplorerHostIslandWindow", L"ForegroundStaging",
                                            L"NotifyIconOverflowWindow", L"Windows.UI.Core.CoreWindow",
                                            L"TopLevelWindowForOverflowXamlIsland",
                                            // Wine's own tray, which takes the front when a window closes
                                            L"__winex11_standalone_tray"};
    for (const wchar_t* shell : kShell)
        if (className == shell)
            return true;
    return false;
}

struct CChildSearch
{
    DWORD frameProcess;
    DWORD found;
};

BOOL CALLBACK FindOtherProcess(HWND child, LPARAM lParam)
{
    auto* search = reinterpret_cast<CChildSearch*>(lParam);
    DWORD process = 0;
    ::GetWindowThreadProcessId(child, &process);
    if (process == search->frameProcess)
        return TRUE;
    search->found = process;
    return FALSE;
}

// A Store app's frame window belongs to ApplicationFrameHost; the app's own process owns a child.
DWORD StoreAppProcess(HWND frame, DWORD frameProcess)
{
    CChildSearch search = {frameProcess, 0};
    ::EnumChildWindows(frame, FindOtherProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// What is in front now, its program's path in UTF-8 as the rules name programs.
CFrontNow ReadFront()
{
    CFrontNow front;
    const HWND window = ::GetForegroundWindow();
    if (!window)
        return front;
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    const std::wstring className = ClassOf(window);
    if (process == ::GetCurrentProcessId())
        front.kind = EFront::kOwn;
    else if (className == L"#32769" || className == L"Progman" || className == L"WorkerW")
        front.kind = EFront::kDesktop;
    else if (IsShellWindow(className))
        front.kind = EFront::kShell;
    if (front.kind != EFront::kNone)
        return front;
    if (className == L"ApplicationFrameWindow")
        process = StoreAppProcess(window, process);
    const std::wstring program = process ? ImagePathOf(process) : std::wstring();
    front.program = NarrowOf(program, CP_UTF8);
    front.process = process;
    front.kind = program.empty() ? EFront::kUnknown : EFront::kProgram;
    return front;
}

bool ProfileExists(const std::string& name)
{
    return !ProfileNameOnDisk(name).empty();
}

// The pads a profile can be loaded into, by their identity.
std::vector<std::string> ProgrammablePads()
{
    std::vector<std::string> pads;
    for (int slot : ProgrammableSlots())
        pads.push_back(Model().PadIdOf(slot));
    return pads;
}
}

std::wstring ImagePathOf(DWORD process)
{
    const CHandle handle(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    if (!handle || !::QueryFullProcessImageNameW(handle.get(), 0, path, &size))
        return {};
    return std::wstring(path, size);
}

CProgramSwitcher& CProgramSwitcher::Get()
{
    static CProgramSwitcher switcher;
    return switcher;
}

namespace
{
// When the rules file was last written; zero when there is none.
ULONGLONG RulesFileTime()
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExA(RulesPath().c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}
}

void CProgramSwitcher::ReadRules()
{
    std::string text;
    m_ullRulesTime = RulesFileTime();
    const CReadRules read = ReadWholeFile(RulesPath(), text) ? ParseRules(text) : CReadRules();
    m_rules = read.rules;
    m_dropped = read.droppedLines;
}

void CProgramSwitcher::RefreshRules()
{
    // A person may edit the file while Kinetra runs: the edit counts from the next decision,
    // and a later save starts from it instead of writing over it.
    if (RulesFileTime() == m_ullRulesTime)
        return;
    ReadRules();
    m_memory.decided.clear();
}

void CProgramSwitcher::Start(HWND window)
{
    m_hWnd = window;
    ReadRules();
    m_hHook = ::SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, OnWinEvent, 0, 0,
                                WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    ::SetTimer(m_hWnd, kCheckTimer, kCheckMs, nullptr);
    m_hLastFront = ::GetForegroundWindow();
    m_knownPads = ProgrammablePads();
    Evaluate();
}

void CProgramSwitcher::Stop()
{
    if (m_hHook)
        ::UnhookWinEvent(m_hHook);
    m_hHook = nullptr;
    if (m_hWnd) {
        ::KillTimer(m_hWnd, kCheckTimer);
        ::KillTimer(m_hWnd, kSettleTimer);
    }
    m_hWnd = nullptr;
}

bool CProgramSwitcher::SaveRules(const CProgramRules& rules, std::string& error)
{
    const std::string path = RulesPath();
    if (!WriteFileReplacing(path, FormatRules(rules))) {
        error = "The rules could not be written to " + path + " (error " + std::to_string(::GetLastError()) + ").";
        return false;
    }
    m_ullRulesTime = RulesFileTime();
    m_rules = rules;
    m_dropped.clear();
    // The new rules count from the program in front on; the kept program stays kept.
    m_memory.decided.clear();
    Evaluate();
    return true;
}

void CProgramSwitcher::SetEnabled(bool on)
{
    RefreshRules();
    CProgramRules rules = m_rules;
    rules.switchOn = on;
    std::string error;
    if (!SaveRules(rules, error))
        Warn("Switching was not changed", error);
}

void CProgramSwitcher::SetWarningHandler(void (*handler)(const std::string&, const std::string&))
{
    m_pfnWarn = handler;
}

void CProgramSwitcher::Warn(const std::string& title, const std::string& text) const
{
    if (m_pfnWarn)
        m_pfnWarn(title, text);
}

void CALLBACK CProgramSwitcher::OnWinEvent(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD)
{
    Get().OnFrontMaybeChanged();
}

bool CProgramSwitcher::OnTimer(UINT_PTR id)
{
    if (id == kSettleTimer) {
        ::KillTimer(m_hWnd, kSettleTimer);
        Evaluate();
        return true;
    }
    if (id != kCheckTimer)
        return false;
    // The kept program's end is a change as well: its profile goes with it, and the program in
    // front is decided anew.
    if (m_hKeptProcess && ::WaitForSingleObject(m_hKeptProcess.get(), 0) == WAIT_OBJECT_0) {
        m_hKeptProcess.reset();
        m_memory.decided.clear();
        Evaluate();
    }
    if (!m_bSheetOpen)
        RetryLoads();
    OnFrontMaybeChanged();
    return true;
}

void CProgramSwitcher::OnFrontMaybeChanged()
{
    const HWND front = ::GetForegroundWindow();
    if (front == m_hLastFront || !m_hWnd)
        return;
    m_hLastFront = front;
    ::SetTimer(m_hWnd, kSettleTimer, kSettleMs, nullptr);  // restarted by every change
}

void CProgramSwitcher::OnPadsChanged()
{
    // A pad plugged in while a game is in front gets the game's profile at once; the pads that
    // were there keep what they are on.
    std::vector<std::string> pads = ProgrammablePads();
    std::vector<std::string> arrived;
    for (const std::string& pad : pads)
        if (std::find(m_knownPads.begin(), m_knownPads.end(), pad) == m_knownPads.end())
            arrived.push_back(pad);
    m_knownPads = pads;
    if (m_rules.switchOn && !m_bSheetOpen)
        LoadOnPads(m_strWanted, arrived);
}

void CProgramSwitcher::OnSheetOpened()
{
    m_bSheetOpen = true;
}

void CProgramSwitcher::OnSheetClosed()
{
    m_bSheetOpen = false;
    if (m_bPending || m_bRetry)
        Evaluate();
}

void CProgramSwitcher::NoteManualChoice()
{
    // The tray menu or the sheet is in front now: the choice was made over the program before it.
    const std::string front = FrontKey(ReadFront());
    if (!front.empty())
        m_strLastProgram = front;
    m_memory.decided = m_strLastProgram;
    m_strWanted.clear();
    m_bRetry = false;
    m_hKeptProcess.reset();
}

void CProgramSwitcher::Evaluate()
{
    if (!m_hWnd)
        return;
    RefreshRules();
    CFrontNow front = ReadFront();
    // New rules, or switching just turned on from the tray: Kinetra's own window is in front, and
    // the program the user was in before it is the one to decide for.
    if (front.kind == EFront::kOwn && m_memory.decided.empty() && !m_strLastProgram.empty())
        front = FrontOfKey(m_strLastProgram);
    m_memory.keptAlive = static_cast<bool>(m_hKeptProcess);
    if (const std::string key = FrontKey(front); !key.empty())
        m_strLastProgram = key;
    if (m_bSheetOpen) {
        m_bPending = true;  // the user's window owns the settings until it closes
        return;
    }
    m_bPending = false;
    const CSwitchDecision decision = DecideSwitch(front, m_memory, m_rules, ProfileExists);
    if (!decision.newProgram) {
        RetryLoads();
        return;
    }
    m_memory.decided = decision.program;
    if (decision.profile.empty() && m_hKeptProcess)
        return;  // the kept program still runs behind this one: what it wants stays wanted
    m_strWanted = decision.profile;
    // Kept until the process in front exits; a program decided for from memory has none to
    // watch.
    if (decision.keep && front.process)
        m_hKeptProcess.reset(::OpenProcess(SYNCHRONIZE, FALSE, front.process));
    m_bRetry = false;
    LoadOnPads(decision.profile, ProgrammablePads());
}

void CProgramSwitcher::RetryLoads()
{
    if (!m_bRetry)
        return;
    m_bRetry = false;
    LoadOnPads(m_strWanted, ProgrammablePads());
}

void CProgramSwitcher::LoadOnPads(const std::string& profile, const std::vector<std::string>& pads)
{
    CSetting& model = Model();
    for (const std::string& pad : pads) {
        const CActiveProfile active = CActiveProfiles::Get().Of(pad);
        const int slot = model.SlotOfPad(pad);
        if (slot < 0 || !NeedsLoad(profile, active.name))
            continue;
        const CLoadOutcome outcome = LoadProfile(slot, profile, ELoadCaller::kSwitching);
        if (outcome.result == ELoadResult::kSheetBusy)
            m_bRetry = true;  // a test window or another load holds the pad: the next check tries again
        else if (!outcome.Loaded())
            Warn("Profile " + profile + " was not loaded", outcome.message);
        else if (active.modified)
            Warn("Profile " + profile + " loaded",
                 "Your changes to " + active.name + " were replaced. Undo Load on the Profile page brings them back.");
    }
}
