// Switching never undoes the user: a load writes exactly the profile, the Programs page stores
// through the sheet like every other page, KinetraCmd run always gets the player the game, and
// Kinetra answers as soon as nothing of it is open.
#include "e2e/SwitchFixtures.h"

#include "command/CommandProtocol.h"
#include "framework/TextFile.h"

#include <optional>

namespace
{
using CValues = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;

// A profile whose seven values all differ from every other's; the sticks carry the pad's own
// calibration words, as a profile saved from the pad does (a load takes them afresh from the pad).
CValues ExactProfile(std::uint8_t mark, const std::vector<std::uint8_t>& leftStick,
                     const std::vector<std::uint8_t>& rightStick)
{
    return {{"KeyConfig", std::vector<std::uint8_t>(32, 1)},
            {"KeyMap", std::vector<std::uint8_t>(32, mark)},
            {"Sensitivity", {mark, 5, 1}},
            {"RightAnalog", rightStick},
            {"ForceFeedBack", {mark, 2, 1}},
            {"LeftAnalog", leftStick},
            {"LALA", leftStick}};
}

void WriteProfileValues(const std::string& name, const CValues& values)
{
    const ScratchKey key;
    for (const auto& [value, bytes] : values)
        key.Set(value.c_str(), bytes);
    const std::string path = DemoProcess::ProgramPath(("config\\" + name + ".reg").c_str());
    ASSERT_EQ(EKeyFileResult::kDone, SaveKeyToFile(key.get(), path, path + ".tmp")) << name;
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

void ChooseRuleProfile(HWND page, const char* profile)
{
    const HWND combo = ::GetDlgItem(page, IDC_PROGRAMS_PROFILE);
    ::SendMessageA(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(profile));
    ::SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_PROGRAMS_PROFILE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
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
        WriteProfileValues(load.profile, ExactProfile(load.mark, left, right));
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
        for (const auto& [value, bytes] : ExactProfile(load.mark, left, right))
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
    ChooseRuleProfile(page, "Race1");
    ::SendMessageA(::GetDlgItem(page, IDC_PROGRAMS_SWITCH), BM_CLICK, 0, 0);
    ::Sleep(300);
    SaveScreenshot("programs-rule");
    ::PostMessageA(::GetDlgItem(sheet, kApplyButton), BM_CLICK, 0, 0);
    EXPECT_EQ(0, AnswerApplyQuestions(demo, 1500)) << "Apply asked instead of storing";
    EXPECT_TRUE(Contains(RulesFile(), "RaceGame.exe => Race1")) << RulesFile();
    EXPECT_TRUE(Contains(RulesFile(), "switch: on")) << RulesFile();
    EXPECT_TRUE(Contains(Cmd(L"status").out, "profile: Desk\n"))
        << "only the Programs page had edits: Desk is as loaded";

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
    ::SendMessageA(::GetDlgItem(page, IDC_PROGRAMS_LOAD), BM_CLICK, 0, 0);
    ::SendMessageA(::GetDlgItem(page, IDC_PROGRAMS_OTHERWISE), CB_SELECTSTRING, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>("Desk"));
    ::SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_PROGRAMS_OTHERWISE, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(::GetDlgItem(page, IDC_PROGRAMS_OTHERWISE)));
    ::PostMessageA(::GetDlgItem(sheet, kApplyButton), BM_CLICK, 0, 0);
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
    const HWND general = reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    ::SendMessageA(::GetDlgItem(general, IDC_SINGLE), BM_CLICK, 0, 0);
    ::SendMessageA(::GetDlgItem(general, IDC_CONTINUOUS), BM_CLICK, 0, 0);
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
    const HWND page = reinterpret_cast<HWND>(::SendMessageA(held, PSM_GETCURRENTPAGEHWND, 0, 0));
    ::SendMessageA(::GetDlgItem(page, IDC_SINGLE), BM_CLICK, 0, 0);
    ::SendMessageA(::GetDlgItem(page, IDC_CONTINUOUS), BM_CLICK, 0, 0);
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
