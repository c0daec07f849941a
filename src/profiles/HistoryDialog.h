#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Dialog.h"
#include "framework/ListView.h"
#include "profiles/PadHistoryFile.h"

// "History": the pad's states before each change Kinetra made to it, newest first, and
// "Restore" to bring one back.
class CHistoryDialog : public CDialog
{
public:
    CHistoryDialog(HWND parent, std::string pad);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;

private:
    void Fill();
    void OnRestore();
    // The state of the chosen row, as an index of m_entries; -1 when none is chosen.
    int ChosenState() const;
    CListView List() const;

    std::string m_strPad;
    std::vector<CHistoryEntry> m_entries;  // oldest first, shown newest first
};
