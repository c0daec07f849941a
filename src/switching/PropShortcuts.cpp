#include "switching/PropShortcuts.h"

#include <commctrl.h>

#include <algorithm>

#include "profiles/ProfileLoad.h"
#include "resource.h"
#include "switching/ShortcutKeys.h"

namespace
{
constexpr int kProfileColumnWidth = 150;
constexpr UINT kNoKeyCommand = 100;
constexpr std::uint8_t kF13 = 0x7C;  // VK_F13; F24 is 11 further

// One row of keys on the page: its hot-key control, its "..." button, its state and its kind.
struct CKeyRow
{
    int key;
    int more;
    int state;
    EShortcut what;
};
constexpr CKeyRow kRows[] = {
    {IDC_SHORTCUT_NEXT, IDC_SHORTCUT_NEXT_MORE, IDC_SHORTCUT_NEXT_STATE, EShortcut::kNext},
    {IDC_SHORTCUT_PREVIOUS, IDC_SHORTCUT_PREVIOUS_MORE, IDC_SHORTCUT_PREVIOUS_STATE, EShortcut::kPrevious},
    {IDC_SHORTCUT_SWITCHING, IDC_SHORTCUT_SWITCHING_MORE, IDC_SHORTCUT_SWITCHING_STATE, EShortcut::kSwitching},
    {IDC_SHORTCUT_PROFILE_KEY, IDC_SHORTCUT_PROFILE_MORE, IDC_SHORTCUT_PROFILE_STATE, EShortcut::kProfile},
};

const CKeyRow* RowOf(int id)
{
    const auto row = std::find_if(std::begin(kRows), std::end(kRows),
                                  [id](const CKeyRow& r) { return r.key == id || r.more == id; });
    return row == std::end(kRows) ? nullptr : row;
}

std::string StateOf(CShortcutKey key)
{
    return !key.Empty() && CShortcutKeys::Get().Taken(key) ? "Taken" : "";
}

// Beside a key box: the name of a key no keyboard has, which the box itself may show blank, and
// whether another program holds the key.
std::string BesideBox(CShortcutKey key)
{
    const bool noKeyboardHasIt = key.virtualKey >= kF13 && key.virtualKey < kF13 + 12;
    const std::string name = noKeyboardHasIt ? KeyText(key) : "";
    const std::string state = StateOf(key);
    return name.empty() || state.empty() ? name + state : name + ", " + state;
}

bool SameName(const std::string& a, const std::string& b)
{
    return ::lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// A shortcut as the page labels it.
std::string NameOf(EShortcut what, const std::string& profile)
{
    switch (what) {
    case EShortcut::kNext: return "Next profile";
    case EShortcut::kPrevious: return "Previous profile";
    case EShortcut::kSwitching: return "Switch automatically on/off";
    case EShortcut::kProfile: break;
    }
    return profile;
}
}

CPropShortcuts::CPropShortcuts() : CFilePage(IDD_SHORTCUTS, "Shortcuts", "shortcuts") {}

CListView CPropShortcuts::List() const
{
    return CListView(GetDlgItem(IDC_SHORTCUT_PROFILES));
}

void CPropShortcuts::DoDataExchange(CDataExchange& dx)
{
    dx.Control(IDC_SHORTCUTS_PICTURE, m_picture);
}

BOOL CPropShortcuts::OnInitDialog()
{
    CFilePage::OnInitDialog();
    m_picture.SetImage(IDB_PROFILE_SIDE);
    const CListView list = List();
    list.InsertColumn(0, "Profile", kProfileColumnWidth);
    list.InsertColumn(1, "Key", kProfileColumnWidth);
    list.SetExtendedListViewStyle(LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    list.SetColumnWidth(1, LVSCW_AUTOSIZE_USEHEADER);
    // A letter alone would take the letter from every game: a key without Ctrl or Alt gets both.
    for (const CKeyRow& row : kRows)
        SendDlgItemMessage(row.key, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S, MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
    return TRUE;
}

BOOL CPropShortcuts::OnSetActive()
{
    // Unapplied edits stay; otherwise the page shows the keys in use now.
    if (!m_bModified)
        m_shortcuts = CShortcutKeys::Get().Shortcuts();
    m_strMoved.clear();
    CShortcutKeys::Get().Suspend(true);
    ShowShortcuts();
    return CFilePage::OnSetActive();
}

BOOL CPropShortcuts::OnKillActive()
{
    const BOOL leaving = CFilePage::OnKillActive();
    if (leaving)
        CShortcutKeys::Get().Suspend(false);
    return leaving;
}

void CPropShortcuts::OnDestroy()
{
    CShortcutKeys::Get().Suspend(false);
    CFilePage::OnDestroy();
}

void CPropShortcuts::ShowShortcuts()
{
    m_bShowing = true;
    for (const CKeyRow& row : kRows) {
        if (row.what != EShortcut::kProfile)
            ShowKey(row.key, m_shortcuts.KeyOf(row.what));
    }
    ShowProfileList();
    CheckDlgButton(IDC_SHORTCUT_PANEL, m_shortcuts.panelOn ? BST_CHECKED : BST_UNCHECKED);
    ShowNote();
    m_bShowing = false;
}

void CPropShortcuts::ShowKey(int id, CShortcutKey key)
{
    SendDlgItemMessage(id, HKM_SETHOTKEY, MAKEWORD(key.virtualKey, key.modifiers));
    SetDlgItemText(RowOf(id)->state, BesideBox(key).c_str());
}

void CPropShortcuts::ShowProfileList()
{
    const std::string chosen = ChosenProfile();
    std::vector<std::string> names = ProfileNames();
    // A profile that is gone keeps its key, marked, until the user takes it away.
    for (const CShortcut& shortcut : m_shortcuts.keys) {
        if (shortcut.what == EShortcut::kProfile && ProfileNameOnDisk(shortcut.profile).empty())
            names.push_back(shortcut.profile);
    }
    const CListView list = List();
    list.DeleteAllItems();
    int select = -1;
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        const std::string& name = names[static_cast<std::size_t>(i)];
        const CShortcutKey key = m_shortcuts.KeyOf(EShortcut::kProfile, name);
        list.InsertItem(i, (name + (ProfileNameOnDisk(name).empty() ? " (deleted)" : "")).c_str());
        const std::string state = StateOf(key);
        list.SetItemText(i, 1, key.Empty() ? "" : (KeyText(key) + (state.empty() ? "" : " (taken)")).c_str());
        if (SameName(name, chosen))
            select = i;
    }
    if (select >= 0) {
        list.SetItemState(select, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        list.SetSelectionMark(select);
    }
    const bool any = select >= 0;
    EnableDlgItem(IDC_SHORTCUT_PROFILE_KEY, any);
    EnableDlgItem(IDC_SHORTCUT_PROFILE_MORE, any);
    ShowKey(IDC_SHORTCUT_PROFILE_KEY, any ? m_shortcuts.KeyOf(EShortcut::kProfile, chosen) : CShortcutKey{});
}

std::string CPropShortcuts::ChosenProfile() const
{
    const int item = List().GetNextSelected();
    if (item < 0)
        return {};
    std::string name = List().GetItemText(item, 0);
    constexpr std::string_view kDeleted = " (deleted)";
    if (name.ends_with(kDeleted))
        name.resize(name.size() - kDeleted.size());
    return name;
}

void CPropShortcuts::ShowNote()
{
    std::string text;
    const std::vector<int>& dropped = CShortcutKeys::Get().DroppedLines();
    for (int line : dropped)
        text += (text.empty() ? "" : ", ") + std::to_string(line);
    if (!text.empty())
        text = std::string(dropped.size() == 1 ? "Line " : "Lines ") + text + " of " + kShortcutsFile +
               (dropped.size() == 1 ? " is" : " are") + " no shortcut and " + (dropped.size() == 1 ? "was" : "were") +
               " dropped; Apply writes the file without " + (dropped.size() == 1 ? "it. " : "them. ");
    const bool taken = std::any_of(m_shortcuts.keys.begin(), m_shortcuts.keys.end(),
                                   [](const CShortcut& s) { return CShortcutKeys::Get().Taken(s.key); });
    text = m_strMoved + text;
    text += taken ? "A key marked Taken is held by another program, so Kinetra cannot use it: choose another."
                  : "\"...\" offers F13 to F24, keys no keyboard has: bind one to a pad button on the Button "
                    "page, and the button switches the profile.";
    SetDlgItemText(IDC_SHORTCUTS_NOTE, text.c_str());
}

void CPropShortcuts::SetKey(EShortcut what, const std::string& profile, CShortcutKey key)
{
    const auto had = std::find_if(m_shortcuts.keys.begin(), m_shortcuts.keys.end(), [&](const CShortcut& s) {
        return !key.Empty() && s.key == key && (s.what != what || !SameName(s.profile, profile));
    });
    m_strMoved = had == m_shortcuts.keys.end() ? std::string()
                                               : KeyText(key) + " was the key of " + NameOf(had->what, had->profile) +
                                                     "; now it is the key of " + NameOf(what, profile) + ". ";
    m_shortcuts.SetKey(what, profile, key);
    // The key may have left another shortcut: every control shows what it now has.
    ShowShortcuts();
    Changed();
}

void CPropShortcuts::OnKeyChanged(int id)
{
    const CKeyRow* row = RowOf(id);
    if (m_bShowing || !row)
        return;
    const auto word = static_cast<WORD>(SendDlgItemMessage(id, HKM_GETHOTKEY));
    // The control's "extended key" bit says which of two keys was pressed; the shortcut is the same.
    const CShortcutKey key{LOBYTE(word), static_cast<std::uint8_t>(HIBYTE(word) & ~HOTKEYF_EXT)};
    const std::string profile = row->what == EShortcut::kProfile ? ChosenProfile() : std::string();
    if (row->what == EShortcut::kProfile && profile.empty())
        return;
    SetKey(row->what, profile, key);
}

void CPropShortcuts::OnMore(int id)
{
    const CKeyRow* row = RowOf(id);
    const HMENU menu = ::CreatePopupMenu();
    for (int k = 0; k < 12; ++k)
        ::AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(k + 1),
                      KeyText({static_cast<std::uint8_t>(kF13 + k), 0}).c_str());
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(menu, MF_STRING, kNoKeyCommand, "None");
    RECT button = {};
    ::GetWindowRect(GetDlgItem(id), &button);
    const auto chosen = static_cast<UINT>(::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                                           button.left, button.bottom, 0, m_hWnd, nullptr));
    ::DestroyMenu(menu);
    if (chosen == 0)
        return;
    const CShortcutKey key = chosen == kNoKeyCommand ? CShortcutKey{}
                                                     : CShortcutKey{static_cast<std::uint8_t>(kF13 + chosen - 1), 0};
    const std::string profile = row->what == EShortcut::kProfile ? ChosenProfile() : std::string();
    if (row->what != EShortcut::kProfile || !profile.empty())
        SetKey(row->what, profile, key);
}

bool CPropShortcuts::DiffersFromStored() const
{
    return FormatShortcuts(m_shortcuts) != FormatShortcuts(CShortcutKeys::Get().Shortcuts());
}

bool CPropShortcuts::Save(std::string& error)
{
    return CShortcutKeys::Get().Save(m_shortcuts, error);
}

void CPropShortcuts::ShowStored()
{
    m_strMoved.clear();
    ShowShortcuts();
}

bool CPropShortcuts::OnCommand(int id, int code, HWND)
{
    if (code == EN_CHANGE && RowOf(id) && RowOf(id)->key == id) {
        OnKeyChanged(id);
        return true;
    }
    if (code != BN_CLICKED)
        return false;
    if (id == IDC_SHORTCUT_PANEL) {
        m_shortcuts.panelOn = IsDlgButtonChecked(IDC_SHORTCUT_PANEL) == BST_CHECKED;
        Changed();
        return true;
    }
    if (!RowOf(id) || RowOf(id)->more != id)
        return false;
    OnMore(id);
    return true;
}

bool CPropShortcuts::OnNotify(NMHDR* header, LRESULT& result)
{
    if (header->idFrom != IDC_SHORTCUT_PROFILES || header->code != LVN_ITEMCHANGED || m_bShowing)
        return false;
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED)) {
        m_bShowing = true;
        const std::string chosen = ChosenProfile();
        EnableDlgItem(IDC_SHORTCUT_PROFILE_KEY, true);
        EnableDlgItem(IDC_SHORTCUT_PROFILE_MORE, true);
        ShowKey(IDC_SHORTCUT_PROFILE_KEY, m_shortcuts.KeyOf(EShortcut::kProfile, chosen));
        m_bShowing = false;
    }
    result = 0;
    return true;
}
