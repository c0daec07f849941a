#pragma once
#include <windows.h>

#include <string>

#include "controllertest/BitmapPicture.h"
#include "framework/ListView.h"
#include "switching/FilePage.h"
#include "switching/ShortcutRules.h"

// The Shortcuts page: the keys that switch to the next or previous profile, turn the automatic
// switching on or off, or load one profile, from inside a game; and whether a change of profile
// shows on screen. Edits wait for the sheet's Apply, as on the Programs page.
class CPropShortcuts : public CFilePage
{
public:
    CPropShortcuts();

    CBitmapPicture m_picture;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;
    void OnDestroy() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    bool DiffersFromStored() const override;
    bool Save(std::string& error) override;
    void ShowStored() override;

private:
    // A hot-key control changed: its shortcut takes the key, and loses it when it is empty.
    void OnKeyChanged(int id);
    // The "..." button of a key: F13 to F24, which a pad button can send, or none.
    void OnMore(int id);
    void SetKey(EShortcut what, const std::string& profile, CShortcutKey key);

    // The page shows m_shortcuts: every key, its state, the profiles' list and the panel's box.
    void ShowShortcuts();
    void ShowKey(int id, CShortcutKey key);
    void ShowProfileList();
    void ShowNote();
    std::string ChosenProfile() const;
    CListView List() const;

    CShortcuts m_shortcuts;
    bool m_bShowing = false;  // the page is setting its controls: their changes are no edits
    std::string m_strMoved;   // a key that moved from one shortcut to another, said in the note
};
