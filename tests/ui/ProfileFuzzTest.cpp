// Bad input on the Profile page of the real sheet with a simulated pad: random names typed and
// pasted into the real name box and saved with the page's button, and damaged profile files
// loaded through the page. Nothing may land outside the config folder, every failure is shown,
// and a load either takes the whole file or leaves the pad's key as it was.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "profiles/DeviceKeyFile.h"
#include "profiles/ProfileRules.h"
#include "support/TestSupport.h"
#include "ui/ProfilePageHelpers.h"
#include "ui/UiHelpers.h"

namespace
{
std::set<std::string> EntriesOf(const std::string& folder)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.insert(name + (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? "\\" : ""));
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return names;
}

// Every entry below `folder` as a path relative to it (folders end in "\"), but `skip`'s content.
void CollectTree(const std::string& folder, const std::string& relative, const std::string& skip,
                 std::set<std::string>& tree)
{
    for (const std::string& entry : EntriesOf(folder + relative)) {
        tree.insert(relative + entry);
        if (entry.back() == '\\' && relative + entry != skip)
            CollectTree(folder, relative + entry, skip, tree);
    }
}

bool EndsWithReg(const std::string& name)
{
    return name.size() >= 4 && ::lstrcmpiA(name.c_str() + name.size() - 4, ".reg") == 0;
}

// The program folder with all it holds (the profile folder's content apart), and the entries
// of each folder above it up to the drive's root.
struct CFolderSnapshot
{
    std::set<std::string> program;
    std::vector<std::pair<std::string, std::set<std::string>>> above;

    static CFolderSnapshot Take()
    {
        CFolderSnapshot snapshot;
        std::string folder = g_szExeDir;
        folder.pop_back();
        CollectTree(folder, "\\", "\\config\\", snapshot.program);
        for (std::size_t slash = folder.find_last_of('\\'); slash != std::string::npos;
             slash = folder.find_last_of('\\')) {
            folder.resize(slash);
            snapshot.above.emplace_back(folder, EntriesOf(folder));
        }
        return snapshot;
    }

    // What appeared since `before`: anything in the program folder, and above it any ".reg"
    // entry (other programs on this machine may add their own files there meanwhile; every
    // file a profile name makes ends in ".reg").
    std::vector<std::string> NewSince(const CFolderSnapshot& before) const
    {
        std::vector<std::string> added;
        for (const std::string& entry : program)
            if (!before.program.count(entry))
                added.push_back(g_szExeDir + entry.substr(1));
        for (std::size_t i = 0; i < above.size() && i < before.above.size(); ++i)
            for (const std::string& entry : above[i].second)
                if (!before.above[i].second.count(entry) && EndsWithReg(entry.substr(0, entry.find('\\'))))
                    added.push_back(above[i].first + "\\" + entry);
        return added;
    }
};

std::string NameProblem(const std::string& name)
{
    return ProfileNameProblem(name, std::strlen(g_szConfigDir));
}

std::string Lower(std::string text)
{
    ::CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The profile folder holds nothing but profiles whose names obey the rule, and its work folder
// nothing but the settings the last load replaced; the list shows exactly these profiles.
void ExpectOnlyProfiles(HWND page)
{
    std::vector<std::string> profiles;
    for (const std::string& entry : EntriesOf(g_szConfigDir)) {
        if (entry == "~work\\") {
            for (const std::string& kept : EntriesOf(std::string(g_szConfigDir) + "\\~work"))
                EXPECT_EQ("undo.reg", kept) << "left in the work folder";
            continue;
        }
        ASSERT_TRUE(EndsWithReg(entry)) << entry;
        const std::string name = entry.substr(0, entry.size() - 4);
        EXPECT_EQ("", NameProblem(name)) << "a profile file of a refused name: " << entry;
        profiles.push_back(name);
    }
    std::vector<std::string> listed = ListedNames(page);
    std::sort(listed.begin(), listed.end());
    std::sort(profiles.begin(), profiles.end());
    EXPECT_EQ(profiles, listed);
}

// Visible windows of this process other than the sheet: a box left open would be one.
BOOL CALLBACK CollectStrayWindow(HWND window, LPARAM lParam)
{
    auto* stray = reinterpret_cast<std::pair<HWND, int>*>(lParam);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == ::GetCurrentProcessId() && window != stray->first && ::IsWindowVisible(window))
        ++stray->second;
    return TRUE;
}

