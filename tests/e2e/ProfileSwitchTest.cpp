// Switching profiles from outside the sheet, as a launcher and a player do: KinetraCmd against
// the running demo, the tray's Profiles submenu, the active profile each pad is on, the Programs
// page through the sheet, and switching by the program in front. Switching never undoes the user.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "command/CommandProtocol.h"
#include "framework/Text.h"
#include "framework/TextFile.h"
#include "profiles/DeviceKeyFile.h"
#include "profiles/PadHistoryFile.h"
#include "resource.h"
#include "support/ChildProcess.h"
#include "support/DemoProcess.h"
#include "switching/ShortcutRules.h"
#include "support/TestSupport.h"

namespace
{

struct CCmdResult
{
    DWORD code = STILL_ACTIVE;
    std::string out;
    std::string err;
};

// KinetraCmd with `arguments`, its output read as a launcher would read it (pipes: UTF-8).
class CKinetraCmd
{
public:
    explicit CKinetraCmd(const std::wstring& arguments)
        : m_child(WideOf(CChildProcess::Quoted(DemoProcess::ProgramPath("KinetraCmd.exe")), CP_ACP) + L" " + arguments,
                  CmdOptions())
    {}
    CCmdResult Finish() const
    {
        CCmdResult result;
        result.out = m_child.ReadOutput();
        result.err = m_child.ReadError();
        result.code = m_child.WaitForExit(30000);
        return result;
    }
    bool Running() const { return m_child.Running(); }

private:
    static CChildOptions CmdOptions()
    {
        CChildOptions options;
        options.hidden = true;
        options.pipes = true;
        return options;
    }
    CChildProcess m_child;
};

CCmdResult Cmd(const std::wstring& arguments)
{
    return CKinetraCmd(arguments).Finish();
}

using CValues = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;

// The seven values of a profile whose KeyMap bytes are all `mark`; the sticks carry the
// calibration words given (a profile saved from the pad carries the pad's own).
CValues ProfileValues(std::uint8_t mark, const std::vector<std::uint8_t>& leftStick = std::vector<std::uint8_t>(21),
                      const std::vector<std::uint8_t>& rightStick = std::vector<std::uint8_t>(21))
{
    return {{"KeyConfig", std::vector<std::uint8_t>(32, 1)},
            {"KeyMap", std::vector<std::uint8_t>(32, mark)},
            {"Sensitivity", {45, 5, 1}},
            {"RightAnalog", rightStick},
            {"ForceFeedBack", {1, 5, 1}},
            {"LeftAnalog", leftStick},
            {"LALA", leftStick}};
}

// A profile file in the demo's config folder.
void WriteProfile(const std::string& name, const CValues& values)
{
    const ScratchKey key;
    for (const auto& [value, bytes] : values)
        key.Set(value.c_str(), bytes);
    const std::string path = DemoProcess::ProgramPath(("config\\" + name + ".reg").c_str());
    ASSERT_EQ(EKeyFileResult::kDone, SaveKeyToFile(key.get(), path, path + ".tmp")) << name;
}

void WriteProfile(const std::string& name, std::uint8_t mark)
{
    WriteProfile(name, ProfileValues(mark));
}

std::string Hex(const std::vector<std::uint8_t>& bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (std::uint8_t b : bytes)
        hex += {kDigits[b >> 4], kDigits[b & 0xF]};
    return hex;
}

std::vector<std::uint8_t> Bytes(const std::string& hex)
{
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::string Marks(std::uint8_t mark)
{
    return Hex(std::vector<std::uint8_t>(32, mark));
}

// The KeyMap of the next reload of the demo's first pad.
std::string NextKeyMap(DemoProcess& demo)
{
    return ReloadValue(demo.WaitForLine("reload 1", 10000), "KeyMap");
}

// The demo's sheet, opened again in a running demo, once the General page's first look at the pad
// is over and the reloads until then are read; null when it did not open.
HWND OpenSheet(DemoProcess& demo)
{
    demo.Send("config");
    const HWND sheet = SettleSheet(FindSheet(10000));
    while (!demo.WaitForLine("reload ", 0).empty()) {
    }
    return sheet;
}

// The next reload line of the demo's first pad.
std::string NextReload(DemoProcess& demo)
{
    return demo.WaitForLine("reload 1", 10000);
}

std::string LastLine(DemoProcess& demo, const std::string& prefix)
{
    const std::vector<std::string> lines = demo.Lines();
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
        if (line->rfind(prefix, 0) == 0)
            return *line;
    return {};
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The keys that pick profile `name` in the tray menu's Profiles submenu of a single pad: it lists
// the profiles in the order the folder gives them, as list does.
std::vector<UINT> TrayKeysTo(const std::string& name)
{
    std::vector<std::string> order;
    const std::string listed = Cmd(L"list").out;
    for (std::size_t start = 0, end; (end = listed.find('\n', start)) != std::string::npos; start = end + 1)
        order.push_back(listed.substr(start, listed.find_first_of(" \r\n", start) - start));
    std::vector<UINT> keys = {VK_DOWN, VK_RIGHT};
    const auto at = std::find(order.begin(), order.end(), name) - order.begin();
    keys.insert(keys.end(), static_cast<std::size_t>(at), VK_DOWN);
    return keys;
}

class ProfileSwitchFixture : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(nullptr, ::FindWindowA("Kinetra Class", nullptr)) << "a Kinetra from an earlier test still runs";
        Clean();
        WriteProfile("Race1", 0x11);
        WriteProfile("Desk", 0x22);
        const std::string broken = DemoProcess::ProgramPath("config\\Broken.reg");
        const HANDLE file = ::CreateFileA(broken.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(file, "not a hive", 10, &written, nullptr);
        ::CloseHandle(file);
    }
    void TearDown() override { Clean(); }
    static void Clean()
    {
        for (const char* file : {"Race1.reg", "Desk.reg", "Broken.reg", "Caf\xE9.reg"})
            ::DeleteFileA(DemoProcess::ProgramPath(("config\\" + std::string(file)).c_str()).c_str());
        ::DeleteFileA(DemoProcess::ProgramPath("ActiveProfiles.txt").c_str());
    }
};
}

// Every way a command can go wrong gets its own exit code and a line on standard error; the loads
// that go through reach the driver with the profile's bytes, and list and status show them.
TEST_F(ProfileSwitchFixture, KinetraCmdAnswersEveryCaseWithItsExitCode)
{
    EXPECT_EQ(3u, Cmd(L"status").code) << "no Kinetra runs yet";
    DemoProcess demo;
    ASSERT_NE("", demo.WaitForLine("ready", 15000));
    const bool codePageHasE = ::GetACP() == 1252;
    if (codePageHasE)
        WriteProfile("Caf\xE9", 0x33);
    struct
    {
        const wchar_t* arguments;
        DWORD code;
        const char* said;      // in standard error, or standard output on success
        std::uint8_t reloads;  // the KeyMap byte the driver then reloads; 0 for none
    } const kCases[] = {
        {L"", 2, "no command", 0},
        {L"frobnicate", 2, "unknown command", 0},
        {L"load", 2, "needs a profile name", 0},
        {L"load Race1 --pad 9", 2, "--pad takes", 0},
        {L"load Race1 extra", 2, "unexpected argument", 0},
        {L"load ..\\Race1", 2, "may not contain", 0},
        {L"load \x0413\x043E\x043D\x043A\x0430", 2, "code page", 0},
        {L"load Nope", 4, "There is no profile \"Nope\"", 0},
        {L"load Broken", 6, "RegRestoreKey Fail!!", 0},
        {L"load Race1", 0, "pad 1: loaded", 0x11},
        {L"load desk --pad 1", 0, "pad 1: loaded", 0x22},
        {L"load Caf\x00E9", 0, "pad 1: loaded", 0x33},
        {L"--help", 0, "Exit codes:", 0},
    };
    for (const auto& c : kCases) {
        if (c.reloads == 0x33 && !codePageHasE)
            continue;  // no "Café" file can exist outside code page 1252: the refusal above covers it
        while (!demo.WaitForLine("reload ", 0).empty()) {
        }
        const CCmdResult result = Cmd(c.arguments);
        const std::wstring wide = c.arguments;
        const std::string arguments(wide.begin(), wide.end());
        EXPECT_EQ(c.code, result.code) << arguments << "\n" << result.err;
        EXPECT_TRUE(Contains(c.code == 0 ? result.out : result.err, c.said)) << arguments << "\n" << result.err;
        EXPECT_EQ(c.reloads ? Marks(c.reloads) : "", c.reloads ? NextKeyMap(demo) : "") << arguments;
    }
    const std::string active = codePageHasE ? "Caf\xC3\xA9" : "Desk";
    EXPECT_TRUE(Contains(Cmd(L"list").out, active + "  * active on pad 1")) << Cmd(L"list").out;
    EXPECT_TRUE(Contains(Cmd(L"status").out, "pad 1\tKinetra Gamepad\tIdle\tprofile: " + active));
    EXPECT_TRUE(Contains(LastLine(demo, "tip "), "Kinetra - " + (codePageHasE ? "Caf\xE9" : active)));
    EXPECT_TRUE(OpenMessageBoxes(demo.process()).empty()) << "a load from outside showed a box";

    // The pad's calibration cannot be read: the settings model's own step of the load fails, and
    // says so as the outcome, never in a box over the game.
    demo.Send("calibration 1 fails");
    ASSERT_NE("", demo.WaitForLine("calibration 1", 5000));
    const CCmdResult uncalibrated = Cmd(L"load Race1");
    EXPECT_EQ(6u, uncalibrated.code) << uncalibrated.err;
    EXPECT_TRUE(Contains(uncalibrated.err, "loaded, but: ")) << uncalibrated.err;
    EXPECT_TRUE(Contains(uncalibrated.err, "SetCurrentAnalogToKey Fail, Please Check!")) << uncalibrated.err;
    EXPECT_TRUE(OpenMessageBoxes(demo.process()).empty()) << "a step of the load showed a box";
}

// The sheet owns the model while it holds unapplied edits; once applied, a load goes through and a
// later Apply shows the profile as modified. A plain pad alone gets nothing.
TEST_F(ProfileSwitchFixture, UnappliedEditsAndAPlainPadAreRefused)
{
    {
        DemoProcess plain("plain");
        ASSERT_NE("", plain.WaitForLine("ready", 15000));
        EXPECT_EQ(5u, Cmd(L"load Race1").code);
    }
    DemoProcess demo;
    const HWND sheet = OpenSettledSheet(demo);
    ASSERT_NE(nullptr, sheet);
    const HWND general = reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    auto apply = [&](int radio) {
        ::SendMessageA(::GetDlgItem(general, radio), BM_CLICK, 0, 0);
        ::SendMessageA(::GetDlgItem(sheet, ID_APPLY_NOW), BM_CLICK, 0, 0);
        return demo.WaitForLine("reload 1", 10000);
    };
    ::SendMessageA(::GetDlgItem(general, IDC_SINGLE), BM_CLICK, 0, 0);
    const CCmdResult refused = Cmd(L"load Race1 --pad 1");
    EXPECT_EQ(7u, refused.code);
    EXPECT_TRUE(Contains(refused.err, "not applied")) << refused.err;

    ASSERT_NE("", apply(IDC_SINGLE));
    // Applied, then a look at the other pages and a load from outside: nothing is left to apply.
    for (int page : {1, 2, 0})
        ::SendMessageA(sheet, PSM_SETCURSEL, page, 0);
    EXPECT_EQ(0u, Cmd(L"load Race1").code);
    EXPECT_EQ(Marks(0x11), NextKeyMap(demo));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(sheet, ID_APPLY_NOW))) << "Apply offered with nothing to apply";
    EXPECT_TRUE(Contains(Cmd(L"status").out, "profile: Race1\n")) << Cmd(L"status").out;
    ASSERT_NE("", apply(IDC_CONTINUOUS));
    EXPECT_TRUE(Contains(Cmd(L"status").out, "profile: Race1 (modified)")) << Cmd(L"status").out;
    ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
}

