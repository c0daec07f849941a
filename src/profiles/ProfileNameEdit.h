#pragma once
#include <windows.h>

#include "framework/SubclassedControl.h"

// The Profile page's name box: letters, digits and a few editing keys only. A key it refuses
// is dropped with a message, before the dialog manager could turn Tab into a focus move and
// before the edit control sees it. Pasted text passes: the page checks every name it uses.
class CProfileNameEdit : public CSubclassedControl
{
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // The character messages the message loop already made of a key that is dropped.
    void DropPendingChars() const;
};
