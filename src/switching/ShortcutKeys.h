#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "switching/ShortcutRules.h"

// The shortcut keys while Kinetra runs: read from their file, registered with the system on
// Kinetra's hidden window, and carried out when pressed, whichever program is in front. A key
// switches every programmable pad through the one load path, as the tray does, and counts as the
// user's own choice.
class CShortcutKeys
{
public:
    static CShortcutKeys& Get();

    // Reads the file and registers its keys on `window`, whose WM_HOTKEY goes to OnHotKey.
    void Start(HWND window);
    // Gives every key back to the system.
    void Stop();
    // A WM_HOTKEY of the window.
    void OnHotKey(WPARAM id);

    const CShortcuts& Shortcuts() const { return m_shortcuts; }
    const std::vector<int>& DroppedLines() const { return m_droppedLines; }
    // Whether another program holds `key`, so that Kinetra could not register it.
    bool Taken(const CShortcutKey& key) const;
    // Writes the file (through a temporary file, so a failed write leaves the old one) and
    // registers the new keys; false with the reason when the file could not be written.
    bool Save(const CShortcuts& shortcuts, std::string& error);

    // How a refused key tells the user (the tray's balloon), and how every change of the
    // switching by a key is shown.
    void SetHandlers(void (*balloon)(const std::string& title, const std::string& text),
                     void (*shown)(const std::string& topic, const std::string& line, bool failed));
    // While the Shortcuts page is shown the keys do nothing, so that pressing one into a box
    // sets it there instead of switching the profile.
    void Suspend(bool suspended);

private:
    void Read();
    void RegisterAll();
    void UnregisterAll();
    void UnregisterIds();
    void LoadEveryPad(const std::string& profile);
    void StepProfile(int step);

    HWND m_hWnd = nullptr;
    CShortcuts m_shortcuts;
    std::vector<int> m_droppedLines;
    std::vector<CShortcutKey> m_taken;
    bool m_bSuspended = false;
    int m_nRegistered = 0;  // ids 1 to m_nRegistered are the window's, in m_shortcuts.keys order
    void (*m_pfnBalloon)(const std::string&, const std::string&) = nullptr;
    void (*m_pfnShown)(const std::string&, const std::string&, bool) = nullptr;
};