// A launcher's "KinetraCmd run": the profile while the program runs, the bytes from before
// afterwards, and the program's own exit code.
TEST_F(ProfileSwitchFixture, RunPutsBackWhatThePadHadAndExitsWithTheProgramsCode)
{
    DemoProcess demo;
    ASSERT_NE("", demo.WaitForLine("ready", 15000));
    ASSERT_EQ(0u, Cmd(L"load Desk").code);
    ASSERT_EQ(Marks(0x22), NextKeyMap(demo));
    const std::string exitWith = DemoProcess::ProgramPath("ExitWith.exe");
    CKinetraCmd run(L"run Race1 -- \"" + std::wstring(exitWith.begin(), exitWith.end()) + L"\" 7 1500");
    EXPECT_EQ(Marks(0x11), NextKeyMap(demo)) << "the profile while the program runs";
    EXPECT_TRUE(run.Running());
    EXPECT_TRUE(Contains(Cmd(L"status").out, "profile: Race1"));
    const CCmdResult result = run.Finish();
    EXPECT_EQ(7u, result.code) << result.err;
    EXPECT_EQ(Marks(0x22), NextKeyMap(demo)) << "the bytes from before, after it";
    EXPECT_TRUE(Contains(Cmd(L"status").out, "profile: Desk\n"));
    // The load and the put-back come so close that the driver may reload once, for both.
    EXPECT_EQ(9u, Cmd(L"run Race1 -- NoSuchProgram.exe").code);
    EXPECT_TRUE(Contains(Cmd(L"status").out, "profile: Desk\n")) << "a program that never started leaves what was";
}

// The tray's submenu: its check mark is the active profile, a click loads through the same path,
// a failed load is a balloon and no box, and the active profile outlives a restart.
TEST_F(ProfileSwitchFixture, TheTrayLoadsAndTheActiveProfileOutlivesARestart)
{
    {
        DemoProcess demo;
        ASSERT_NE("", demo.WaitForLine("ready", 15000));
        const HWND hidden = FindKinetraWindow();
        ASSERT_NE(nullptr, hidden);
        ASSERT_EQ(0u, Cmd(L"load Desk").code);
        NextKeyMap(demo);
        ASSERT_TRUE(ChooseFromTrayMenu(hidden, TrayKeysTo("Race1"), "tray-profiles"));
        EXPECT_EQ(Marks(0x11), NextKeyMap(demo));
        EXPECT_TRUE(WaitUntil([&] { return LastLine(demo, "tip ") == "tip Kinetra - Race1"; }, 5000));
        EXPECT_TRUE(Contains(Cmd(L"list").out, "Race1  * active on pad 1"));

        ASSERT_TRUE(ChooseFromTrayMenu(hidden, TrayKeysTo("Broken")));
        EXPECT_NE("", demo.WaitForLine("balloon Profile Broken was not loaded: RegRestoreKey Fail!!", 10000));
        EXPECT_TRUE(OpenMessageBoxes(demo.process()).empty()) << "a tray load showed a box over the game";

        demo.Send("config");
        const HWND sheet = FindSheet(10000);
        ASSERT_NE(nullptr, sheet);
        ::SendMessageA(sheet, PSM_SETCURSEL, 3, 0);
        ::Sleep(500);
        SaveScreenshot("profile-page-active");
        ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
        demo.Send("quit");
        EXPECT_EQ(0u, demo.WaitForExit(10000));
    }
    DemoProcess again;
    ASSERT_NE("", again.WaitForLine("tip Kinetra - Race1", 15000)) << "the restarted Kinetra forgot the profile";
    EXPECT_TRUE(Contains(Cmd(L"status").out, "profile: Race1\n"));
}

