#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Handles.h"
#include "switching/ProgramRules.h"
#include "switching/SwitchDecision.h"

// The full image path of the process, as the rules name programs; empty when it cannot be read.
std::wstring ImagePathOf(DWORD process);

// Loads the profile of the program in front, on every programmable pad, as the rules of the
// Programs page say. Runs on the UI thread: told of a new window in front by the system's win
// event, and by a light check of GetForegroundWindow a few times a second where that event never
// comes; a switch waits a short settle time so that passing through windows with alt-tab does
// not reload the driver.
class CProgramSwitcher
{
public:
    static CProgramSwitcher& Get();

    // Reads the rules, watches the window in front, and gives the pads the profile of the
    // program in front now.
    void Start(HWND window);
    void Stop();

    const CProgramRules& Rules() const { return m_rules; }
    // Reads the rules file again when it changed since Kinetra last read or wrote it.
    void RefreshRules();
    // The lines of the rules file that did not read when it was last read.
    const std::vector<int>& DroppedLines() const { return m_dropped; }
    // Writes the rules (temp file, then replace) and follows them from the next program in front
    // on; false, with the reason, when the file could not be written: the rules in use stay.
    bool SaveRules(const CProgramRules& rules, std::string& error);
    // The tray's "Switch automatically".
    bool Enabled() const { return m_rules.switchOn; }
    void SetEnabled(bool on);

    // Messages of the hidden window: its timers, and what the program tells the switcher.
    bool OnTimer(UINT_PTR id);
    void OnPadsChanged();
    // While the configuration window is open, the user's window owns the settings: a change of
    // program waits for it to close, and is decided then.
    void OnSheetOpened();
    void OnSheetClosed();
    // A profile chosen by hand (tray, page, command line) holds while the program that was in
    // front of Kinetra's windows then stays in front.
    void NoteManualChoice();
    // How a word to the user is given (the tray's balloon): never a box over a game.
    void SetWarningHandler(void (*handler)(const std::string& title, const std::string& text));

    // The settle time before a switch.
    static constexpr UINT kSettleMs = 250;

private:
    static void CALLBACK OnWinEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child, DWORD thread,
                                    DWORD time);
    void OnFrontMaybeChanged();
    void Evaluate();
    // Every programmable pad not on `profile` gets it; a pad the load may not change now is
    // tried again at the next check.
    void LoadOnPads(const std::string& profile, const std::vector<std::string>& pads);
    // The loads a pad refused for now, tried again.
    void RetryLoads();
    void Warn(const std::string& title, const std::string& text) const;
    void ReadRules();

    HWND m_hWnd = nullptr;
    HWINEVENTHOOK m_hHook = nullptr;
    HWND m_hLastFront = nullptr;
    CProgramRules m_rules;
    std::vector<int> m_dropped;
    ULONGLONG m_ullRulesTime = 0;  // the rules file's write time when last read or written
    CSwitchMemory m_memory;
    std::string m_strLastProgram;  // the last program in front that was not Kinetra's
    std::string m_strWanted;       // the profile the decided program wants; empty: none
    std::vector<std::string> m_knownPads;
    bool m_bSheetOpen = false;
    bool m_bPending = false;  // a change of program waits for the configuration window
    bool m_bRetry = false;    // a pad refused its load for now: try again at the next check
    CHandle m_hKeptProcess;   // "keep until it exits": the program whose profile stays
    void (*m_pfnWarn)(const std::string&, const std::string&) = nullptr;
};
