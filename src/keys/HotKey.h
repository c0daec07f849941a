#pragma once
#include <windows.h>

#include "framework/SubclassedControl.h"
#include "keys/Action.h"

// A key box: an edit control the user never types into. A key pressed while it has the focus
// is its binding; a left click starts mouse capture, in which the next mouse button, wheel
// turn or key is the binding (a move of 150 pixels or more leaves it empty). It sees its
// input before the dialog manager (CMessageFilter), so Tab, Enter, Esc, Alt and F10 are bound
// like any other key and never move the focus, press a button or close the sheet.
class CHotKeyEdit : public CSubclassedControl, public CAction
{
public:
    CHotKeyEdit() = default;
    ~CHotKeyEdit() override;

    // kind 1: a virtual key; kind 0: a mouse action 0-9 (0 empties the box).
    void SetAction(int kind, unsigned value);
    // A combined code (high byte mouse action, low byte virtual key); an invalid one empties.
    void SetCode(WORD code);
    // Keypad and Pause scan codes get their keypad names; 0 for any other scan code.
    int SetNumpadKey(BYTE scanCode);
    // Binds a key as its press does (the scan code without the extended flag's 0x80): the page
    // binds F13-F24 through it, keys a person cannot press.
    void BindKey(UINT virtualKey, BYTE scanCode, bool extended);

    void BeginCapture();
    void EndCapture();
    // A mouse message while capturing; true when it assigned (or emptied) the box.
    bool OnCaptureMouse(UINT message, WPARAM wParam, LPARAM lParam);

    bool PreTranslateMessage(MSG& message) override;

    POINT m_ptStart = {};
    int m_bCapturing = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ShowCode();
    void AssignKey(const MSG& message);
    bool TranslateIdle(const MSG& message);
    bool TranslateCapturing(const MSG& message);
    void LeaveCapture();

    // The release of the button that ended a capture; swallowed so that it does not open the
    // edit control's menu once the box is idle again.
    UINT m_nSwallowRelease = 0;
};