namespace
{
constexpr UINT kComeToFront = WM_APP + 1;
constexpr DWORD kQuietMs = 1500;  // the check and the settle time, several times over

// A copy of the Front helper under `name`, started and in front; closed with the object.
class CFrontProgram
{
public:
    explicit CFrontProgram(const std::string& name, const std::string& arguments = "")
        : m_child(CChildProcess::Quoted(CChildProcess::CopyBesideMe("Front.exe", name + ".exe")) + " " + arguments),
          m_window(m_child.WaitForWindow("KinetraTestFront", 10000))
    {}
    ~CFrontProgram() { Close(); }
    void ToFront() const { ::PostMessageA(m_window, kComeToFront, 0, 0); }
    void Close() const
    {
        if (!m_child.Running())
            return;
        ::PostMessageA(m_window, WM_CLOSE, 0, 0);
        m_child.WaitForExit(5000);
    }
    HWND window() const { return m_window; }

private:
    CChildProcess m_child;
    HWND m_window;
};

void WriteRules(const std::string& text)
{
    const std::string path = DemoProcess::ProgramPath("config\\programs.txt");
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
}

// The rules of the switching tests: the race game gets Race1 (the rule before it names a deleted
// profile and is skipped), everything else the one `otherwise` names.
std::string Rules(const char* otherwise, bool untilExit)
{
    return std::string("switch: on\nwhen no rule matches: ") + otherwise +
           "\nkeep until exit: " + (untilExit ? "on" : "off") +
           "\nRaceGame.exe => Gone\nRaceGame.exe => Race1\nthis line is no rule\n";
}

class ProgramSwitchFixture : public ProfileSwitchFixture
{
protected:
    void TearDown() override
    {
        ::DeleteFileA(DemoProcess::ProgramPath("config\\programs.txt").c_str());
        ProfileSwitchFixture::TearDown();
    }
    // No reload within the quiet time.
    static bool StaysQuiet(DemoProcess& demo) { return demo.WaitForLine("reload 1", kQuietMs).empty(); }
    // The demo once it is ready and what its start decided for the window in front then (the
    // desktop gets "when no rule matches") has reached the driver.
    static bool Started(DemoProcess& demo)
    {
        if (demo.WaitForLine("ready", 15000).empty())
            return false;
        while (!demo.WaitForLine("reload ", kQuietMs).empty()) {
        }
        return true;
    }
};
}

// The wiring of the switching, whose decisions the host tests take case by case: two programs in
// turn, a pad plugged while the game is in front, a manual load, and the sheet open each reach
// the driver as the rules and the user say.
TEST_F(ProgramSwitchFixture, TheProfileFollowsTheProgramInFront)
{
    WriteRules(Rules("load Desk", false));
    DemoProcess demo;
    ASSERT_TRUE(Started(demo));
    CFrontProgram race("RaceGame");
    ASSERT_NE(nullptr, race.window());
    EXPECT_EQ(Marks(0x11), NextKeyMap(demo)) << "the game's profile";
    CFrontProgram browser("Browser");
    EXPECT_EQ(Marks(0x22), NextKeyMap(demo)) << "no rule: the chosen profile";
    race.ToFront();
    EXPECT_EQ(Marks(0x11), NextKeyMap(demo));

    demo.Send("plug wired");
    EXPECT_EQ(Marks(0x11), ReloadValue(demo.WaitForLine("reload 2", 10000), "KeyMap")) << "a pad plugged in late";
    demo.Send("unplug 2");
    ASSERT_TRUE(WaitUntil([] { return !Contains(Cmd(L"status").out, "pad 2"); }, 10000));
    while (!demo.WaitForLine("reload ", kQuietMs).empty()) {
    }

    // A choice by hand from the tray holds while the game stays in front (the menu in front of it
    // is Kinetra's), and ends when another program comes.
    const HWND hidden = FindKinetraWindow();
    ASSERT_TRUE(ChooseFromTrayMenu(hidden, TrayKeysTo("Desk")));
    EXPECT_EQ(Marks(0x22), NextKeyMap(demo));
    race.ToFront();
    EXPECT_TRUE(StaysQuiet(demo)) << "the manual choice was overridden";
    browser.ToFront();
    EXPECT_TRUE(StaysQuiet(demo)) << "Desk is what the browser gets: nothing to load";
    race.ToFront();
    EXPECT_EQ(Marks(0x11), NextKeyMap(demo));

    // Kinetra's own sheet in front changes nothing, and while it is open nothing switches.
    demo.Send("config");
    const HWND sheet = FindSheet(10000);
    ASSERT_EQ(sheet, SettleSheet(sheet));
    while (!demo.WaitForLine("reload ", 0).empty()) {
    }
    browser.ToFront();
    EXPECT_TRUE(StaysQuiet(demo)) << "a switch behind the open sheet";
    ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(Marks(0x22), NextKeyMap(demo)) << "the switch waited for the sheet";

    // What the user applies in the sheet over the game stays when the sheet closes.
    race.ToFront();
    EXPECT_EQ(Marks(0x11), NextKeyMap(demo));
    const HWND again = OpenSheet(demo);
    ASSERT_NE(nullptr, again);
    const HWND general = reinterpret_cast<HWND>(::SendMessageA(again, PSM_GETCURRENTPAGEHWND, 0, 0));
    for (int radio : {IDC_SINGLE, IDC_CONTINUOUS}) {
        ::SendMessageA(::GetDlgItem(general, radio), BM_CLICK, 0, 0);
        ::SendMessageA(::GetDlgItem(again, ID_APPLY_NOW), BM_CLICK, 0, 0);
        ASSERT_NE("", demo.WaitForLine("reload 1", 10000));
    }
    ::PostMessageA(again, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([] { return CountSheets() == 0; }, 5000));
    race.ToFront();
    EXPECT_TRUE(StaysQuiet(demo)) << "closing the sheet took back what the user applied";
    EXPECT_TRUE(Contains(Cmd(L"status").out, "profile: Race1 (modified)")) << Cmd(L"status").out;
    EXPECT_TRUE(OpenMessageBoxes(demo.process()).empty());
}

