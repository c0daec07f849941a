#include "switching/PropPrograms.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <set>

#include "framework/LateDll.h"
#include "framework/Text.h"
#include "profiles/ProfileLoad.h"
#include "resource.h"
#include "settings/Setting.h"
#include "sheet/PropSheet.h"
#include "switching/ProgramSwitcher.h"

namespace
{
constexpr int kProgramColumnWidth = 200;
constexpr int kProfileColumnWidth = 93;

BOOL CALLBACK CollectProgram(HWND window, LPARAM lParam)
{
    if (!::IsWindowVisible(window) || ::GetWindow(window, GW_OWNER) ||
        (::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) || ::GetWindowTextLengthW(window) == 0)
        return TRUE;
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    const std::wstring path = process == ::GetCurrentProcessId() ? std::wstring() : ImagePathOf(process);
    if (!path.empty())
        reinterpret_cast<std::set<std::wstring>*>(lParam)->insert(path);
    return TRUE;
}

// The programs that have a visible window now, Kinetra itself left out.
std::vector<std::wstring> RunningPrograms()
{
    std::set<std::wstring> programs;
    ::EnumWindows(CollectProgram, reinterpret_cast<LPARAM>(&programs));
    return {programs.begin(), programs.end()};
}
}

CPropPrograms::CPropPrograms() : CFilePage(IDD_PROGRAMS, "Programs", "rules") {}

CListView CPropPrograms::List() const
{
    return CListView(GetDlgItem(IDC_PROGRAMS_LIST));
}

void CPropPrograms::DoDataExchange(CDataExchange& dx)
{
    dx.Control(IDC_PROGRAMS_PICTURE, m_picture);
}

