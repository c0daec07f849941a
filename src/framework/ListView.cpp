#include "framework/ListView.h"

#include <type_traits>

namespace
{
// Text in the code page, or wide for text the code page may not hold; each width has its own
// item record and messages.
template <typename Char>
constexpr bool kNarrow = std::is_same_v<Char, char>;

template <typename Char>
using ItemOf = std::conditional_t<kNarrow<Char>, LVITEMA, LVITEMW>;

LRESULT SendItem(HWND list, UINT message, WPARAM wParam, LVITEMA& item)
{
    return ::SendMessageA(list, message, wParam, reinterpret_cast<LPARAM>(&item));
}

LRESULT SendItem(HWND list, UINT message, WPARAM wParam, LVITEMW& item)
{
    return ::SendMessageW(list, message, wParam, reinterpret_cast<LPARAM>(&item));
}

template <typename Char>
int InsertTextItem(HWND list, int index, const Char* text)
{
    ItemOf<Char> item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<Char*>(text);
    return static_cast<int>(SendItem(list, kNarrow<Char> ? LVM_INSERTITEMA : LVM_INSERTITEMW, 0, item));
}

template <typename Char>
bool SetSubItemText(HWND list, int index, int subItem, const Char* text)
{
    ItemOf<Char> item = {};
    item.iSubItem = subItem;
    item.pszText = const_cast<Char*>(text);
    const UINT message = kNarrow<Char> ? LVM_SETITEMTEXTA : LVM_SETITEMTEXTW;
    return SendItem(list, message, static_cast<WPARAM>(index), item) != FALSE;
}
}

int CListView::InsertColumn(int column, const char* heading, int width, int format) const
{
    LVCOLUMNA record = {};
    record.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    record.fmt = format;
    record.cx = width;
    record.pszText = const_cast<char*>(heading);
    return static_cast<int>(
        SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&record)));
}

bool CListView::SetColumnWidth(int column, int width) const
{
    return SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), width) != FALSE;
}

void CListView::SetExtendedListViewStyle(DWORD style, DWORD mask) const
{
    SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, mask, static_cast<LPARAM>(style));
}

int CListView::InsertItem(int item, const char* text) const
{
    return InsertTextItem(m_hWnd, item, text);
}

int CListView::InsertItem(int item, const wchar_t* text) const
{
    return InsertTextItem(m_hWnd, item, text);
}

bool CListView::SetItemText(int item, int subItem, const char* text) const
{
    return SetSubItemText(m_hWnd, item, subItem, text);
}

bool CListView::SetItemText(int item, int subItem, const wchar_t* text) const
{
    return SetSubItemText(m_hWnd, item, subItem, text);
}

std::string CListView::GetItemText(int item, int subItem) const
{
    // The control copies what fits, less the terminating zero, and says how much it copied: a
    // buffer it filled may have cut the text, so it is asked again with a larger one.
    for (std::size_t size = MAX_PATH;; size *= 2) {
        std::string text(size, '\0');
        LVITEMA request = {};
        request.iSubItem = subItem;
        request.pszText = text.data();
        request.cchTextMax = static_cast<int>(size);
        const auto copied = static_cast<std::size_t>(
            SendMessage(LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&request)));
        if (copied + 1 < size) {
            text.resize(copied);
            return text;
        }
    }
}

int CListView::GetItemCount() const
{
    return static_cast<int>(SendMessage(LVM_GETITEMCOUNT));
}

bool CListView::DeleteAllItems() const
{
    return SendMessage(LVM_DELETEALLITEMS) != FALSE;
}

int CListView::GetSelectionMark() const
{
    return static_cast<int>(SendMessage(LVM_GETSELECTIONMARK));
}

int CListView::SetSelectionMark(int item) const
{
    return static_cast<int>(SendMessage(LVM_SETSELECTIONMARK, 0, item));
}

int CListView::GetNextSelected(int after) const
{
    return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(after), LVNI_SELECTED));
}

bool CListView::SetItemState(int item, UINT state, UINT mask) const
{
    LVITEMA record = {};
    record.stateMask = mask;
    record.state = state;
    return SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&record)) != FALSE;
}

bool CListView::EnsureVisible(int item, bool partialOk) const
{
    return SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), partialOk ? TRUE : FALSE) != FALSE;
}
