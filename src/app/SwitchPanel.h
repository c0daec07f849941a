#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// Whether the panel may come up while the user's notification state is `state`: not over a
// full-screen game, a presentation, a busy user or a locked screen. The tray's tip and balloons
// still tell then.
bool PanelMayShow(QUERY_USER_NOTIFICATION_STATE state);

// One line of the panel: a pad's new profile, or why it did not get it.
struct CPanelLine
{
    std::string topic;  // what the line is about: a pad, the switching
    std::string text;
    bool failed = false;
};

// The sign on screen that a pad's profile changed, for a player who stays in the game: a small
// dark box near the bottom-right corner of the work area of the monitor in front, for about
// 1.5 s. It never takes the front nor the keyboard, and clicks go through it. Runs on the UI
// thread, whose message loop hides it again.
class CSwitchPanel
{
public:
    static CSwitchPanel& Get();

    // Shows `line` about `topic` (a pad, the switching) for about 1.5 s. A line shown while the
    // panel is up takes the place of the line about the same topic, or joins the others (one
    // line a pad when several pads switch at once), and the time starts again: the panel says
    // what holds now, not a history. `failed` shows the line as a failure (a warning sign and colour).
    void Show(const std::string& topic, const std::string& line, bool failed = false);
    void SetEnabled(bool enabled);  // off: Show does nothing
    bool Enabled() const { return m_bEnabled; }
    HWND Window() const { return m_hWnd; }  // null before the first showing (for tests)

    static constexpr UINT kShowMs = 1500;
    // A panel kept up by a stream of switches (a shortcut key pressed again and again) keeps
    // only the latest lines.
    static constexpr std::size_t kMaxLines = 6;

private:
    CSwitchPanel() = default;
    bool CreatePanelWindow();
    void Present();
    void Hide();
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    bool m_bEnabled = true;
    std::vector<CPanelLine> m_lines;
};
