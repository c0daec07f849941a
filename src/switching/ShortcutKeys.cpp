#include "switching/ShortcutKeys.h"

#include <algorithm>

#include "framework/TextFile.h"
#include "profiles/ActiveProfiles.h"
#include "profiles/ProfileLoad.h"
#include "settings/Setting.h"
#include "switching/ProgramSwitcher.h"

namespace
{
std::string ShortcutsPath()
{
    return std::string(g_szConfigDir) + "\\" + kShortcutsFile;
}

// The hot-key control's modifier bits as RegisterHotKey takes them.
UINT ModifiersOf(const CShortcutKey& key)
{
    UINT modifiers = 0;
    if (key.modifiers & CShortcutKey::kShift)
        modifiers |= MOD_SHIFT;
    if (key.modifiers & CShortcutKey::kCtrl)
        modifiers |= MOD_CONTROL;
    if (key.modifiers & CShortcutKey::kAlt)
        modifiers |= MOD_ALT;
    return modifiers;
}

// A key held down repeats; a held "Next" must not run through every profile.
bool Register(HWND window, int id, const CShortcutKey& key)
{
    if (::RegisterHotKey(window, id, ModifiersOf(key) | MOD_NOREPEAT, key.virtualKey))
        return true;
    // A system that does not know "no repeat" refuses the flag, not the key.
    return ::GetLastError() == ERROR_INVALID_PARAMETER &&
           ::RegisterHotKey(window, id, ModifiersOf(key), key.virtualKey);
}
}

CShortcutKeys& CShortcutKeys::Get()
{
    static CShortcutKeys keys;
    return keys;
}

void CShortcutKeys::SetHandlers(void (*balloon)(const std::string&, const std::string&),
                                void (*shown)(const std::string&, const std::string&, bool))
{
    m_pfnBalloon = balloon;
    m_pfnShown = shown;
}

void CShortcutKeys::Start(HWND window)
{
    m_hWnd = window;
    Read();
    RegisterAll();
}

void CShortcutKeys::Stop()
{
    UnregisterAll();
    m_hWnd = nullptr;
}

void CShortcutKeys::Read()
{
    std::string text;
    CReadShortcuts read;
    if (ReadWholeFile(ShortcutsPath(), text))
        read = ParseShortcuts(text);
    m_shortcuts = read.shortcuts;
    m_droppedLines = read.droppedLines;
}

void CShortcutKeys::RegisterAll()
{
    UnregisterAll();
    if (!m_hWnd)
        return;
    m_nRegistered = static_cast<int>(m_shortcuts.keys.size());
    for (int i = 0; i < m_nRegistered; ++i) {
        const CShortcutKey& key = m_shortcuts.keys[static_cast<std::size_t>(i)].key;
        if (!Register(m_hWnd, i + 1, key))
            m_taken.push_back(key);
    }
    // While the keys are being edited they are registered only to learn which are taken: a key
    // pressed into the page's boxes must reach the box, not switch the profile.
    if (m_bSuspended)
        UnregisterIds();
}

void CShortcutKeys::UnregisterIds()
{
    for (int id = 1; id <= m_nRegistered; ++id)
        ::UnregisterHotKey(m_hWnd, id);
}

void CShortcutKeys::UnregisterAll()
{
    UnregisterIds();
    m_nRegistered = 0;
    m_taken.clear();
}

void CShortcutKeys::Suspend(bool suspended)
{
    if (suspended == m_bSuspended)
        return;
    m_bSuspended = suspended;
    if (suspended)
        UnregisterIds();
    else
        RegisterAll();
}

bool CShortcutKeys::Taken(const CShortcutKey& key) const
{
    return std::find(m_taken.begin(), m_taken.end(), key) != m_taken.end();
}

bool CShortcutKeys::Save(const CShortcuts& shortcuts, std::string& error)
{
    if (!WriteFileReplacing(ShortcutsPath(), FormatShortcuts(shortcuts))) {
        error = std::string("Kinetra could not write ") + kShortcutsFile + " in the profile folder.";
        return false;
    }
    m_shortcuts = shortcuts;
    m_droppedLines.clear();
    RegisterAll();
    return true;
}

void CShortcutKeys::OnHotKey(WPARAM id)
{
    if (m_bSuspended || id < 1 || id > static_cast<WPARAM>(m_nRegistered) || id > m_shortcuts.keys.size())
        return;
    const CShortcut shortcut = m_shortcuts.keys[id - 1];
    switch (shortcut.what) {
    case EShortcut::kNext: StepProfile(1); break;
    case EShortcut::kPrevious: StepProfile(-1); break;
    case EShortcut::kProfile: LoadEveryPad(shortcut.profile); break;
    case EShortcut::kSwitching: {
        CProgramSwitcher& switcher = CProgramSwitcher::Get();
        switcher.SetEnabled(!switcher.Enabled());
        if (m_pfnShown)
            m_pfnShown("switching", switcher.Enabled() ? "Switch automatically: on" : "Switch automatically: off",
                       false);
        break;
    }
    }
}

void CShortcutKeys::StepProfile(int step)
{
    // The walk starts from the first pad's profile, which the tray's tip names first too.
    const std::vector<int> slots = ProgrammableSlots();
    const std::string current = slots.empty() ? std::string()
                                              : CActiveProfiles::Get().Of(Model().PadIdOf(slots.front())).name;
    const std::string next = ::StepProfile(ProfileNames(), current, step);
    if (next.empty()) {
        if (m_pfnShown)
            m_pfnShown("pad", "There is no profile to load.", true);
        return;
    }
    LoadEveryPad(next);
}

void CShortcutKeys::LoadEveryPad(const std::string& profile)
{
    const std::vector<int> slots = ProgrammableSlots();
    if (slots.empty() && m_pfnShown)
        m_pfnShown("pad", profile + " was not loaded: no programmable pad is connected.", true);
    for (int slot : slots) {
        const CLoadOutcome outcome = LoadProfile(slot, profile, ELoadCaller::kShortcut);
        if (outcome.Loaded())
            continue;
        // Unapplied edits in the sheet, or a step that failed: the user hears it once, in the
        // tray's balloon, and the other pads wait for the next press.
        if (m_pfnBalloon)
            m_pfnBalloon("Profile " + profile + " was not loaded", outcome.message);
        return;
    }
}
