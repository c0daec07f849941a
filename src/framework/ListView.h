#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "framework/Window.h"

// A list-view control of a template, with the calls the pages make on it, so no page fills
// an item or column record by hand. It does not own the window: a page makes one from its
// control when it needs it, since the control is made anew each time the sheet is shown.
class CListView : public CWindow
{
public:
    CListView() = default;
    explicit CListView(HWND window) : CWindow(window) {}

    // `format` is LVCFMT_LEFT, LVCFMT_CENTER or LVCFMT_RIGHT; the index of the new column.
    int InsertColumn(int column, const char* heading, int width, int format = LVCFMT_LEFT) const;
    // `width` may also be LVSCW_AUTOSIZE_USEHEADER: the last column then fills the list.
    bool SetColumnWidth(int column, int width) const;
    void SetExtendedListViewStyle(DWORD style, DWORD mask) const;

    // Texts are in the code page; a text the code page may not hold (a program's path) goes
    // in wide. The index of the new item, -1 when it was not added.
    int InsertItem(int item, const char* text) const;
    int InsertItem(int item, const wchar_t* text) const;
    bool SetItemText(int item, int subItem, const char* text) const;
    bool SetItemText(int item, int subItem, const wchar_t* text) const;
    // The whole text, however long.
    std::string GetItemText(int item, int subItem) const;
    int GetItemCount() const;
    bool DeleteAllItems() const;

    // The item a click or a key last chose; -1 when none.
    int GetSelectionMark() const;
    int SetSelectionMark(int item) const;
    // The first selected item after `after`; -1 when there is none.
    int GetNextSelected(int after = -1) const;
    // Sets the LVIS_* bits of `mask` to those of `state`.
    bool SetItemState(int item, UINT state, UINT mask) const;
    bool EnsureVisible(int item, bool partialOk) const;
};
