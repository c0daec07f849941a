#include "switching/ProgramSwitcher.h"

#include "app/AppGlobals.h"
#include "app/Tray.h"
#include "framework/Text.h"
#include "framework/TextFile.h"
#include "profiles/ActiveProfiles.h"
#include "profiles/ProfileLoad.h"
#include "settings/Setting.h"
#include "sheet/PropSheet.h"

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

bool SameText(const std::wstring& first, const std::wstring& second)
{
    return ::CompareStringOrdinal(first.c_str(), static_cast<int>(first.size()), second.c_str(),
                                  static_cast<int>(second.size()), TRUE) == CSTR_EQUAL;
}

std::wstring FileNameOf(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
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
    static const wchar_t* const kShell[] = {L"Shell_TrayWnd",
                                            L"Shell_SecondaryTrayWnd",
                                            L"MultitaskingViewFrame",
                                            L"TaskSwitcherWnd",
                                            L"XamlExplorerHostIslandWindow",
                                            L"ForegroundStaging",
                                            L"NotifyIconOverflowWindow",
                                            L"Windows.UI.Core.CoreWindow",
                                            L"TopLevelWindowForOverflowXamlIsland"};
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

void CProgramSwitcher::ReadRules()
{
    std::string text;
    const CReadRules read = ReadWholeFile(RulesPath(), text) ? ParseRules(text) : CReadRules();
    m_rules = read.rules;
    m_dropped = read.droppedLines;
}

void CProgramSwitcher::Start(HWND window)
{
    m_hWnd = window;
    ReadRules();
    m_hHook = ::SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, OnWinEvent, 0, 0,
                                WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    ::SetTimer(m_hWnd, kCheckTimer, kCheckMs, nullptr);
    m_hLastFront = ::GetForegroundWindow();
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
    m_rules = rules;
    m_dropped.clear();
    m_hKeptProcess.reset();
    Evaluate();
    return true;
}

void CProgramSwitcher::SetEnabled(bool on)
{
    CProgramRules rules = m_rules;
    rules.switchOn = on;
    std::string error;
    if (!SaveRules(rules, error) && g_pTray)
        g_pTray->ShowBalloon("Switching was not changed", error);
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
    // The kept program's end is a change as well: its profile goes with it.
    if (m_hKeptProcess && ::WaitForSingleObject(m_hKeptProcess.get(), 0) == WAIT_OBJECT_0) {
        m_hKeptProcess.reset();
        Evaluate();
    }
    OnFrontMaybeChanged();
    return true;
}

void CProgramSwitcher::OnFrontMaybeChanged()
{
    const HWND front = ::GetForegroundWindow();
    if (front == m_hLastFront || !m_hWnd)
        return;
    m_hLastFront = front;
    if (m_rules.switchOn)
        ::SetTimer(m_hWnd, kSettleTimer, kSettleMs, nullptr);  // restarted by every change
}

void CProgramSwitcher::OnPadsChanged()
{
    // A pad plugged in while a game is in front gets the game's profile at once.
    Evaluate();
}

void CProgramSwitcher::OnSheetClosed()
{
    if (m_bPending)
        Evaluate();
}

void CProgramSwitcher::NoteManualChoice()
{
    m_bHeld = true;
    m_strHeldProgram = ReadFront().program;
    m_hKeptProcess.reset();
}

CProgramSwitcher::CFront CProgramSwitcher::ReadFront()
{
    CFront front;
    const HWND window = ::GetForegroundWindow();
    if (!window)
        return front;
    ::GetWindowThreadProcessId(window, &front.process);
    const std::wstring className = ClassOf(window);
    if (front.process == ::GetCurrentProcessId())
        front.kind = EFront::kOwn;
    else if (className == L"#32769" || className == L"Progman" || className == L"WorkerW")
        front.kind = EFront::kDesktop;
    else if (IsShellWindow(className))
        front.kind = EFront::kShell;
    if (front.kind != EFront::kNone)
        return front;
    if (className == L"ApplicationFrameWindow")
        front.process = StoreAppProcess(window, front.process);
    front.program = front.process ? ImagePathOf(front.process) : std::wstring();
    front.kind = front.program.empty() ? EFront::kUnknown : EFront::kProgram;
    return front;
}

const CProgramRule* CProgramSwitcher::MatchingRule(const std::wstring& program) const
{
    for (const CProgramRule& rule : m_rules.rules) {
        const std::wstring named = WideOf(rule.program, CP_UTF8);
        const bool matches = MatchesAnywhere(rule) ? SameText(named, FileNameOf(program)) : SameText(named, program);
        // A rule whose profile was deleted is skipped: the next one may still match.
        if (matches && !ProfileNameOnDisk(rule.profile).empty())
            return &rule;
    }
    return nullptr;
}

void CProgramSwitcher::Evaluate()
{
    if (!m_rules.switchOn || !m_hWnd)
        return;
    if (CPropSheet::GetInstance()->m_bShowing) {
        m_bPending = true;  // the user's window owns the settings until it closes
        return;
    }
    m_bPending = false;
    const CFront front = ReadFront();
    // Kinetra's own windows, the shell's, a moment with no window in front, and a program that
    // cannot be identified all keep the current profile.
    if (front.kind != EFront::kProgram && front.kind != EFront::kDesktop)
        return;
    if (m_bHeld && SameText(front.program, m_strHeldProgram))
        return;
    m_bHeld = false;
    const CProgramRule* rule = front.kind == EFront::kProgram ? MatchingRule(front.program) : nullptr;
    if (rule) {
        if (m_rules.untilExit)
            m_hKeptProcess.reset(::OpenProcess(SYNCHRONIZE, FALSE, front.process));
        Switch(rule->profile);
        return;
    }
    if (m_hKeptProcess)
        return;  // the kept program still runs behind the one in front
    if (m_rules.otherwiseLoad)
        Switch(m_rules.otherwiseProfile);
}

void CProgramSwitcher::Switch(const std::string& profile)
{
    for (int slot : ProgrammableSlots()) {
        const CActiveProfile active = CActiveProfiles::Get().Of(CSetting::GetInstance()->PadIdOf(slot));
        // Already on it as it was loaded: no reload at all.
        if (!active.modified && ::lstrcmpiA(active.name.c_str(), profile.c_str()) == 0)
            continue;
        const CLoadOutcome outcome = LoadProfile(slot, profile, ELoadCaller::kSwitching);
        if (!outcome.Loaded() && g_pTray)
            g_pTray->ShowBalloon("Profile " + profile + " was not loaded", outcome.message);
    }
}