// "Keep until it exits": the game's profile stays behind another program and goes with the game.
// Back on the desktop with "keep", nothing changes. The page names the line it dropped.
TEST_F(ProgramSwitchFixture, AProgramsProfileStaysUntilItExitsAndThePageNamesDroppedLines)
{
    WriteRules(Rules("load Desk", true));
    DemoProcess demo;
    ASSERT_TRUE(Started(demo));
    {
        CFrontProgram race("RaceGame");
        EXPECT_EQ(Marks(0x11), NextKeyMap(demo));
        CFrontProgram browser("Browser");
        EXPECT_TRUE(StaysQuiet(demo)) << "the game still runs behind the browser";
        race.Close();
        EXPECT_EQ(Marks(0x22), NextKeyMap(demo)) << "the game ended: the browser's profile";
    }
    demo.Send("config");
    const HWND sheet = FindSheet(10000);
    ASSERT_NE(nullptr, sheet);
    ::SendMessageA(sheet, PSM_SETCURSEL, 4, 0);
    const HWND page = ::FindWindowExA(sheet, nullptr, "#32770", "Programs");
    ASSERT_NE(nullptr, page);
    char note[256] = {};
    ::SendMessageA(::GetDlgItem(page, IDC_PROGRAMS_NOTE), WM_GETTEXT, sizeof note, reinterpret_cast<LPARAM>(note));
    EXPECT_TRUE(Contains(note, "Line 6 of programs.txt is no rule")) << note;
    ::Sleep(500);
    SaveScreenshot("programs-page");
    ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    demo.Send("quit");
    EXPECT_EQ(0u, demo.WaitForExit(10000));

    WriteRules(Rules("keep", false));
    DemoProcess keep;
    ASSERT_TRUE(Started(keep));
    ASSERT_EQ(0u, Cmd(L"load Desk").code) << "the pad remembers Race1 from before the restart";
    EXPECT_EQ(Marks(0x22), NextKeyMap(keep));
    {
        CFrontProgram race("RaceGame");
        EXPECT_EQ(Marks(0x11), NextKeyMap(keep));
    }
    EXPECT_TRUE(StaysQuiet(keep)) << "back on the desktop with \"keep\"";
}

namespace
{
// Each "Apply Modified Setting?" box the demo shows within `ms` is answered OK; how many came.
int AnswerApplyQuestions(DemoProcess& demo, DWORD ms)
{
    int asked = 0;
    const ULONGLONG end = ::GetTickCount64() + ms;
    while (::GetTickCount64() < end) {
        for (const auto& [box, text] : OpenMessageBoxes(demo.process())) {
            if (!Contains(text, "Apply Modified Setting?") || !::IsWindowEnabled(box))
                continue;
            ++asked;
            ::PostMessageA(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
            WaitUntil([box = box] { return !::IsWindow(box); }, 5000);
        }
        ::Sleep(100);
    }
    return asked;
}

std::string RulesFile()
{
    std::string text;
    ReadWholeFile(DemoProcess::ProgramPath("config\\programs.txt"), text);
    return text;
}

// The Programs tab of the open sheet.
std::string TextOf(HWND page, int id)
{
    char text[512] = {};
    ::GetDlgItemTextA(page, id, text, sizeof text);
    return text;
}

HWND ShowProgramsPage(HWND sheet)
{
    ::SendMessageA(sheet, PSM_SETCURSEL, 4, 0);
    return ::FindWindowExA(sheet, nullptr, "#32770", "Programs");
}

// Clicks "Add...", and picks `exe` in the file dialog as a person types it into its name box.
bool AddProgram(DemoProcess& demo, HWND page, const std::string& exe)
{
    ::PostMessageA(::GetDlgItem(page, IDC_PROGRAMS_ADD), BM_CLICK, 0, 0);
    HWND dialog = nullptr;
    WaitUntil(
        [&] {
            for (const auto& [box, text] : OpenMessageBoxes(demo.process()))
                if (text.rfind("Open", 0) == 0)
                    dialog = box;
            return dialog != nullptr;
        },
        10000);
    if (!dialog)
        return false;
    ::Sleep(300);
    SaveScreenshot("programs-add");
    constexpr int kFileNameBox = 0x47c;  // the name box of the system's open dialog
    ::SendMessageA(::GetDlgItem(dialog, kFileNameBox), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(exe.c_str()));
    ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    return WaitUntil([&] { return !::IsWindow(dialog); }, 5000);
}

// Picks `profile` in the page's list box `id` as a click on it does.
void ChooseProfile(HWND page, int id, const char* profile)
{
    const HWND combo = ::GetDlgItem(page, id);
    ::SendMessageA(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(profile));
    ::SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

// An edit on the General page of the open sheet, not applied yet.
void EditGeneralPage(HWND sheet)
{
    const HWND general = reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    for (int radio : {IDC_SINGLE, IDC_CONTINUOUS})
        ::SendMessageA(::GetDlgItem(general, radio), BM_CLICK, 0, 0);
}
}

// From a Kinetra that never showed its sheet, the tray, KinetraCmd and a switch by program each put
// the profile's seven values into the pad, byte for byte, and the driver reloads them so.
TEST_F(ProgramSwitchFixture, EveryLoadWritesTheProfilesBytesThoughTheSheetWasNeverOpened)
{
    WriteRules(Rules("keep", false));
    DemoProcess demo;
    ASSERT_NE("", demo.WaitForLine("ready", 15000));
    // The pad's own calibration words, which every load takes afresh from the pad. The right
    // stick's came as zeros from a load while the sheet had never been opened.
    ASSERT_EQ(0u, Cmd(L"load Desk").code);
    const std::string first = NextReload(demo);
    const std::vector<std::uint8_t> left = Bytes(ReloadValue(first, "LeftAnalog"));
    const std::vector<std::uint8_t> right = Bytes(ReloadValue(first, "RightAnalog"));
    ASSERT_EQ(21u, left.size());
    EXPECT_EQ(Hex(std::vector<std::uint8_t>(left.begin() + 1, left.end())),
              Hex(std::vector<std::uint8_t>(right.begin() + 1, right.end())))
        << "the simulated pad's two sticks are calibrated alike";
    struct
    {
        const char* how;
        const char* profile;
        std::uint8_t mark;
    } const kLoads[] = {
        {"the tray", "Fly", 0x33}, {"KinetraCmd", "Desk", 0x44}, {"a switch by program", "Race1", 0x55}};
    for (const auto& load : kLoads)
        WriteProfile(load.profile, ProfileValues(load.mark, left, right));
    CFrontProgram browser("Browser");  // no rule: the pad keeps what it is on
    ASSERT_TRUE(ChooseFromTrayMenu(FindKinetraWindow(), TrayKeysTo("Fly")));
    std::string reload = NextReload(demo);
    std::optional<CFrontProgram> race;
    for (const auto& load : kLoads) {
        if (load.mark == 0x44) {
            ASSERT_EQ(0u, Cmd(L"load Desk").code);
            reload = NextReload(demo);
        } else if (load.mark == 0x55) {
            race.emplace("RaceGame");
            reload = NextReload(demo);
        }
        for (const auto& [value, bytes] : ProfileValues(load.mark, left, right))
            EXPECT_EQ(Hex(bytes), ReloadValue(reload, value)) << load.how << ": " << value;
    }
    EXPECT_TRUE(OpenMessageBoxes(demo.process()).empty());
}

// A rule made on the Programs page as a user makes it: Add..., the file dialog, a profile, the switch
// box, Apply. It is in the file, leaving the page or OK asks once, Cancel after Apply keeps what
// was applied, and the rule then switches.
TEST_F(ProgramSwitchFixture, TheProgramsPageStoresThroughTheSheet)
{
    ::CopyFileA(DemoProcess::ProgramPath("Front.exe").c_str(), DemoProcess::ProgramPath("RaceGame.exe").c_str(), FALSE);
    DemoProcess demo;
    HWND sheet = OpenSettledSheet(demo);
    ASSERT_NE(nullptr, sheet);
    // A load while the sheet is open with nothing unapplied: the pad is on Desk as loaded.
    ASSERT_EQ(0u, Cmd(L"load Desk").code);
    ASSERT_EQ(Marks(0x22), NextKeyMap(demo));
    HWND page = ShowProgramsPage(sheet);
    ASSERT_NE(nullptr, page);
    ASSERT_TRUE(AddProgram(demo, page, DemoProcess::ProgramPath("RaceGame.exe")));
    ChooseProfile(page, IDC_PROGRAMS_PROFILE, "Race1");
    ::SendMessageA(::GetDlgItem(page, IDC_PROGRAMS_SWITCH), BM_CLICK, 0, 0);
    ::Sleep(300);
    SaveScreenshot("programs-rule");
    ::PostMessageA(::GetDlgItem(sheet, ID_APPLY_NOW), BM_CLICK, 0, 0);
    EXPECT_EQ(0, AnswerApplyQuestions(demo, 1500)) << "Apply asked instead of storing";
    EXPECT_TRUE(Contains(RulesFile(), "RaceGame.exe => Race1")) << RulesFile();
    EXPECT_TRUE(Contains(RulesFile(), "switch: on")) << RulesFile();
    EXPECT_TRUE(Contains(Cmd(L"status").out, "profile: Desk\n"))
        << "only the Programs page had edits: Desk is as loaded";
    // The Button page, once shown, shows the next load: the applied Programs page stays applied.
    ::SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
    page = ShowProgramsPage(sheet);
    ASSERT_EQ(0u, Cmd(L"load Desk").code);
    NextKeyMap(demo);
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(sheet, ID_APPLY_NOW))) << "Apply offered with nothing to apply";