int StrayWindows(HWND sheetWindow)
{
    std::pair<HWND, int> stray{sheetWindow, 0};
    ::EnumWindows(CollectStrayWindow, reinterpret_cast<LPARAM>(&stray));
    return stray.second;
}

// ---- names ----

enum class EInput {
    kTyped,   // one WM_CHAR per character, posted through the queue (what Alt+number codes give)
    kPasted,  // the clipboard, and WM_PASTE as the box's context menu sends it
    kCtrlV,   // the clipboard, and V pressed while Ctrl is held
};
const char* const kInputNames[] = {"typed", "pasted", "Ctrl+V"};

void SetClipboardText(const std::string& text)
{
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(::GlobalLock(memory), text.c_str(), text.size() + 1);
    ::GlobalUnlock(memory);
    if (!::SetClipboardData(CF_TEXT, memory))
        ::GlobalFree(memory);
    ::CloseClipboard();
}

// Puts `text` into the empty name box the way `how` says, and waits until the box has taken it.
void EnterName(HWND box, const std::string& text, EInput how, const CUiThread& ui)
{
    ::SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    if (how == EInput::kTyped) {
        for (char c : text)
            ::PostMessageA(box, WM_CHAR, static_cast<unsigned char>(c), 1);
        ASSERT_TRUE(ui.Flush());
        return;
    }
    SetClipboardText(text);
    if (how == EInput::kPasted) {
        ::PostMessageA(box, WM_PASTE, 0, 0);
        ASSERT_TRUE(ui.Flush());
        return;
    }
    CKeyHeld control(box, VK_CONTROL, VK_LCONTROL);
    const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyA('V', MAPVK_VK_TO_VSC)) << 16;
    ::PostMessageA(box, WM_KEYDOWN, 'V', 1 | scan);
    ::PostMessageA(box, WM_KEYUP, 'V', 1 | scan | 0xC0000000);
    // The loop makes the key into a character posted behind the first mark: a second mark follows it.
    ASSERT_TRUE(ui.Flush());
    ASSERT_TRUE(ui.Flush());
}

std::string RandomName(std::mt19937& random)
{
    static const std::string kPieces[] = {"..", ".", "\\",  "/",   ":",    "*",  "?",  "\"",   "<",    ">",
                                          "|",  " ", "CON", "nul", "COM1", "C:", "\t", "\x7F", "\xE9", "\xFF"};
    std::string name;
    switch (random() % 3) {
    case 0:
        for (std::size_t n = random() % 24; n > 0; --n)
            name += static_cast<char>(1 + random() % 255);
        break;
    case 1:
        for (std::size_t n = 1 + random() % 5; n > 0; --n)
            name += random() % 2 ? kPieces[random() % std::size(kPieces)] : std::string(1, 'a' + random() % 26);
        break;
    default:
        for (std::size_t n = 200 + random() % 200; n > 0; --n)
            name += static_cast<char>(random() % 4 ? 'a' + random() % 26 : 1 + random() % 255);
    }
    return name;
}

std::vector<std::string> NameCases()
{
    const std::size_t longest = kProfilePathBuffer - std::strlen(g_szConfigDir) - 1 - 4 - 1;
    std::vector<std::string> names = {"",
                                      " ",
                                      ".",
                                      "..",
                                      "...",
                                      "\\",
                                      "/",
                                      "..\\escaped",
                                      "../escaped",
                                      "..\\..\\escaped",
                                      "\\\\?\\C:\\escaped",
                                      "C:\\escaped",
                                      "Z:escaped",
                                      "x:y",
                                      "CON",
                                      "nul",
                                      "COM1",
                                      "lpt1",
                                      "AUX",
                                      "Com\xB9",
                                      "CONOUT$",
                                      "con.txt",
                                      "dot.",
                                      "space ",
                                      " Lead",
                                      "tab\there",
                                      "a*b",
                                      "a?b",
                                      "\"q\"",
                                      "<a>",
                                      "a|b",
                                      "Caf\xE9 \x80\xFF",
                                      std::string(longest, 'L'),
                                      std::string(longest + 1, 'M'),
                                      std::string(1000, 'N')};
    std::mt19937 random(1252);
    for (int i = 0; i < 12; ++i)
        names.push_back(RandomName(random));
    return names;
}
}

