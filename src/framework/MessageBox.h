#pragma once
#include <windows.h>

#include <functional>
#include <string>

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

// While one lives on this thread, no box appears there: each text is kept instead and the
// answer that changes nothing is given (OK to a plain box, Cancel or No to a question). A load
// run for the tray, the command line or the switching is in the background: a box would stand
// over a game, and its own message loop would let timers and requests in again.
class CQuietBoxes
{
public:
    CQuietBoxes();
    ~CQuietBoxes();
    CQuietBoxes(const CQuietBoxes&) = delete;
    CQuietBoxes& operator=(const CQuietBoxes&) = delete;

    // What the boxes would have said, one after the other; empty when none would have shown.
    const std::string& Said() const { return m_strSaid; }

private:
    friend class CMessageBox;
    CQuietBoxes* m_pOuter;
    std::string m_strSaid;
};