    // Leaving the page with an edit asks once, and OK stores it.
    ::SendMessageA(::GetDlgItem(page, IDC_PROGRAMS_UNTIL_EXIT), BM_CLICK, 0, 0);
    ::PostMessageA(sheet, PSM_SETCURSEL, 0, 0);
    EXPECT_EQ(1, AnswerApplyQuestions(demo, 2000)) << "a tab change";
    EXPECT_TRUE(Contains(RulesFile(), "keep until exit: on")) << RulesFile();
    EXPECT_EQ(0u, Cmd(L"load Desk").code) << "the question's OK applied the edits: nothing waits in the sheet";
    NextKeyMap(demo);
    // A change that is taken back is no edit: the page leaves without a question.
    page = ShowProgramsPage(sheet);
    for (int i = 0; i < 2; ++i)
        ::SendMessageA(::GetDlgItem(page, IDC_PROGRAMS_SWITCH), BM_CLICK, 0, 0);
    ::PostMessageA(sheet, PSM_SETCURSEL, 0, 0);
    EXPECT_EQ(0, AnswerApplyQuestions(demo, 1000)) << "nothing changed";
    // OK with an edit asks once and closes the sheet.
    page = ShowProgramsPage(sheet);
    ::SendMessageA(::GetDlgItem(page, IDC_PROGRAMS_UNTIL_EXIT), BM_CLICK, 0, 0);
    ::PostMessageA(sheet, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(1, AnswerApplyQuestions(demo, 2000)) << "OK";
    ASSERT_TRUE(WaitUntil([] { return CountSheets() == 0; }, 5000));
    EXPECT_TRUE(Contains(RulesFile(), "keep until exit: off")) << RulesFile();

    // Apply, then Cancel: what was applied stays.
    sheet = OpenSheet(demo);
    ASSERT_NE(nullptr, sheet);
    page = ShowProgramsPage(sheet);
    // A write that fails is said once, and the edit waits on the page for another Apply.
    const std::string blocker = DemoProcess::ProgramPath("config\\programs.txt.tmp");
    ASSERT_TRUE(::CreateDirectoryA(blocker.c_str(), nullptr));
    ::SendMessageA(::GetDlgItem(page, IDC_PROGRAMS_UNTIL_EXIT), BM_CLICK, 0, 0);
    ::PostMessageA(::GetDlgItem(sheet, ID_APPLY_NOW), BM_CLICK, 0, 0);
    std::vector<std::pair<HWND, std::string>> boxes;
    ASSERT_TRUE(WaitUntil([&] { return !(boxes = OpenMessageBoxes(demo.process())).empty(); }, 5000));
    EXPECT_TRUE(Contains(boxes.front().second, "The rules were not changed.")) << boxes.front().second;
    ::PostMessageA(::GetDlgItem(boxes.front().first, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(0, AnswerApplyQuestions(demo, 1500)) << "asked to apply what just failed";
    ::RemoveDirectoryA(blocker.c_str());
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(sheet, ID_APPLY_NOW)));
    EXPECT_TRUE(Contains(RulesFile(), "keep until exit: off")) << RulesFile();
    ::SendMessageA(::GetDlgItem(page, IDC_PROGRAMS_UNTIL_EXIT), BM_CLICK, 0, 0);
    ::SendMessageA(::GetDlgItem(page, IDC_PROGRAMS_LOAD), BM_CLICK, 0, 0);
    EXPECT_NE("", TextOf(page, IDC_PROGRAMS_OTHERWISE)) << "\"load\" shows a profile to load at once";
    ChooseProfile(page, IDC_PROGRAMS_OTHERWISE, "Desk");
    ::PostMessageA(::GetDlgItem(sheet, ID_APPLY_NOW), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([] { return Contains(RulesFile(), "when no rule matches: load Desk"); }, 5000))
        << RulesFile();
    ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([] { return CountSheets() == 0; }, 5000));
    EXPECT_TRUE(Contains(RulesFile(), "when no rule matches: load Desk")) << RulesFile();
    while (!demo.WaitForLine("reload ", kQuietMs).empty()) {
    }  // each Apply wrote the pad

    CFrontProgram race("RaceGame");
    EXPECT_EQ(Marks(0x11), NextKeyMap(demo)) << "the page's rule switches";
    CFrontProgram browser("Browser");
    EXPECT_EQ(Marks(0x22), NextKeyMap(demo)) << "the page's choice for every other program";
    // The file edited by hand while Kinetra runs counts from the next program in front.
    WriteRules(RulesFile() + "Browser.exe => Race1\n");
    race.ToFront();
    EXPECT_EQ(Marks(0x11), NextKeyMap(demo));
    browser.ToFront();
    EXPECT_TRUE(StaysQuiet(demo)) << "the hand-written rule gives the browser Race1, which the pad is on";
}