struct ProfileFuzzFixture : ProfilePageFixture
{
    // Saves what is in the name box with the page's button and checks what it did.
    void SaveAndCheck(HWND page, const std::string& name, const char* how)
    {
        const std::set<std::string> before = EntriesOf(g_szConfigDir);
        const std::string onDiskBefore = Lower(name + ".reg");
        const bool listed = ProfileExistsOnPage(page, name);
        const bool caseTwin = !listed && std::any_of(before.begin(), before.end(), [&](const std::string& entry) {
            return Lower(entry) == onDiskBefore;
        });
        const std::size_t shown = messages.messages().size();
        Click(page, IDC_PROFILE_SAVE_AS);
        const std::string problem = name.empty() ? "Nothing input!" : NameProblem(name);
        const std::string where = std::string(how) + " \"" + name + "\"";
        if (!problem.empty()) {
            EXPECT_EQ("[Save Fail] " + problem, ShownSince(shown)) << where;
            EXPECT_EQ(before, EntriesOf(g_szConfigDir)) << where;
        } else if (listed) {
            ASSERT_EQ(shown + 1, messages.messages().size()) << where << "\n" << Shown();
            EXPECT_EQ("Save as...", messages.messages().back().caption) << where;
            EXPECT_TRUE(Exists(ConfigFile(name + ".reg"))) << where;
        } else if (!caseTwin) {
            EXPECT_EQ(shown, messages.messages().size()) << where << "\n" << Shown();
            EXPECT_EQ(1u, EntriesOf(g_szConfigDir).count(name + ".reg")) << where;
        }
    }

    static bool ProfileExistsOnPage(HWND page, const std::string& name)
    {
        const std::vector<std::string> listed = ListedNames(page);
        return std::find(listed.begin(), listed.end(), name) != listed.end();
    }
};

TEST_F(ProfileFuzzFixture, NamesTypedOrPastedNeverMakeAFileOutsideTheProfileFolder)
{
    WriteBindings(pad->KeyPath(), 0x10);
    const CUiThread ui;
    const CFolderSnapshot before = CFolderSnapshot::Take();
    RunProfilePage([&](HWND sheetWindow, HWND page) {
        const HWND box = ::GetDlgItem(page, IDC_PROFILE_NAME);
        ::SendMessageA(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(box), TRUE);
        int refusedReached = 0;
        for (const std::string& text : NameCases()) {
            for (EInput how : {EInput::kTyped, EInput::kPasted, EInput::kCtrlV}) {
                EnterName(box, text, how, ui);
                const std::string name = NameText(page);
                ++refusedReached;
                SaveAndCheck(page, name, kInputNames[static_cast<int>(how)]);
                if (HasFatalFailure())
                    return;
            }
        }
        EXPECT_GT(refusedReached, 60) << "names with separators hardly reached the page";
        ExpectOnlyProfiles(page);
        EXPECT_EQ(0, StrayWindows(sheetWindow)) << "a window is left open";
        for (const char* saved : {" Lead", "Caf\xE9 \x80\xFF"})
            EXPECT_GE(ItemOf(page, saved), 0) << saved << " was not saved";
        EXPECT_GE(ItemOf(page, std::string(kProfilePathBuffer - std::strlen(g_szConfigDir) - 6, 'L').c_str()), 0)
            << "the longest name was not saved";
    });
    const std::vector<std::string> escaped = CFolderSnapshot::Take().NewSince(before);
    EXPECT_EQ(std::vector<std::string>{}, escaped);
    for (const std::string& path : escaped)
        ::DeleteFileA(path.c_str());
}
