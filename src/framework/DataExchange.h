#pragma once
#include <windows.h>

#include <string>

class CSubclassedControl;

// Moves values between a dialog's controls and the members of its class: to the controls
// when m_bSaveAndValidate is false, back into the members when it is true.
class CDataExchange
{
public:
    CDataExchange(HWND dialog, bool save) : m_hDlg(dialog), m_bSaveAndValidate(save) {}

    // A group of radio buttons starting at `firstId` (the one with WS_GROUP) and running up
    // to the next control that starts a group or is no radio button, in tab order.
    // index: 0 for the first button, -1 when none is checked.
    void Radio(int firstId, int& index) const;
    // A check box: 0 clear, 1 ticked, 2 indeterminate.
    void Check(int id, int& state) const;
    // A trackbar's position.
    void Slider(int id, int& position) const;
    // An edit control's (or any window's) text.
    void Text(int id, std::string& text) const;
    // Attaches `control` to the child `id` the first time (and again after the dialog's
    // window was made anew); nothing moves in either direction.
    void Control(int id, CSubclassedControl& control) const;

    HWND m_hDlg;
    bool m_bSaveAndValidate;
};
