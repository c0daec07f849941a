#include "profiles/HistoryDialog.h"

#include <commctrl.h>

#include "framework/MessageBox.h"
#include "profiles/PadHistory.h"
#include "resource.h"

namespace
{
constexpr int kWhenWidth = 140;
constexpr int kChangeWidth = 120;
}

CHistoryDialog::CHistoryDialog(HWND parent, std::string pad) : CDialog(IDD_HISTORY, parent), m_strPad(std::move(pad)) {}

CListView CHistoryDialog::List() const
{
    return CListView(GetDlgItem(IDC_HISTORY_LIST));
}

BOOL CHistoryDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    const CListView list = List();
    list.InsertColumn(0, "When", kWhenWidth);
    list.InsertColumn(1, "Then", kChangeWidth);
    list.InsertColumn(2, "Profile", kChangeWidth);
    list.SetExtendedListViewStyle(LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    Fill();
    return TRUE;
}

void CHistoryDialog::Fill()
{
    m_entries = PadHistoryOf(m_strPad);
    const CListView list = List();
    list.DeleteAllItems();
    const int count = static_cast<int>(m_entries.size());
    for (int row = 0; row < count; ++row) {
        const CHistoryEntry& state = m_entries[static_cast<std::size_t>(count - 1 - row)];
        list.InsertItem(row, state.time.c_str());
        list.SetItemText(row, 1, state.cause.c_str());
        const std::string profile = state.profile.empty() ? std::string("(none)")
                                                          : CActiveProfiles::Describe({state.profile, state.modified});
        list.SetItemText(row, 2, profile.c_str());
    }
    // The profile column takes the rest of the width, once the rows decide whether the list
    // scrolls: sized before, it reaches under the scroll bar and the list scrolls sideways too.
    list.SetColumnWidth(2, LVSCW_AUTOSIZE_USEHEADER);
    if (count > 0) {
        list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        list.SetSelectionMark(0);
    }
    EnableDlgItem(IDC_HISTORY_RESTORE, count > 0);
}

int CHistoryDialog::ChosenState() const
{
    const int row = List().GetNextSelected();
    const int count = static_cast<int>(m_entries.size());
    return row < 0 || row >= count ? -1 : count - 1 - row;
}

void CHistoryDialog::OnRestore()
{
    const int state = ChosenState();
    if (state < 0)
        return;
    const CLoadOutcome outcome = RestorePadState(m_strPad, static_cast<std::size_t>(state), "Restore", true);
    if (!outcome.Loaded())
        CMessageBox::Show(m_hWnd, outcome.message.c_str(), "History", MB_OK | MB_ICONEXCLAMATION);
    // The restore is now the newest change, shown at the top.
    Fill();
}

bool CHistoryDialog::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_HISTORY_RESTORE && code == BN_CLICKED) {
        OnRestore();
        return true;
    }
    return CDialog::OnCommand(id, code, control);
}

bool CHistoryDialog::OnNotify(NMHDR* header, LRESULT& result)
{
    // A double click on a state restores it, as "Restore" does.
    if (header->idFrom != IDC_HISTORY_LIST || header->code != NM_DBLCLK)
        return false;
    OnRestore();
    result = 0;
    return true;
}
