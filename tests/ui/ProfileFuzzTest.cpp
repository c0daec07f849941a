// Bad input on the Profile page of the real sheet with a simulated pad: random names typed and
// pasted into the real name box and saved with the page's button, and damaged profile files
// loaded through the page. Nothing may land outside the config folder, every failure is shown,
// and a load either takes the whole file or leaves the pad's key as it was.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <tuple>
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

// The profile folder holds nothing but profiles whose names obey the rule, its work folder
// nothing but the settings the last load replaced, and its history folder nothing but the pads'
// histories; the list shows exactly these profiles.
void ExpectOnlyProfiles(HWND page)
{
    std::vector<std::string> profiles;
    for (const std::string& entry : EntriesOf(g_szConfigDir)) {
        if (entry == "~work\\") {
            for (const std::string& kept : EntriesOf(std::string(g_szConfigDir) + "\\~work"))
                EXPECT_EQ("undo.reg", kept) << "left in the work folder";
            continue;
        }
        if (entry == "history\\") {
            for (const std::string& kept : EntriesOf(std::string(g_szConfigDir) + "\\history"))
                EXPECT_TRUE(kept.ends_with(".txt")) << kept << " left in the history folder";
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

// Wine 8.0 (64-bit) faults in its text layout when a name box shows the small tilde (0x98, U+02DC)
// with no letter before it, at the start or after a control character, once a system font with
// positioning tables (DejaVu) fills in for it: the test process dies painting the box. Windows has
// no such fault and the name rule refuses the tilde either way, so the random names put a letter
// before each tilde rather than lose the case.
std::string WithTildesOnALetter(const std::string& name)
{
    std::string kept;
    for (char c : name) {
        if (c == '\x98' && (kept.empty() || !std::isalnum(static_cast<unsigned char>(kept.back()))))
            kept += 'x';
        kept += c;
    }
    return kept;
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
    return WithTildesOnALetter(name);
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

// ---- files ----

namespace
{
// A key's values and sub-keys: "sub\|name" -> "type:" + data, and "sub\" for each sub-key.
using CTree = std::map<std::wstring, std::string>;

void ReadTree(HKEY key, const std::wstring& prefix, CTree& tree)
{
    DWORD subKeys = 0, longestSubKey = 0, values = 0, longestName = 0, longestData = 0;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &longestSubKey, nullptr, &values, &longestName,
                           &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    std::vector<wchar_t> name(std::max(longestName, longestSubKey) + 2);
    std::vector<BYTE> data(longestData + 1);
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (::RegEnumValueW(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize) == ERROR_SUCCESS)
            tree[prefix + L"|" + name.data()] = std::to_string(type) + ":" +
                                                std::string(data.begin(), data.begin() + dataSize);
    }
    for (DWORD i = 0; i < subKeys; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        if (::RegEnumKeyExW(key, i, name.data(), &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        const std::wstring path = prefix + name.data() + L"\\";
        tree[path] = "";
        HKEY child = nullptr;
        if (::RegOpenKeyExW(key, name.data(), 0, KEY_READ, &child) == ERROR_SUCCESS) {
            ReadTree(child, path, tree);
            ::RegCloseKey(child);
        }
    }
}

CTree TreeAt(const std::string& keyPath)
{
    CTree tree;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        ReadTree(key, L"", tree);
        ::RegCloseKey(key);
    }
    return tree;
}

void EnableHivePrivileges()
{
    HANDLE token = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
    SetPrivilege(token, SE_BACKUP_NAME, TRUE);
    SetPrivilege(token, SE_RESTORE_NAME, TRUE);
    ::CloseHandle(token);
}

// What the file holds as the system loads it as a hive (from a copy, as the program does); none
// when it does not load.
std::optional<CTree> HiveTree(const std::string& path, const std::string& scratchFolder)
{
    const std::string copy = scratchFolder + "\\oracle.hiv";
    if (!::CopyFileA(path.c_str(), copy.c_str(), FALSE))
        return std::nullopt;
    std::optional<CTree> tree;
    if (::RegLoadKeyA(HKEY_USERS, "KinetraFuzzOracle", copy.c_str()) == ERROR_SUCCESS) {
        HKEY root = nullptr;
        if (::RegOpenKeyExA(HKEY_USERS, "KinetraFuzzOracle", 0, KEY_READ, &root) == ERROR_SUCCESS) {
            tree.emplace();
            ReadTree(root, L"", *tree);
            ::RegCloseKey(root);
        }
        ::RegUnLoadKeyA(HKEY_USERS, "KinetraFuzzOracle");
    } else {
        // Wine leaves the key of a hive it could not load.
        ::RegDeleteKeyA(HKEY_USERS, "KinetraFuzzOracle");
    }
    for (const char* extra : {"", ".LOG", ".LOG1", ".LOG2"})
        ::DeleteFileA((copy + extra).c_str());
    return tree;
}

std::string Value(const CTree& tree, const wchar_t* name)
{
    const auto found = tree.find(std::wstring(L"|") + name);
    return found == tree.end() ? std::string() : found->second.substr(found->second.find(':') + 1);
}

// The key after a load of `file`: the file's values and sub-keys, except that each stick keeps
// its mouse flag from the file but takes the pad's calibration words from the model, and "LALA"
// copies the left one.
CTree LoadedTree(CTree file, const std::string& leftWords, const std::string& rightWords)
{
    const std::string binary = std::to_string(REG_BINARY) + ":";
    const std::string left = binary + Value(file, L"LeftAnalog").substr(0, 1) + leftWords;
    file[L"|LeftAnalog"] = left;
    file[L"|LALA"] = left;
    file[L"|RightAnalog"] = binary + Value(file, L"RightAnalog").substr(0, 1) + rightWords;
    return file;
}

enum class EOutcome { kFails, kLoads, kEither };

struct CFileCase
{
    std::string name;
    std::string bytes;
    EOutcome outcome;
};

// A hive saved by the system from a key holding `values` (name, type, bytes; wide names).
std::string SavedHive(const std::vector<std::tuple<std::wstring, DWORD, std::string>>& values,
                      const std::string& scratchFolder)
{
    ScratchKey key;
    for (const auto& [name, type, bytes] : values)
        ::RegSetValueExW(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                         static_cast<DWORD>(bytes.size()));
    const std::string path = scratchFolder + "\\saved.hiv";
    ::DeleteFileA(path.c_str());
    ::RegSaveKeyA(key.get(), path.c_str(), nullptr);
    std::string bytes = ReadFileBytes(path);
    ::DeleteFileA(path.c_str());
    return bytes;
}

// Hives that load but are no profile: one value of the settings of another type or size, or
// missing; and hives that are profiles with more in them.
std::vector<CFileCase> HiveCases(const CTree& good, const std::string& scratchFolder, std::mt19937& random)
{
    using CValues = std::vector<std::tuple<std::wstring, DWORD, std::string>>;
    CValues base;
    for (const wchar_t* name :
         {L"KeyConfig", L"KeyMap", L"Sensitivity", L"RightAnalog", L"ForceFeedBack", L"LeftAnalog", L"LALA"})
        base.emplace_back(name, REG_BINARY, Value(good, name));
    std::vector<CFileCase> cases;
    for (std::size_t i = 0; i < 12; ++i) {
        CValues values = base;
        auto& [name, type, bytes] = values[i % 6];
        switch ((i + i / 6) % 6) {
        case 0: type = REG_DWORD, bytes = bytes.substr(0, 4); break;
        case 1: type = REG_SZ; break;
        case 2: bytes.pop_back(); break;
        case 3: bytes += '\x01'; break;
        case 4: bytes.clear(); break;
        default: values.erase(values.begin() + static_cast<std::ptrdiff_t>(i % 6));
        }
        cases.push_back({"Wrong" + std::to_string(i), SavedHive(values, scratchFolder), EOutcome::kFails});
    }
    CValues more = base;
    more.emplace_back(L"Extra", REG_SZ, std::string("kept\0", 5));
    more.emplace_back(std::wstring(L"Smile\x263A"), REG_BINARY, "\x01");
    cases.push_back({"MoreValues", SavedHive(more, scratchFolder), EOutcome::kLoads});
    CValues garbage = base;
    for (auto& [name, type, bytes] : garbage)
        for (char& c : bytes)
            c = static_cast<char>(random());
    cases.push_back({"GarbageOfRightSizes", SavedHive(garbage, scratchFolder), EOutcome::kLoads});
    return cases;
}

// Cut, flipped and foreign files made from the saved profile `good`.
std::vector<CFileCase> DamagedCases(const std::string& good, std::mt19937& random)
{
    std::vector<CFileCase> cases = {{"Empty", "", EOutcome::kFails},
                                    {"HeaderOnly", good.substr(0, good.find('\n') + 1), EOutcome::kFails},
                                    {"LastByteCut", good.substr(0, good.size() - 1), EOutcome::kEither}};
    for (int i = 0; i < 8; ++i)
        cases.push_back(
            {"Cut" + std::to_string(i), good.substr(0, 1 + random() % (good.size() - 1)), EOutcome::kEither});
    for (int i = 0; i < 10; ++i) {
        std::string flipped = good;
        for (std::size_t n = 1 + random() % 4; n > 0; --n)
            flipped[random() % flipped.size()] ^= static_cast<char>(1 + random() % 255);
        cases.push_back({"Flip" + std::to_string(i), flipped, EOutcome::kEither});
    }
    for (int i = 0; i < 3; ++i) {
        std::string noise(1 + random() % 4096, '\0');
        for (char& c : noise)
            c = static_cast<char>(random());
        cases.push_back({"Noise" + std::to_string(i), noise, EOutcome::kFails});
        cases.push_back(
            {"HeaderNoise" + std::to_string(i), good.substr(0, good.find('\n') + 1) + noise, EOutcome::kEither});
    }
    std::string hugeNoise(8 << 20, '\0');
    for (char& c : hugeNoise)
        c = static_cast<char>(random());
    cases.push_back({"HugeNoise", hugeNoise, EOutcome::kFails});
    cases.push_back({"HugeComment", good + "\n;" + std::string(8 << 20, 'x') + "\n", EOutcome::kLoads});
    return cases;
}

// Hives the program mounted and never unmounted, and the copies it mounted left in the temporary folder.
int LeftMounts()
{
    int left = 0;
    char name[256];
    for (DWORD i = 0; ::RegEnumKeyA(HKEY_USERS, i, name, sizeof name) == ERROR_SUCCESS; ++i)
        left += std::string(name).starts_with("KinetraProfile-") ? 1 : 0;
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((std::string(temp) + "kpr*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do
            ++left;
        while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    return left;
}
}

TEST_F(ProfileFuzzFixture, DamagedProfileFilesLoadWholeOrNotAtAllAndUndoStillRestores)
{
    ScratchDir scratch;
    EnableHivePrivileges();
    const int mountsBefore = LeftMounts();
    RunProfilePage([&](HWND sheetWindow, HWND page) {
        WriteBindingsAsTheProgram(pad->KeyPath(), 0x10);
        TypeName(page, "Good");
        Click(page, IDC_PROFILE_SAVE_AS);
        const std::string good = ReadFileBytes(ConfigFile("Good.reg"));
        const std::optional<CTree> goodTree = HiveTree(ConfigFile("Good.reg"), scratch.path());
        ASSERT_TRUE(goodTree) << "the saved profile does not load as a hive";

        std::mt19937 random(1252);
        std::vector<CFileCase> cases = DamagedCases(good, random);
        for (CFileCase& hive : HiveCases(*goodTree, scratch.path(), random))
            cases.push_back(std::move(hive));
        // A folder named like a profile is no profile: it is not listed, and no save replaces it.
        const std::string folder = ConfigFile("Folder.reg");
        ::DeleteFileA((folder + "\\inner.reg").c_str());  // left by a run that failed
        ::RemoveDirectoryA(folder.c_str());
        ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
        WriteAll(folder + "\\inner.reg", good);
        for (const CFileCase& file : cases)
            WriteAll(ConfigFile(file.name + ".reg"), file.bytes);
        ShowPage(sheetWindow, 0);
        ShowPage(sheetWindow, ProfilePageIndex());
        EXPECT_LT(ItemOf(page, "Folder"), 0);
        std::size_t shown = messages.messages().size();
        TypeName(page, "Folder");
        Click(page, IDC_PROFILE_SAVE_AS);
        ASSERT_EQ(shown + 1, messages.messages().size()) << Shown();
        EXPECT_EQ("Save Fail", messages.messages().back().caption);
        EXPECT_EQ(std::vector<std::string>{"inner.reg"}, FilesIn(folder)) << "the folder is as it was";

        // The first load of a good profile tells the pad's calibration words.
        WriteBindingsAsTheProgram(pad->KeyPath(), 0x30);
        CTree before = TreeAt(pad->KeyPath());
        ClickItem(page, "Good");
        Click(page, IDC_PROFILE_LOAD);
        ASSERT_EQ(0u, messages.messages().size() - shown - 1) << Shown();
        const std::string leftWords = Value(TreeAt(pad->KeyPath()), L"LeftAnalog").substr(1);
        const std::string rightWords = Value(TreeAt(pad->KeyPath()), L"RightAnalog").substr(1);
        ASSERT_EQ(20u, leftWords.size());
        EXPECT_EQ(LoadedTree(*goodTree, leftWords, rightWords), TreeAt(pad->KeyPath()));
        CTree undo = before;

        int loaded = 0;
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const CFileCase& file = cases[i];
            before = TreeAt(pad->KeyPath());
            const std::optional<CTree> content = HiveTree(ConfigFile(file.name + ".reg"), scratch.path());
            shown = messages.messages().size();
            const std::size_t reloads = pad->ReloadCount();
            ClickItem(page, file.name, i % 2 == 1);
            if (i % 2 == 0)
                Click(page, IDC_PROFILE_LOAD);
            const CTree after = TreeAt(pad->KeyPath());
            if (messages.messages().size() == shown) {
                ++loaded;
                EXPECT_NE(EOutcome::kFails, file.outcome) << file.name << " was loaded";
                ASSERT_TRUE(content) << file.name << " was loaded, but it does not load as a hive";
                EXPECT_EQ(LoadedTree(*content, leftWords, rightWords), after)
                    << file.name << " is not wholly in the key";
                EXPECT_TRUE(pad->WaitForReloads(reloads + 1, 3000)) << file.name << ": no reload";
                undo = before;
            } else {
                EXPECT_EQ("[Profile] RegRestoreKey Fail!!", ShownSince(shown)) << file.name;
                EXPECT_NE(EOutcome::kLoads, file.outcome) << file.name << " was not loaded";
                EXPECT_EQ(before, after) << file.name << " changed the key, though its load failed";
            }
            EXPECT_EQ(file.bytes, ReadFileBytes(ConfigFile(file.name + ".reg"))) << "loading changed " << file.name;
        }
        EXPECT_GT(loaded, 3);

        // The pages show whatever the last profile held, then the last load is taken back.
        for (int index = 0; index <= ProfilePageIndex(); ++index)
            ShowPage(sheetWindow, index);
        ASSERT_TRUE(Enabled(page, IDC_PROFILE_UNDO));
        shown = messages.messages().size();
        Click(page, IDC_PROFILE_UNDO);
        EXPECT_EQ(shown, messages.messages().size()) << Shown();
        EXPECT_EQ(undo, TreeAt(pad->KeyPath())) << "Undo Load brought back other settings";
        EXPECT_FALSE(Enabled(page, IDC_PROFILE_UNDO));

        ::DeleteFileA((folder + "\\inner.reg").c_str());
        ::RemoveDirectoryA(folder.c_str());
        ExpectOnlyProfiles(page);
        EXPECT_EQ(0, StrayWindows(sheetWindow)) << "a window is left open";
    });
    EXPECT_EQ(mountsBefore, LeftMounts()) << "a mounted profile or its copy was left behind";
}
