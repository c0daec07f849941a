#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// The icon in the notification area and its menu; the hidden window receives its
// notifications and commands and calls back in here.
class CTrayIcon
{
public:
    CTrayIcon() = default;
    virtual ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    void Add();
    void Remove();
    // Explorer restarted and forgot every icon: register ours again.
    void Readd();
    int ShowMenu();
    void OpenConfiguration();
    // A command of the menu's "Profiles" items or "Switch automatically"; false when `id` is
    // none of them.
    bool OnProfileCommand(int id);
    // The tip names each programmable pad's active profile.
    void UpdateTip();
    // A word to the user that needs no answer and never stands over a game.
    void ShowBalloon(const std::string& title, const std::string& text);

    NOTIFYICONDATAA m_nid = {};
    BYTE m_bAdded = 0;
    HMENU m_hMenu = nullptr;
    HMENU m_hPopup = nullptr;

private:
    struct CProfileChoice
    {
        std::string pad;
        std::string name;
    };
    // The "Profiles" submenu of this showing of the menu: one popup of profiles, or one popup
    // per programmable pad when there are several.
    HMENU BuildProfilesMenu();
    HMENU BuildPadProfiles(int slot, const std::vector<std::string>& names);

    // "Undo: ..." for the newest change of the pads, when there is one to take back.
    void InsertUndo(UINT position);
    void UndoNewestChange();

    std::vector<CProfileChoice> m_choices;  // by command id, from kFirstProfileCommand
    std::vector<std::string> m_undoPads;    // the pads "Undo" of this showing takes back
};

// The menu ids of the profiles of the tray's submenu.
constexpr int kFirstProfileCommand = 41000;
constexpr int kLastProfileCommand = 41999;
constexpr int kSwitchCommand = 42000;  // "Switch automatically"
constexpr int kUndoCommand = 42001;    // "Undo: back to ..."