BOOL CPropPrograms::OnInitDialog()
{
    CFilePage::OnInitDialog();
    m_picture.SetImage(IDB_PROFILE_SIDE);
    const CListView list = List();
    list.InsertColumn(0, "Program", kProgramColumnWidth);
    list.InsertColumn(1, "Profile", kProfileColumnWidth);
    list.SetExtendedListViewStyle(LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    // The profile column takes the rest of the list's width: "Race1 (deleted)" fits whole.
    list.SetColumnWidth(1, LVSCW_AUTOSIZE_USEHEADER);
    return TRUE;
}

BOOL CPropPrograms::OnSetActive()
{
    // Unapplied edits stay; otherwise the page shows the rules in use now.
    if (!m_bModified) {
        CProgramSwitcher::Get().RefreshRules();
        m_rules = CProgramSwitcher::Get().Rules();
    }
    ShowRules();
    return CFilePage::OnSetActive();
}

void CPropPrograms::ShowRules()
{
    ShowRuleList(SelectedRule());
    CheckDlgButton(IDC_PROGRAMS_SWITCH, m_rules.switchOn ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_PROGRAMS_KEEP, m_rules.otherwiseLoad ? BST_UNCHECKED : BST_CHECKED);
    CheckDlgButton(IDC_PROGRAMS_LOAD, m_rules.otherwiseLoad ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_PROGRAMS_UNTIL_EXIT, m_rules.untilExit ? BST_CHECKED : BST_UNCHECKED);
    FillProfiles(IDC_PROGRAMS_OTHERWISE, m_rules.otherwiseProfile);
    EnableDlgItem(IDC_PROGRAMS_OTHERWISE, m_rules.otherwiseLoad);
    // With no profile at all there is nothing to load.
    EnableDlgItem(IDC_PROGRAMS_LOAD,
                  m_rules.otherwiseLoad || SendDlgItemMessage(IDC_PROGRAMS_OTHERWISE, CB_GETCOUNT) > 0);
    ShowDropped();
}

void CPropPrograms::ShowRuleList(int select)
{
    const CListView list = List();
    list.DeleteAllItems();
    const int count = static_cast<int>(m_rules.rules.size());
    for (int i = 0; i < count; ++i) {
        const CProgramRule& rule = m_rules.rules[static_cast<std::size_t>(i)];
        list.InsertItem(i, WideOf(rule.program, CP_UTF8).c_str());
        // A rule whose profile is gone stays, marked, and the switching skips it.
        const std::wstring profile = WideOf(rule.profile, CP_ACP) +
                                     (ProfileNameOnDisk(rule.profile).empty() ? L" (deleted)" : L"");
        list.SetItemText(i, 1, profile.c_str());
    }
    select = std::min(select, count - 1);
    if (select >= 0) {
        list.SetItemState(select, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        list.SetSelectionMark(select);
    }
    for (int id : {IDC_PROGRAMS_REMOVE, IDC_PROGRAMS_PROFILE})
        EnableDlgItem(id, select >= 0);
    EnableDlgItem(IDC_PROGRAMS_UP, select > 0);
    EnableDlgItem(IDC_PROGRAMS_DOWN, select >= 0 && select < count - 1);
    FillProfiles(IDC_PROGRAMS_PROFILE, select >= 0 ? m_rules.rules[static_cast<std::size_t>(select)].profile : "");
}

void CPropPrograms::FillProfiles(int comboId, const std::string& chosen)
{
    SendDlgItemMessage(comboId, CB_RESETCONTENT);
    std::vector<std::string> names = ProfileNames();
    if (!chosen.empty() && std::none_of(names.begin(), names.end(), [&](const std::string& name) {
            return ::lstrcmpiA(name.c_str(), chosen.c_str()) == 0;
        }))
        names.push_back(chosen);  // deleted, and still what the rule names
    for (const std::string& name : names) {
        const auto at = SendDlgItemMessage(comboId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        if (::lstrcmpiA(name.c_str(), chosen.c_str()) == 0)
            SendDlgItemMessage(comboId, CB_SETCURSEL, static_cast<WPARAM>(at));
    }
}

void CPropPrograms::ShowDropped()
{
    const std::vector<int>& dropped = CProgramSwitcher::Get().DroppedLines();
    std::string text;
    for (int line : dropped)
        text += (text.empty() ? "" : ", ") + std::to_string(line);
    if (!text.empty())
        text = std::string(dropped.size() == 1 ? "Line " : "Lines ") + text + " of " + kProgramRulesFile +
               (dropped.size() == 1 ? " is" : " are") + " no rule and " + (dropped.size() == 1 ? "was" : "were") +
               " dropped; Apply writes the file without " + (dropped.size() == 1 ? "it." : "them.");
    SetDlgItemText(IDC_PROGRAMS_NOTE, text.c_str());
}

int CPropPrograms::SelectedRule() const
{
    const int item = List().GetNextSelected();
    return item < static_cast<int>(m_rules.rules.size()) ? item : -1;
}

void CPropPrograms::AddRule(const std::string& program)
{
    const std::vector<std::string> names = ProfileNames();
    m_rules.rules.push_back({program, names.empty() ? std::string() : names.front()});
    ShowRuleList(static_cast<int>(m_rules.rules.size()) - 1);
    Changed();
}

void CPropPrograms::OnAdd()
{
    wchar_t path[MAX_PATH * 2] = {};
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_hWnd;
    dialog.lpstrFilter = L"Programs (*.exe)\0*.exe\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH * 2;
    dialog.lpstrDefExt = L"exe";
    // The same explorer-style dialog as the Profile page's Import and Export.
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (late::GetOpenFileNameW(&dialog))
        AddRule(NarrowOf(path, CP_UTF8));
}

void CPropPrograms::OnAddRunning()
{
    const std::vector<std::wstring> programs = RunningPrograms();
    const HMENU menu = ::CreatePopupMenu();
    for (std::size_t i = 0; i < programs.size(); ++i)
        ::AppendMenuW(menu, MF_STRING, i + 1, programs[i].c_str());
    if (programs.empty())
        ::AppendMenuA(menu, MF_STRING | MF_GRAYED, 0, "(no program with a window)");
    RECT button = {};
    ::GetWindowRect(GetDlgItem(IDC_PROGRAMS_ADD_RUNNING), &button);
    const auto chosen = static_cast<std::size_t>(::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                                                  button.left, button.bottom, 0, m_hWnd, nullptr));
    ::DestroyMenu(menu);
    if (chosen >= 1 && chosen <= programs.size())
        AddRule(NarrowOf(programs[chosen - 1], CP_UTF8));
}

void CPropPrograms::OnRemove()
{
    const int rule = SelectedRule();
    if (rule < 0)
        return;
    m_rules.rules.erase(m_rules.rules.begin() + rule);
    ShowRuleList(rule);
    Changed();
}

void CPropPrograms::OnMove(int step)
{
    const int rule = SelectedRule();
    const int target = rule + step;
    if (rule < 0 || target < 0 || target >= static_cast<int>(m_rules.rules.size()))
        return;
    std::swap(m_rules.rules[static_cast<std::size_t>(rule)], m_rules.rules[static_cast<std::size_t>(target)]);
    ShowRuleList(target);
    Changed();
}

void CPropPrograms::OnRuleProfile()
{
    const int rule = SelectedRule();
    const std::string profile = GetDlgItemText(IDC_PROGRAMS_PROFILE);
    if (rule < 0 || profile.empty())
        return;
    m_rules.rules[static_cast<std::size_t>(rule)].profile = profile;
    ShowRuleList(rule);
    Changed();
}

void CPropPrograms::OnOptions()
{
    m_rules.switchOn = IsDlgButtonChecked(IDC_PROGRAMS_SWITCH) == BST_CHECKED;
    m_rules.otherwiseLoad = IsDlgButtonChecked(IDC_PROGRAMS_LOAD) == BST_CHECKED;
    // "load" chosen with no profile shown yet shows the first: "load" with nothing to load would
    // be stored as "keep", not what the user chose.
    if (m_rules.otherwiseLoad && GetDlgItemText(IDC_PROGRAMS_OTHERWISE).empty())
        SendDlgItemMessage(IDC_PROGRAMS_OTHERWISE, CB_SETCURSEL, 0);
    m_rules.otherwiseProfile = GetDlgItemText(IDC_PROGRAMS_OTHERWISE);
    m_rules.untilExit = IsDlgButtonChecked(IDC_PROGRAMS_UNTIL_EXIT) == BST_CHECKED;
    EnableDlgItem(IDC_PROGRAMS_OTHERWISE, m_rules.otherwiseLoad);
    Changed();
}

namespace
{
// "load" with no profile to load is "keep".
CProgramRules Normal(CProgramRules rules)
{
    if (rules.otherwiseProfile.empty())
        rules.otherwiseLoad = false;
    return rules;
}
}

bool CPropPrograms::DiffersFromStored() const
{
    return FormatRules(Normal(m_rules)) != FormatRules(CProgramSwitcher::Get().Rules());
}

bool CPropPrograms::Save(std::string& error)
{
    m_rules = Normal(m_rules);
    return CProgramSwitcher::Get().SaveRules(m_rules, error);
}

bool CPropPrograms::OnCommand(int id, int code, HWND)
{
    if (code == CBN_SELCHANGE) {
        if (id == IDC_PROGRAMS_PROFILE)
            OnRuleProfile();
        else if (id == IDC_PROGRAMS_OTHERWISE)
            OnOptions();
        return id == IDC_PROGRAMS_PROFILE || id == IDC_PROGRAMS_OTHERWISE;
    }
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_PROGRAMS_ADD: OnAdd(); return true;
    case IDC_PROGRAMS_ADD_RUNNING: OnAddRunning(); return true;
    case IDC_PROGRAMS_REMOVE: OnRemove(); return true;
    case IDC_PROGRAMS_UP: OnMove(-1); return true;
    case IDC_PROGRAMS_DOWN: OnMove(1); return true;
    case IDC_PROGRAMS_SWITCH:
    case IDC_PROGRAMS_KEEP:
    case IDC_PROGRAMS_LOAD:
    case IDC_PROGRAMS_UNTIL_EXIT: OnOptions(); return true;
    default: return false;
    }
}

bool CPropPrograms::OnNotify(NMHDR* header, LRESULT& result)
{
    if (header->idFrom != IDC_PROGRAMS_LIST || header->code != LVN_ITEMCHANGED)
        return false;
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED)) {
        const int rule = change->iItem;
        EnableDlgItem(IDC_PROGRAMS_REMOVE, true);
        EnableDlgItem(IDC_PROGRAMS_PROFILE, true);
        EnableDlgItem(IDC_PROGRAMS_UP, rule > 0);
        EnableDlgItem(IDC_PROGRAMS_DOWN, rule < static_cast<int>(m_rules.rules.size()) - 1);
        if (rule >= 0 && rule < static_cast<int>(m_rules.rules.size()))
            FillProfiles(IDC_PROGRAMS_PROFILE, m_rules.rules[static_cast<std::size_t>(rule)].profile);
    }
    result = 0;
    return true;
}
