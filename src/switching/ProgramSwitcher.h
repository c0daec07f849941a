#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Handles.h"
#include "switching/ProgramRules.h"

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
    // The lines of the rules file that did not read when it was last read.
    const std::vector<int>& DroppedLines() const { return m_dropped; }
    // Writes the rules (temp file, then replace) and follows them; false, with the reason, when
    // the file could not be written: the rules in use stay as they were.
    bool SaveRules(const CProgramRules& rules, std::string& error);
    // The tray's "Switch automatically".
    bool Enabled() const { return m_rules.switchOn; }
    void SetEnabled(bool on);

    // Messages of the hidden window: its timers, and what the program tells the switcher.
    bool OnTimer(UINT_PTR id);
    void OnPadsChanged();
    void OnSheetClosed();
    // A profile chosen by hand (tray, page, command line) holds while its program is in front.
    void NoteManualChoice();

    // The settle time before a switch.
    static constexpr UINT kSettleMs = 250;

private:
    enum class EFront { kNone, kOwn, kShell, kDesktop, kProgram, kUnknown };
    struct CFront
    {
        EFront kind = EFront::kNone;
        std::wstring program;  // the image path, for kProgram
        DWORD process = 0;
    };

    static void CALLBACK OnWinEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child, DWORD thread,
                                    DWORD time);
    void OnFrontMaybeChanged();
    void Evaluate();
    static CFront ReadFront();
    const CProgramRule* MatchingRule(const std::wstring& program) const;
    void Switch(const std::string& profile);
    void ReadRules();

    HWND m_hWnd = nullptr;
    HWINEVENTHOOK m_hHook = nullptr;
    HWND m_hLastFront = nullptr;
    CProgramRules m_rules;
    std::vector<int> m_dropped;
    bool m_bPending = false;  // a switch waits for the configuration window to close
    bool m_bHeld = false;     // a manual choice holds while m_strHeldProgram is in front
    std::wstring m_strHeldProgram;
    CHandle m_hKeptProcess;  // "keep until it exits": the program whose profile stays
};