// "KinetraCmd run" gets the player the game whatever Kinetra says: not running, a sheet with
// unapplied changes, a put-back that must wait for the sheet. The exit code is always the game's.
TEST_F(ProfileSwitchFixture, RunStartsTheProgramWhateverKinetraSaysAndPutsBackWhenItCan)
{
    const std::string exitWith = DemoProcess::ProgramPath("ExitWith.exe");
    const std::wstring game = L" -- \"" + std::wstring(exitWith.begin(), exitWith.end()) + L"\" 7";
    CCmdResult result = Cmd(L"run Race1" + game);
    EXPECT_EQ(7u, result.code) << "no Kinetra: " << result.err;
    EXPECT_TRUE(Contains(result.err, "not running")) << result.err;

    DemoProcess demo;
    const HWND sheet = OpenSettledSheet(demo);
    ASSERT_NE(nullptr, sheet);
    EditGeneralPage(sheet);
    result = Cmd(L"run Race1" + game);
    EXPECT_EQ(7u, result.code) << "unapplied changes: " << result.err;
    EXPECT_TRUE(Contains(result.err, "not applied")) << result.err;
    EXPECT_EQ("", demo.WaitForLine("reload 1", 1000)) << "the refused load changed the pad";
    ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([] { return CountSheets() == 0; }, 5000));

    // The sheet gets unapplied changes while the game runs: the settings go back once it closes.
    ASSERT_EQ(0u, Cmd(L"load Desk").code);
    ASSERT_EQ(Marks(0x22), NextKeyMap(demo));
    CKinetraCmd run(L"run Race1" + game + L" 3000");
    ASSERT_EQ(Marks(0x11), NextKeyMap(demo));
    const HWND held = OpenSheet(demo);
    ASSERT_NE(nullptr, held);
    EditGeneralPage(held);
    result = run.Finish();
    EXPECT_EQ(7u, result.code) << result.err;
    EXPECT_TRUE(Contains(result.err, "as soon as it can")) << result.err;
    EXPECT_TRUE(Contains(Cmd(L"status").out, "to be put back")) << Cmd(L"status").out;
    ::PostMessageA(held, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(Marks(0x22), NextKeyMap(demo)) << "put back when the sheet closed";
    EXPECT_TRUE(WaitUntil([&] { return Contains(LastLine(demo, "balloon "), "Settings put back"); }, 5000));
    EXPECT_TRUE(Contains(Cmd(L"status").out, "profile: Desk\n")) << Cmd(L"status").out;
}

// Kinetra answers at once when nothing of it is open, right after its sheet closed too; KinetraCmd
// waits out a busy Kinetra; a client that never reads its answer holds nothing up, and a put-back
// takes only what a load kept.
TEST_F(ProfileSwitchFixture, KinetraAnswersAtOnceAndNeverWaitsOnAClient)
{
    DemoProcess demo;
    const HWND sheet = OpenSettledSheet(demo);
    ASSERT_NE(nullptr, sheet);
    ::PostMessageA(sheet, WM_COMMAND, IDOK, 0);
    const CCmdResult list = Cmd(L"list --wait 0");
    EXPECT_EQ(0u, list.code) << "right after the sheet closed: " << list.err;

    // Each pad's arrival holds Kinetra's thread while the pad's driver stack comes up (2 s):
    // KinetraCmd gives up at once with --wait 0, and otherwise asks again until Kinetra is free.
    demo.Send("plug wired");
    demo.Send("plug wired");
    EXPECT_EQ(8u, Cmd(L"status --wait 0").code) << "two pads are arriving";
    const CCmdResult waited = Cmd(L"status");
    EXPECT_EQ(0u, waited.code) << waited.err;
    EXPECT_TRUE(Contains(waited.out, "pad 2")) << "answered once a pad had arrived: " << waited.out;

    // A client that asks and never reads nor closes, and one that forges a put-back.
    auto connect = [] {
        HANDLE pipe = INVALID_HANDLE_VALUE;
        WaitUntil(
            [&] {
                pipe = ::CreateFileW(kCommandPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                     nullptr);
                return pipe != INVALID_HANDLE_VALUE;
            },
            5000);
        return pipe;
    };
    const HANDLE silent = connect();
    ASSERT_NE(INVALID_HANDLE_VALUE, silent);
    DWORD written = 0;
    ::WriteFile(silent, "status\n", 7, &written, nullptr);
    EXPECT_EQ(0u, Cmd(L"status").code) << "the next client after an unread answer";
    ::CloseHandle(silent);
    const HANDLE forger = connect();
    ASSERT_NE(INVALID_HANDLE_VALUE, forger);
    const std::string putBack = "putback\tKeyMap=00\n";
    ::WriteFile(forger, putBack.data(), static_cast<DWORD>(putBack.size()), &written, nullptr);
    char answer[256] = {};
    DWORD read = 0;
    ::ReadFile(forger, answer, sizeof answer - 1, &read, nullptr);
    ::CloseHandle(forger);
    EXPECT_EQ('2', answer[0]) << "bytes no load kept: " << answer;

    // Quit while a client holds the pipe and says nothing.
    const HANDLE idle = connect();
    ASSERT_NE(INVALID_HANDLE_VALUE, idle);
    demo.Send("quit");
    EXPECT_EQ(0u, demo.WaitForExit(10000)) << "Quit waited on a client";
    ::CloseHandle(idle);
}

namespace
{
// xdotool, as the person's keyboard: the X server gives the keys to the window with the X focus.
// Wine starts a Unix program but cannot tell when it ends or how, so its shell writes the exit
// status into a file that the test waits for.
bool X11(const std::string& arguments)
{
    static int calls = 0;
    const std::string name = "kinetra-xdotool-" + std::to_string(::GetCurrentProcessId()) + "-" +
                             std::to_string(++calls);
    const std::string done = "Z:\\tmp\\" + name;
    CChildOptions hidden;
    hidden.hidden = true;
    CChildProcess("/bin/sh -c \"xdotool " + arguments + "; echo $? > /tmp/" + name + "\"", hidden);
    std::string status;
    const bool ended = WaitUntil([&] { return ReadWholeFile(done, status) && !status.empty(); }, 10000);
    ::DeleteFileA(done.c_str());
    return ended && status.rfind("0", 0) == 0;
}

// The X focus to the window titled `title`, as a click on it gives; before that, typed keys go
// nowhere. (With no window manager on the test display there is nothing to "activate".)
bool FocusByX11(const std::string& title)
{
    return X11("search --name '^" + title + "$' windowfocus --sync");
}

// Chooses item `index` (from 0) of the menu a "..." button of the page opens.
void ChooseFromMoreMenu(HWND page, int button, int index)
{
    ::PostMessageA(::GetDlgItem(page, button), BM_CLICK, 0, 0);
    const HWND menu = FindMenuWindow();
    ASSERT_NE(nullptr, menu);
    for (int i = 0; i <= index; ++i)
        ::PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(WaitUntil([] { return FindMenuWindow(0) == nullptr; }, 5000));
}

WORD HotKeyOf(HWND page, int id)
{
    return static_cast<WORD>(::SendDlgItemMessageA(page, id, HKM_GETHOTKEY, 0, 0));
}

// The profiles in the order the Profile page lists them, as list gives it.
std::vector<std::string> ListedProfiles()
{
    std::vector<std::string> names;
    const std::string listed = Cmd(L"list").out;
    for (std::size_t start = 0, end; (end = listed.find('\n', start)) != std::string::npos; start = end + 1)
        names.push_back(listed.substr(start, listed.find_first_of(" \r\n", start) - start));
    return names;
}
}

