#include "framework/DataExchange.h"

#include <commctrl.h>

#include <utility>

#include "framework/SubclassedControl.h"

namespace
{
bool IsRadioButton(HWND control)
{
    return (::SendMessageA(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0;
}

bool StartsGroup(HWND control)
{
    return (::GetWindowLongPtrA(control, GWL_STYLE) & WS_GROUP) != 0;
}

// The buttons of the group in tab order, calling `visit(button, index)` for each.
template <typename Visit>
void ForEachRadio(HWND first, Visit visit)
{
    int index = 0;
    for (HWND button = first; button && IsRadioButton(button); button = ::GetWindow(button, GW_HWNDNEXT)) {
        if (button != first && StartsGroup(button))
            break;
        visit(button, index++);
    }
}
}

void CDataExchange::Radio(int firstId, int& index) const
{
    HWND first = ::GetDlgItem(m_hDlg, firstId);
    if (!first)
        return;
    if (m_bSaveAndValidate) {
        int checked = -1;
        ForEachRadio(first, [&](HWND button, int i) {
            if (checked < 0 && ::SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED)
                checked = i;
        });
        index = checked;
        return;
    }
    ForEachRadio(first, [&](HWND button, int i) {
        ::SendMessageA(button, BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED, 0);
    });
}

void CDataExchange::Check(int id, int& state) const
{
    if (m_bSaveAndValidate)
        state = static_cast<int>(::IsDlgButtonChecked(m_hDlg, id));
    else
        ::CheckDlgButton(m_hDlg, id, static_cast<UINT>(state));
}

void CDataExchange::Slider(int id, int& position) const
{
    HWND trackbar = ::GetDlgItem(m_hDlg, id);
    if (!trackbar)
        return;
    if (m_bSaveAndValidate)
        position = static_cast<int>(::SendMessageA(trackbar, TBM_GETPOS, 0, 0));
    else
        ::SendMessageA(trackbar, TBM_SETPOS, TRUE, position);
}

void CDataExchange::Text(int id, std::string& text) const
{
    HWND control = ::GetDlgItem(m_hDlg, id);
    if (!control)
        return;
    if (!m_bSaveAndValidate) {
        ::SetWindowTextA(control, text.c_str());
        return;
    }
    const int length = ::GetWindowTextLengthA(control);
    std::string value(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    const int copied = ::GetWindowTextA(control, value.data(), length + 1);
    value.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    text = std::move(value);
}

void CDataExchange::Control(int id, CSubclassedControl& control) const
{
    HWND child = ::GetDlgItem(m_hDlg, id);
    if (child && control.m_hWnd != child && !control.m_hWnd)
        control.SubclassWindow(child);
}
