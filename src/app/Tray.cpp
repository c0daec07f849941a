#include "app/Tray.h"

#include <algorithm>
#include <cstdio>

#include "app/AppGlobals.h"
#include "app/Main.h"
#include "profiles/ActiveProfiles.h"
#include "profiles/PadHistory.h"
#include "profiles/ProfileLoad.h"
#include "resource.h"
#include "settings/Setting.h"
#include "sheet/PropSheet.h"
#include "switching/ProgramSwitcher.h"

namespace
{
// How the General page names the pad in `slot`, with its place among the pads.
std::string PadLabel(int slot)
{
    const char* name = Model().m_pszDeviceName[slot];
    return "&" + std::to_string(slot + 1) + " " + (name ? name : "");
}

void CopyText(char* target, std::size_t size, const std::string& text)
{
    lstrcpynA(target, text.c_str(), static_cast<int>(size));
}
}

CTrayIcon::~CTrayIcon()
{
    if (m_bAdded == 1)
        Remove();
    if (m_hMenu)
        ::DestroyMenu(m_hMenu);
}

void CTrayIcon::Add()
{
    m_bAdded = 1;
    // The version-2 record: what every shell since Windows 2000 accepts.
    m_nid.cbSize = NOTIFYICONDATAA_V2_SIZE;
    m_nid.hWnd = g_hMainWnd;
    m_nid.uID = IDT_TRAY_ICON;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nid.uCallbackMessage = WM_TRAY_NOTIFY;
    m_nid.hIcon = static_cast<HICON>(::LoadImageA(g_hInstance, MAKEINTRESOURCEA(IDI_TRAY), IMAGE_ICON,
                                                  ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
    lstrcpynA(m_nid.szTip, "Kinetra", sizeof m_nid.szTip);
    if (!m_hMenu) {
        m_hMenu = ::LoadMenuA(g_hInstance, MAKEINTRESOURCEA(IDR_TRAY_MENU));
        m_hPopup = ::GetSubMenu(m_hMenu, 0);
    }
    ::Shell_NotifyIconA(NIM_ADD, &m_nid);
    CActiveProfiles::SetChangeHandler([] { g_pTray->UpdateTip(); });
    UpdateTip();
}

void CTrayIcon::Remove()
{
    CActiveProfiles::SetChangeHandler(nullptr);
    m_bAdded = 0;
    ::Shell_NotifyIconA(NIM_DELETE, &m_nid);
}

void CTrayIcon::Readd()
{
    if (m_bAdded == 1)
        ::Shell_NotifyIconA(NIM_ADD, &m_nid);
}

HMENU CTrayIcon::BuildPadProfiles(int slot, const std::vector<std::string>& names)
{
    const HMENU menu = ::CreatePopupMenu();
    const std::string pad = Model().PadIdOf(slot);
    const CActiveProfile active = CActiveProfiles::Get().Of(pad);
    for (const std::string& name : names) {
        const int id = kFirstProfileCommand + static_cast<int>(m_choices.size());
        if (id > kLastProfileCommand)
            break;
        m_choices.push_back({pad, name});
        const bool on = ::lstrcmpiA(name.c_str(), active.name.c_str()) == 0;
        ::AppendMenuA(menu, MF_STRING | (on ? MF_CHECKED : MF_UNCHECKED), id, name.c_str());
    }
    if (names.empty())
        ::AppendMenuA(menu, MF_STRING | MF_GRAYED, 0, "(no profiles)");
    return menu;
}

HMENU CTrayIcon::BuildProfilesMenu()
{
    m_choices.clear();
    const std::vector<int> slots = ProgrammableSlots();
    const std::vector<std::string> names = ProfileNames();
    if (slots.size() == 1)
        return BuildPadProfiles(slots.front(), names);
    const HMENU menu = ::CreatePopupMenu();
    for (int slot : slots) {
        const HMENU pad = BuildPadProfiles(slot, names);
        ::AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(pad), PadLabel(slot).c_str());
    }
    if (slots.empty())
        ::AppendMenuA(menu, MF_STRING | MF_GRAYED, 0, "(no programmable pad)");
    return menu;
}

int CTrayIcon::ShowMenu()
{
    POINT cursor;
    if (!::GetCursorPos(&cursor) || !::SetForegroundWindow(g_hMainWnd))
        return 0;
    // Made for this showing, above the fixed items, and taken out again afterwards: the
    // profiles and pads are what they are now.
    const HMENU profiles = BuildProfilesMenu();
    ::InsertMenuA(m_hPopup, 0, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(profiles), "&Profiles");
    CProgramSwitcher::Get().RefreshRules();
    const UINT automatic = CProgramSwitcher::Get().Enabled() ? MF_CHECKED : MF_UNCHECKED;
    ::InsertMenuA(m_hPopup, 1, MF_BYPOSITION | MF_STRING | automatic, kSwitchCommand, "Switch &automatically");
    InsertUndo(2);
    ::InsertMenuA(m_hPopup, 3, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    const int chosen = ::TrackPopupMenu(m_hPopup, TPM_LEFTALIGN | TPM_LEFTBUTTON, cursor.x, cursor.y, 0, g_hMainWnd,
                                        nullptr);
    // Without this the menu of a hidden window may not close when the user clicks elsewhere.
    ::PostMessageA(g_hMainWnd, WM_NULL, 0, 0);
    for (int item = 3; item >= 0; --item)
        ::RemoveMenu(m_hPopup, item, MF_BYPOSITION);
    ::DestroyMenu(profiles);
    return chosen;
}

namespace
{
// What a pad's state is called: its profile, or the settings it had when none was loaded.
std::string StateName(const CHistoryEntry& state)
{
    return state.profile.empty() ? std::string("the settings before")
                                 : CActiveProfiles::Describe({state.profile, state.modified});
}

std::string PadPrefix(const std::string& pad)
{
    return ProgrammableSlots().size() > 1 ? "Pad " + std::to_string(Model().SlotOfPad(pad) + 1) + ": " : "";
}

// A history time ("2026-12-10 01:40:12") in seconds; 0 when it does not read as one.
ULONGLONG SecondsOf(const std::string& time)
{
    SYSTEMTIME parts = {};
    FILETIME file = {};
    if (std::sscanf(time.c_str(), "%4hu-%2hu-%2hu %2hu:%2hu:%2hu", &parts.wYear, &parts.wMonth, &parts.wDay,
                    &parts.wHour, &parts.wMinute, &parts.wSecond) != 6 ||
        !::SystemTimeToFileTime(&parts, &file))
        return 0;
    return ((static_cast<ULONGLONG>(file.dwHighDateTime) << 32) | file.dwLowDateTime) / 10000000;
}

// Whether `state` came from the same action as `newest`: one load into every pad changes them
// one after another for the same cause, within moments, though maybe across a second's turn.
bool SameAction(const CHistoryEntry& state, const CHistoryEntry& newest)
{
    constexpr ULONGLONG kActionSeconds = 2;
    if (state.cause != newest.cause)
        return false;
    const ULONGLONG seconds = SecondsOf(state.time);
    return state.time == newest.time || (seconds != 0 && seconds + kActionSeconds >= SecondsOf(newest.time));
}
}

void CTrayIcon::InsertUndo(UINT position)
{
    // The newest change of all the pads, what a user who just saw something go wrong means: all
    // the pads that one action changed.
    std::vector<std::pair<std::string, CHistoryEntry>> newest;
    for (int slot : ProgrammableSlots()) {
        const std::string pad = Model().PadIdOf(slot);
        const std::vector<CHistoryEntry> entries = PadHistoryOf(pad);
        if (!entries.empty())
            newest.emplace_back(pad, entries.back());
    }
    const auto last = std::max_element(newest.begin(), newest.end(),
                                       [](const auto& a, const auto& b) { return a.second.time < b.second.time; });
    m_undoPads.clear();
    for (const auto& [pad, entry] : newest) {
        if (SameAction(entry, last->second))
            m_undoPads.push_back(pad);
    }
    std::string label = "&Undo";
    if (m_undoPads.size() == 1)
        label += ": " + PadPrefix(m_undoPads.front()) + "back to " + StateName(last->second);
    else if (!m_undoPads.empty())
        label += " \"" + last->second.cause + "\" on " + std::to_string(m_undoPads.size()) + " pads";
    const UINT flags = MF_BYPOSITION | MF_STRING | (m_undoPads.empty() ? MF_GRAYED : 0);
    ::InsertMenuA(m_hPopup, position, flags, kUndoCommand, label.c_str());
}

void CTrayIcon::UndoNewestChange()
{
    for (const std::string& pad : m_undoPads) {
        const std::vector<CHistoryEntry> entries = PadHistoryOf(pad);
        const CLoadOutcome outcome = UndoLastChange(pad);
        if (!outcome.Loaded()) {
            ShowBalloon("The change was not undone", outcome.message);
            return;
        }
        ShowOnScreen("pad " + std::to_string(Model().SlotOfPad(pad)),
                     PadPrefix(pad) + "Back to " + StateName(entries.back()), false);
    }
}

void CTrayIcon::OpenConfiguration()
{
    CPropSheet* sheet = CPropSheet::GetInstance();
    if (sheet->m_bShowing) {
        sheet->DoModal();  // raises the open sheet
        return;
    }
    CProgramSwitcher::Get().OnSheetOpened();
    sheet->DoModal();
    CProgramSwitcher::Get().OnSheetClosed();
    RunDeferredWork();
}

bool CTrayIcon::OnProfileCommand(int id)
{
    if (id == kSwitchCommand) {
        CProgramSwitcher::Get().SetEnabled(!CProgramSwitcher::Get().Enabled());
        return true;
    }
    if (id == kUndoCommand) {
        UndoNewestChange();
        return true;
    }
    if (id < kFirstProfileCommand || id > kLastProfileCommand)
        return false;
    const auto index = static_cast<std::size_t>(id - kFirstProfileCommand);
    if (index >= m_choices.size())
        return true;
    const CProfileChoice choice = m_choices[index];
    const int slot = Model().SlotOfPad(choice.pad);
    const CLoadOutcome outcome = slot < 0 ? CLoadOutcome{ELoadResult::kNoPad, "The pad is no longer connected."}
                                          : LoadProfile(slot, choice.name, ELoadCaller::kBackground);
    if (!outcome.Loaded())
        ShowBalloon("Profile " + choice.name + " was not loaded", outcome.message);
    return true;
}

void CTrayIcon::UpdateTip()
{
    std::string tip = "Kinetra";
    const std::vector<int> slots = ProgrammableSlots();
    for (int slot : slots) {
        const std::string profile = CActiveProfiles::Describe(CActiveProfiles::Get().Of(Model().PadIdOf(slot)));
        tip += slots.size() == 1 ? " - " + profile : "\n" + std::to_string(slot + 1) + ": " + profile;
    }
    CopyText(m_nid.szTip, sizeof m_nid.szTip, tip);
    m_nid.uFlags = NIF_TIP;
    if (m_bAdded == 1)
        ::Shell_NotifyIconA(NIM_MODIFY, &m_nid);
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    if (g_pfnTrayShown)
        g_pfnTrayShown("tip", tip);
}

void CTrayIcon::ShowBalloon(const std::string& title, const std::string& text)
{
    NOTIFYICONDATAA balloon = m_nid;
    balloon.uFlags = NIF_INFO;
    CopyText(balloon.szInfoTitle, sizeof balloon.szInfoTitle, title);
    CopyText(balloon.szInfo, sizeof balloon.szInfo, text);
    balloon.dwInfoFlags = NIIF_WARNING;
    if (m_bAdded == 1)
        ::Shell_NotifyIconA(NIM_MODIFY, &balloon);
    if (g_pfnTrayShown)
        g_pfnTrayShown("balloon", title + ": " + text);
}
