#pragma once
#include <windows.h>

class CWindow;

// Input before the dialog manager. A modal loop that is not ours (comctl32's property sheet,
// DialogBox, a message box) turns Tab into a focus move, Enter into the default button and Esc
// into Cancel before any control sees the key. While a CMessageFilter lives, every message a
// loop of this thread takes from its queue is first offered to the window it is for and then
// to that window's parents, up to the top-level window, through CWindow::PreTranslateMessage;
// a message that one of them consumes turns into WM_NULL, so the loop's IsDialogMessage,
// TranslateMessage and DispatchMessage never see it.
//
// It is a WH_GETMESSAGE hook of the calling thread. Filters nest: the hook is installed by the
// first one and removed with the last one.
class CMessageFilter
{
public:
    CMessageFilter();
    ~CMessageFilter();
    CMessageFilter(const CMessageFilter&) = delete;
    CMessageFilter& operator=(const CMessageFilter&) = delete;

    // Offers `message` to its window and that window's parents; true when one consumed it.
    static bool PreTranslate(MSG& message);
};

// The object of ours bound to `window` (a dialog, a page or a subclassed control), or null.
CWindow* WindowObjectFromHandle(HWND window);
// Binds or (with null) unbinds the object of a window, for WindowObjectFromHandle.
void BindWindowObject(HWND window, CWindow* object);