namespace
{
// The pad's history file, as Kinetra keeps it under the profile folder; empty when there is none.
std::string HistoryPath()
{
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA(DemoProcess::ProgramPath("config\\history\\*.txt").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return {};
    ::FindClose(search);
    return DemoProcess::ProgramPath(("config\\history\\" + std::string(found.cFileName)).c_str());
}

std::string HistoryText()
{
    std::string text;
    ReadWholeFile(HistoryPath(), text);
    return text;
}

// The changes the pad's history names, oldest first.
std::vector<std::string> HistoryCauses()
{
    std::vector<std::string> causes;
    for (const CHistoryEntry& entry : ParseHistory(HistoryText()))
        causes.push_back(entry.cause);
    return causes;
}

void ClearHistory()
{
    WIN32_FIND_DATAA found;
    const std::string folder = DemoProcess::ProgramPath("config\\history");
    const HANDLE search = ::FindFirstFileA((folder + "\\*.txt").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileA(search, &found))
        ::DeleteFileA((folder + "\\" + found.cFileName).c_str());
    if (search != INVALID_HANDLE_VALUE)
        ::FindClose(search);
}

// "Undo: back to ..." from the tray menu, below "Profiles" and "Switch automatically".
bool UndoFromTray()
{
    return ChooseFromTrayMenu(FindKinetraWindow(), {VK_DOWN, VK_DOWN, VK_DOWN}, "tray-undo");
}
}

// Keys set on the Shortcuts page as a user sets them (a key pressed into its box, F-keys from its
// "..." menu, a profile chosen in its list), then pressed on the keyboard while a game of another
// process is in front: each reaches the driver, the game stays in front, and the sign shows over
// it. A key another program holds is shown as taken. The keys survive a restart and a damaged line.
TEST_F(ProfileSwitchFixture, ShortcutKeysSwitchFromInsideTheGame)
{
    ::DeleteFileA(DemoProcess::ProgramPath("config\\Broken.reg").c_str());
    ::DeleteFileA(DemoProcess::ProgramPath("config\\shortcuts.txt").c_str());
    WriteProfile("Fly", 0x33);
    ClearHistory();
    const std::map<std::string, std::uint8_t> marks = {{"Race1", 0x11}, {"Desk", 0x22}, {"Fly", 0x33}};
    // xdotool maps a spare keycode for a key the keyboard lacks on its first use, which loses it.
    X11("key F14 F15");
    const CFrontProgram holder("KeyHolder", "--hold=7F");  // F16
    DemoProcess demo;
    ASSERT_NE("", demo.WaitForLine("ready", 15000));
    const std::vector<std::string> order = ListedProfiles();
    ASSERT_EQ(3u, order.size());
    ASSERT_EQ(0u, Cmd(L"load Race1").code);
    ASSERT_EQ(Marks(0x11), NextKeyMap(demo));

    const HWND sheet = OpenSheet(demo);
    ASSERT_NE(nullptr, sheet);
    ::SendMessageA(sheet, PSM_SETCURSEL, 5, 0);
    const HWND page = ::FindWindowExA(sheet, nullptr, "#32770", "Shortcuts");
    ASSERT_NE(nullptr, page);
    // N alone becomes Ctrl+Alt+N: a letter must not be taken from the game.
    ::PostMessageA(::GetDlgItem(page, IDC_SHORTCUT_NEXT), WM_KEYDOWN, 'N', 0x00310001);
    ::PostMessageA(::GetDlgItem(page, IDC_SHORTCUT_NEXT), WM_KEYUP, 'N', 0xC0310001);
    EXPECT_TRUE(WaitUntil(
        [&] { return HotKeyOf(page, IDC_SHORTCUT_NEXT) == MAKEWORD('N', HOTKEYF_CONTROL | HOTKEYF_ALT); }, 5000));
    ChooseFromMoreMenu(page, IDC_SHORTCUT_PREVIOUS_MORE, 1);   // F14
    ChooseFromMoreMenu(page, IDC_SHORTCUT_SWITCHING_MORE, 3);  // F16, which the holder has
    const HWND list = ::GetDlgItem(page, IDC_SHORTCUT_PROFILES);
    const auto desk = std::find(order.begin(), order.end(), "Desk") - order.begin();
    ::PostMessageA(list, WM_KEYDOWN, VK_HOME, 0);
    for (int i = 0; i < desk; ++i)
        ::PostMessageA(list, WM_KEYDOWN, VK_DOWN, 0);
    // Every key must have reached the list before a menu opens: the menu's loop takes them all.
    ASSERT_TRUE(WaitUntil([&] { return ::SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED) == desk; }, 5000));
    ChooseFromMoreMenu(page, IDC_SHORTCUT_PROFILE_MORE, 2);  // F15
    EXPECT_EQ(VK_F14, HotKeyOf(page, IDC_SHORTCUT_PREVIOUS));
    EXPECT_EQ(VK_F15, HotKeyOf(page, IDC_SHORTCUT_PROFILE_KEY));
    ::PostMessageA(::GetDlgItem(sheet, ID_APPLY_NOW), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return TextOf(page, IDC_SHORTCUT_SWITCHING_STATE) == "F16, Taken"; }, 5000))
        << "a key another program holds";
    EXPECT_EQ("", TextOf(page, IDC_SHORTCUT_NEXT_STATE));
    EXPECT_TRUE(Contains(TextOf(page, IDC_SHORTCUTS_NOTE), "Taken")) << TextOf(page, IDC_SHORTCUTS_NOTE);
    ::Sleep(300);
    SaveScreenshot("shortcuts-page");
    ::PostMessageA(sheet, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([] { return CountSheets() == 0; }, 5000));
    while (!demo.WaitForLine("reload ", 1000).empty()) {  // OK applies, and the driver reloads
    }

    const CFrontProgram race("RaceGame");
    ASSERT_TRUE(FocusByX11("RaceGame.exe"));
    std::string current = "Race1";
    for (int press = 0; press < 3; ++press) {
        ASSERT_TRUE(X11("key ctrl+alt+n"));
        current = StepProfile(order, current, 1);
        EXPECT_EQ(Marks(marks.at(current)), NextKeyMap(demo)) << "Next, press " << press + 1;
        if (press == 0) {
            const HWND panel = ::FindWindowA("Kinetra Switch Panel", nullptr);
            ASSERT_TRUE(WaitUntil([&] { return panel && ::IsWindowVisible(panel); }, 3000)) << "no sign on screen";
            const auto style = static_cast<DWORD>(::GetWindowLongPtrA(panel, GWL_EXSTYLE));
            EXPECT_EQ(static_cast<DWORD>(WS_EX_TOPMOST | WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE),
                      style & (WS_EX_TOPMOST | WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE));
            EXPECT_EQ(race.window(), ::GetForegroundWindow()) << "the game stays in front";
            SaveScreenshot("switch-panel-over-game");
        }
    }
    EXPECT_EQ("Race1", current) << "three profiles, three presses: Next came around";
    ASSERT_TRUE(X11("key F14"));
    EXPECT_EQ(Marks(marks.at(StepProfile(order, "Race1", -1))), NextKeyMap(demo)) << "Previous came around";
    ASSERT_TRUE(Cmd(L"load Race1").code == 0 && NextKeyMap(demo) == Marks(0x11));
    ASSERT_TRUE(X11("key F15"));
    EXPECT_EQ(Marks(0x22), NextKeyMap(demo)) << "the profile's own key";
    EXPECT_EQ(race.window(), ::GetForegroundWindow());
    const std::vector<std::string> causes = HistoryCauses();
    ASSERT_GE(causes.size(), 2u);
    EXPECT_EQ((std::vector<std::string>{"Load Race1", "Shortcut to Desk"}),
              std::vector<std::string>(causes.end() - 2, causes.end()));
    demo.Send("quit");
    ASSERT_EQ(0u, demo.WaitForExit(10000));

    // A restart with a line of the file damaged by hand: the good lines still work.
    const std::string file = DemoProcess::ProgramPath("config\\shortcuts.txt");
    std::string text;
    ASSERT_TRUE(ReadWholeFile(file, text));
    ASSERT_TRUE(WriteFileReplacing(file, text + "next: Ctrl+Nothing\n"));
    DemoProcess again;
    ASSERT_NE("", again.WaitForLine("ready", 15000));
    ASSERT_TRUE(Cmd(L"load Race1").code == 0 && NextKeyMap(again) == Marks(0x11));
    ASSERT_TRUE(FocusByX11("RaceGame.exe"));
    ASSERT_TRUE(X11("key F15"));
    EXPECT_EQ(Marks(0x22), NextKeyMap(again)) << "the key survived the restart";
    const HWND reopened = OpenSheet(again);
    ::SendMessageA(reopened, PSM_SETCURSEL, 5, 0);
    EXPECT_TRUE(Contains(TextOf(::FindWindowExA(reopened, nullptr, "#32770", "Shortcuts"), IDC_SHORTCUTS_NOTE),
                         "of shortcuts.txt is no shortcut"));
    ::PostMessageA(reopened, WM_COMMAND, IDCANCEL, 0);
    ::DeleteFileA(file.c_str());
    ::DeleteFileA(DemoProcess::ProgramPath("config\\Fly.reg").c_str());
}

