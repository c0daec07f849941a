#pragma once
#include <windows.h>
#include <shellapi.h>

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

    NOTIFYICONDATAA m_nid = {};
    BYTE m_bAdded = 0;
    HMENU m_hMenu = nullptr;
    HMENU m_hPopup = nullptr;
};
