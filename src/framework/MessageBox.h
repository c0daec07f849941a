#pragma once
#include <windows.h>

#include <functional>

// Every message box of the program goes through CMessageBox::Show, so that a test can
// read the exact text and caption and answer in place of a person.
class CMessageBox
{
public:
    using Observer = std::function<int(HWND owner, const char* text, const char* caption, UINT type)>;

    static int Show(HWND owner, const char* text, const char* caption, UINT type = MB_OK);

    // While an observer is installed no box appears; the observer's result is the answer.
    static void SetObserver(Observer observer);
};