// Loads, a switch by program, an Apply, an Undo and a Restore each keep what the pad had before;
// the tray's Undo and History's Restore bring back exactly those bytes, also after a restart, with
// a damaged line in the file, and after the pad was pulled out and plugged in again.
TEST_F(ProgramSwitchFixture, EveryChangeIsKeptAndTheTrayTakesItBack)
{
    ClearHistory();
    WriteRules(Rules("keep", false));
    DemoProcess demo;
    ASSERT_TRUE(Started(demo));
    // A first look at the pad in the configuration window: the model holds the pad from then on.
    const HWND look = OpenSheet(demo);
    ASSERT_NE(nullptr, look);
    ::PostMessageA(look, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([] { return CountSheets() == 0; }, 5000));
    ASSERT_EQ(0u, Cmd(L"load Race1").code);
    ASSERT_EQ(Marks(0x11), NextKeyMap(demo));
    ASSERT_EQ(0u, Cmd(L"load Desk").code);
    // A reload line holds all seven values the driver read from the pad's key.
    const std::string desk = demo.WaitForLine("reload 1", 10000);
    ASSERT_EQ(Marks(0x22), ReloadValue(desk, "KeyMap"));
    {
        CFrontProgram race("RaceGame");
        EXPECT_EQ(Marks(0x11), NextKeyMap(demo)) << "the switch by program";
    }
    ASSERT_TRUE(UndoFromTray());
    EXPECT_EQ(desk, demo.WaitForLine("reload 1", 10000)) << "Undo brings back exactly what the switch replaced";
    EXPECT_TRUE(Contains(Cmd(L"status").out, "profile: Desk\n")) << Cmd(L"status").out;

    const HWND sheet = OpenSheet(demo);
    ASSERT_NE(nullptr, sheet);
    const HWND general = reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    // An Apply of another page's setting writes the pad's settings as the model holds them since
    // the Undo: exactly what was put back.
    ::SendMessageA(sheet, PSM_SETCURSEL, 4, 0);
    const HWND programs = ::FindWindowExA(sheet, nullptr, "#32770", "Programs");
    ::SendMessageA(::GetDlgItem(programs, IDC_PROGRAMS_KEEP), BM_CLICK, 0, 0);
    ::SendMessageA(::GetDlgItem(sheet, ID_APPLY_NOW), BM_CLICK, 0, 0);
    EXPECT_EQ(desk, demo.WaitForLine("reload 1", 10000));
    ::SendMessageA(sheet, PSM_SETCURSEL, 0, 0);
    ::SendMessageA(::GetDlgItem(general, IDC_SINGLE), BM_CLICK, 0, 0);
    ::SendMessageA(::GetDlgItem(sheet, ID_APPLY_NOW), BM_CLICK, 0, 0);
    const std::string applied = demo.WaitForLine("reload 1", 10000);
    ASSERT_NE("", applied);
    // History... on the Profile page: its newest state is the one before the Apply.
    ::SendMessageA(sheet, PSM_SETCURSEL, 3, 0);
    const HWND profilePage = ::FindWindowExA(sheet, nullptr, "#32770", "Profile");
    ::PostMessageA(::GetDlgItem(profilePage, IDC_PROFILE_HISTORY), BM_CLICK, 0, 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (dialog = ::FindWindowA("#32770", "History")) != nullptr; }, 5000));
    ::Sleep(300);
    SaveScreenshot("history-dialog");
    ::SendMessageA(::GetDlgItem(dialog, IDC_HISTORY_RESTORE), BM_CLICK, 0, 0);
    const std::string restored = demo.WaitForLine("reload 1", 10000);
    EXPECT_EQ(desk, restored) << "the Apply taken back, byte for byte";
    ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); }, 5000));
    ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([] { return CountSheets() == 0; }, 5000));

    const std::string history = HistoryText();
    EXPECT_EQ((std::vector<std::string>{"Load Race1", "Load Desk", "Switch to Race1", "Undo", "Apply", "Restore"}),
              HistoryCauses())
        << history;
    demo.Send("quit");
    ASSERT_EQ(0u, demo.WaitForExit(10000));

    // After a restart, with a line of the file damaged, the tray's Undo takes back the Restore.
    ASSERT_TRUE(WriteFileReplacing(HistoryPath(), "not a state\n" + history + "2026\tbroken\n"));
    DemoProcess again;
    ASSERT_TRUE(Started(again));
    ASSERT_TRUE(UndoFromTray());
    EXPECT_EQ(applied, again.WaitForLine("reload 1", 10000)) << "the applied mode is back\n" << HistoryText();

    // The same pad out and in again, after a load: its history is still its own.
    ASSERT_EQ(0u, Cmd(L"load Race1").code);
    ASSERT_EQ(Marks(0x11), NextKeyMap(again));
    again.Send("replug 1");
    ASSERT_NE("", again.WaitForLine("replugged 1", 15000));
    ASSERT_EQ(1, again.DeviceCount());
    ASSERT_TRUE(UndoFromTray());
    EXPECT_EQ(applied, again.WaitForLine("reload 1", 10000)) << HistoryText();
    EXPECT_EQ(9u, HistoryCauses().size()) << HistoryText();
    ClearHistory();
}

// One load into both pads is one change to the user: the tray's Undo takes both back.
TEST_F(ProgramSwitchFixture, OneUndoTakesBackALoadIntoEveryPad)
{
    ClearHistory();
    DemoProcess demo("wired,wired");
    ASSERT_TRUE(Started(demo));
    // Each load reloads every pad: the last line of each pad holds what it has then.
    const auto keyMaps = [&] {
        std::map<std::string, std::string> last;
        for (std::string line; !(line = demo.WaitForLine("reload ", kQuietMs)).empty();)
            last[line.substr(0, line.find(' ', 7))] = ReloadValue(line, "KeyMap");
        return last;
    };
    ASSERT_EQ(0u, Cmd(L"load Race1").code);
    keyMaps();
    ASSERT_EQ(0u, Cmd(L"load Desk").code);
    EXPECT_EQ(Marks(0x22), keyMaps()["reload 2"]);
    ASSERT_TRUE(UndoFromTray());
    const std::map<std::string, std::string> undone = keyMaps();
    EXPECT_EQ(Marks(0x11), undone.at("reload 1"));
    EXPECT_EQ(Marks(0x11), undone.at("reload 2"));
    EXPECT_TRUE(Contains(Cmd(L"status").out, "profile: Race1\npad 2")) << Cmd(L"status").out;
    ClearHistory();
}
