// The Profile page on the real sheet with a simulated pad: profile files in the program's
// config folder, the pad's key in the Wine registry, and what the simulated driver reloaded.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>
#include <dlgs.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>

#include "app/Main.h"
#include "support/DemoProcess.h"
#include "support/TestSupport.h"
#include "ui/ProfilePageHelpers.h"
#include "ui/UiHelpers.h"

TEST_F(ProfilePageFixture, SaveOverwriteCaseAndListing)
{
    WriteBindings(pad->KeyPath(), 0x10);
    RunProfilePage([&](HWND, HWND page) {
        ASSERT_EQ(1, model->m_bDeviceActive);
        EXPECT_FALSE(Enabled(page, IDC_PROFILE_LOAD)) << "no profiles yet";
        EXPECT_TRUE(Enabled(page, IDC_PROFILE_SAVE_AS));
        EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(page, IDC_PROFILE_IMPORT)));
        EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(page, IDC_PROFILE_EXPORT)));

        std::size_t before = messages.messages().size();
        Click(page, IDC_PROFILE_SAVE_AS);
        EXPECT_EQ("[Save Fail] Nothing input!", ShownSince(before));

        TypeName(page, "Race1");
        Click(page, IDC_PROFILE_SAVE_AS);
        EXPECT_EQ(before + 1, messages.messages().size()) << Shown();
        EXPECT_EQ(std::vector<std::string>{"Race1"}, ListedNames(page));
        EXPECT_TRUE(Enabled(page, IDC_PROFILE_LOAD));
        const std::string first = ReadFileBytes(ConfigFile("Race1.reg"));
        ASSERT_FALSE(first.empty());

        // Overwrite, declined: the file stays as it was.
        WriteBindings(pad->KeyPath(), 0x20);
        messages.answer = IDCANCEL;
        before = messages.messages().size();
        Click(page, IDC_PROFILE_SAVE_AS);
        ASSERT_EQ(before + 2, messages.messages().size()) << Shown();
        EXPECT_EQ("Profile Race1 already exists!\nWould you like to overwrite existing file?",
                  messages.messages()[before].text);
        EXPECT_EQ("Save as...", messages.messages()[before].caption);
        EXPECT_EQ("Current Configuration would not be saved!", messages.messages()[before + 1].text);
        EXPECT_EQ("Notice..", messages.messages()[before + 1].caption);
        EXPECT_EQ(first, ReadFileBytes(ConfigFile("Race1.reg")));

        // Overwrite, accepted: the new settings replace the file; no temporary file is listed.
        messages.answer = IDOK;
        Click(page, IDC_PROFILE_SAVE_AS);
        const std::string second = ReadFileBytes(ConfigFile("Race1.reg"));
        EXPECT_FALSE(second.empty());
        EXPECT_NE(first, second);
        EXPECT_EQ(std::vector<std::string>{"Race1"}, ListedNames(page));

        // race1 is another name to the list but the same file to the file system.
        before = messages.messages().size();
        TypeName(page, "race1");
        Click(page, IDC_PROFILE_SAVE_AS);
        EXPECT_EQ(
            "[Save Fail] Profile race1 was not saved: the profile Race1 differs from it only in upper and lower case!",
            ShownSince(before));
        EXPECT_EQ(second, ReadFileBytes(ConfigFile("Race1.reg")));
        EXPECT_EQ(std::vector<std::string>{"Race1"}, ListedNames(page));

        // A file a.b.reg is listed as a, whose file a.reg does not exist.
        WriteAll(ConfigFile("a.b.reg"), ReadFileBytes(ConfigFile("Race1.reg")));
        // Each activation of the page rescans the folder.
        ShowPage(::GetParent(page), 0);
        ShowPage(::GetParent(page), ProfilePageIndex());
        EXPECT_GE(ItemOf(page, "a"), 0);
        const auto keyBefore = KeyValues(pad->KeyPath());
        ClickItem(page, "a");
        EXPECT_EQ("a", NameText(page)) << "a click puts the name into the box";
        before = messages.messages().size();
        Click(page, IDC_PROFILE_LOAD);
        EXPECT_EQ("[Profile] RegRestoreKey Fail!!", ShownSince(before));
        EXPECT_EQ(keyBefore, KeyValues(pad->KeyPath()));
        ::InvalidateRect(::GetParent(page), nullptr, TRUE);
        ::RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        ::Sleep(300);
        ::SendMessageA(page, WM_NULL, 0, 0);
        SaveScreenshot("profile_page");
    });
}

namespace
{
void SetTextValue(const std::string& keyPath, const char* name, const std::string& text)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_SET_VALUE, &key));
    ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>(text.size() + 1));
    ::RegCloseKey(key);
}
}

// Both ways a load goes: a profile of the settings alone is written value by value, and what
// it replaced is kept in memory; one with a value more (a note someone left in the pad's key) is
// restored as a hive, and what it replaced waits in the undo file.
TEST_F(ProfilePageFixture, LoadBringsBackTheSavedBytesAndUndoTheOnesBefore)
{
    RunProfilePage([&](HWND, HWND page) {
        ASSERT_EQ(1, model->m_bDeviceActive);
        EXPECT_FALSE(Enabled(page, IDC_PROFILE_UNDO)) << "nothing loaded yet";
        const std::string undoFile = ConfigFile("~work\\undo.reg");
        for (const bool extra : {false, true}) {
            const std::string name = extra ? "Noted" : "Race1";
            WriteBindingsAsTheProgram(pad->KeyPath(), 0x10);
            if (extra)
                SetTextValue(pad->KeyPath(), "Note", "left by hand");
            TypeName(page, name);
            Click(page, IDC_PROFILE_SAVE_AS);
            const auto saved = KeyValues(pad->KeyPath());

            WriteBindingsAsTheProgram(pad->KeyPath(), 0x30);
            const auto changed = KeyValues(pad->KeyPath());
            ASSERT_NE(saved, changed);
            const std::size_t reloads = pad->ReloadCount();
            ClickItem(page, name);
            Click(page, IDC_PROFILE_LOAD);
            EXPECT_TRUE(messages.messages().empty()) << Shown();
            EXPECT_EQ(saved, KeyValues(pad->KeyPath())) << name;
            EXPECT_EQ(extra, Exists(undoFile)) << name << ": only the full restore keeps an undo file";
            ASSERT_TRUE(pad->WaitForReloads(reloads + 1, 3000)) << "the driver was not told to reload";
            for (const CDriverValue& value : kDriverValues)
                EXPECT_EQ(saved.at(value.name), pad->Reloads().back().values.at(value.name)) << value.name;
            EXPECT_EQ(0x10, model->m_KeyMap[0]) << "the model holds the profile";

            ASSERT_TRUE(Enabled(page, IDC_PROFILE_UNDO)) << name;
            Click(page, IDC_PROFILE_UNDO);
            EXPECT_TRUE(messages.messages().empty()) << Shown();
            EXPECT_EQ(changed, KeyValues(pad->KeyPath())) << name << ": undo brings back the bytes before the load";
            ASSERT_TRUE(pad->WaitForReloads(reloads + 2, 3000));
            EXPECT_EQ(changed.at("KeyMap"), pad->Reloads().back().values.at("KeyMap"));
            EXPECT_FALSE(Enabled(page, IDC_PROFILE_UNDO)) << name << ": one load, one undo";
            EXPECT_FALSE(Exists(undoFile));
        }
        EXPECT_EQ((std::vector<std::string>{"Noted", "Race1"}), ListedNames(page))
            << "the kept settings are not listed";

        // A double click loads at once, without a question.
        ClickItem(page, "Race1", true);
        EXPECT_TRUE(messages.messages().empty()) << Shown();
        EXPECT_EQ(0x10, KeyValues(pad->KeyPath()).at("KeyMap").at(0));
    });
}

TEST_F(ProfilePageFixture, BadFilesAreReportedAndTheKeyIsUntouched)
{
    WriteBindings(pad->KeyPath(), 0x10);
    RunProfilePage([&](HWND sheetWindow, HWND page) {
        TypeName(page, "Good");
        Click(page, IDC_PROFILE_SAVE_AS);
        const std::string good = ReadFileBytes(ConfigFile("Good.reg"));
        ASSERT_GT(good.size(), 40u);
        WriteAll(ConfigFile("Truncated.reg"), good.substr(0, good.size() / 2));
        WriteAll(ConfigFile("Empty.reg"), "");
        std::string noise(700, '\0');
        for (std::size_t i = 0; i < noise.size(); ++i)
            noise[i] = static_cast<char>((i * 7919 + 13) % 251);
        WriteAll(ConfigFile("Noise.reg"), noise);
        ShowPage(sheetWindow, 0);
        ShowPage(sheetWindow, ProfilePageIndex());
        WriteBindings(pad->KeyPath(), 0x40);
        const auto before = KeyValues(pad->KeyPath());
        for (const char* name : {"Truncated", "Empty", "Noise"}) {
            const std::size_t shown = messages.messages().size();
            ClickItem(page, name);
            Click(page, IDC_PROFILE_LOAD);
            EXPECT_EQ("[Profile] RegRestoreKey Fail!!", ShownSince(shown)) << name;
            EXPECT_EQ(before, KeyValues(pad->KeyPath())) << name;
        }
        EXPECT_FALSE(Enabled(page, IDC_PROFILE_UNDO)) << "nothing was loaded";
    });
}

TEST_F(ProfilePageFixture, DeleteAsksAndAFailedDeleteOrSaveIsReported)
{
    WriteBindings(pad->KeyPath(), 0x10);
    RunProfilePage([&](HWND, HWND page) {
        TypeName(page, "Race1");
        Click(page, IDC_PROFILE_SAVE_AS);
        const std::string saved = ReadFileBytes(ConfigFile("Race1.reg"));

        messages.answer = IDCANCEL;
        std::size_t before = messages.messages().size();
        ClickItem(page, "Race1");
        Click(page, IDC_PROFILE_DELETE);
        ASSERT_EQ(before + 1, messages.messages().size()) << Shown();
        EXPECT_EQ("Are You Sure to Delete the Profile?\n\"Race1\"", messages.messages().back().text);
        EXPECT_EQ("Delete..", messages.messages().back().caption);
        EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION), messages.messages().back().type);
        EXPECT_TRUE(Exists(ConfigFile("Race1.reg")));

        // A read-only profile can neither be deleted nor replaced; both say so.
        ASSERT_TRUE(::SetFileAttributesA(ConfigFile("Race1.reg").c_str(), FILE_ATTRIBUTE_READONLY));
        messages.answer = IDOK;
        before = messages.messages().size();
        ClickItem(page, "Race1");
        Click(page, IDC_PROFILE_DELETE);
        EXPECT_EQ("The Profile \"Race1\" could not be deleted!", messages.messages().back().text) << Shown();
        EXPECT_EQ(before + 2, messages.messages().size());

        WriteBindings(pad->KeyPath(), 0x50);
        before = messages.messages().size();
        TypeName(page, "Race1");
        Click(page, IDC_PROFILE_SAVE_AS);
        ASSERT_EQ(before + 2, messages.messages().size()) << Shown();
        EXPECT_EQ("Profile Race1 could not be saved!\nThe profile saved before under this name is kept.",
                  messages.messages().back().text);
        EXPECT_EQ(saved, ReadFileBytes(ConfigFile("Race1.reg"))) << "the old profile is intact";
        EXPECT_EQ(std::vector<std::string>{"Race1"}, ListedNames(page));

        ::SetFileAttributesA(ConfigFile("Race1.reg").c_str(), FILE_ATTRIBUTE_NORMAL);
        ClickItem(page, "Race1");
        Click(page, IDC_PROFILE_DELETE);
        EXPECT_FALSE(Exists(ConfigFile("Race1.reg")));
        EXPECT_TRUE(ListedNames(page).empty());
        EXPECT_FALSE(Enabled(page, IDC_PROFILE_LOAD));
    });
}

TEST_F(ProfilePageFixture, TheNameBoxTakesLettersAndDigitsAndEveryNameIsChecked)
{
    RunProfilePage([&](HWND, HWND page) {
        const HWND box = ::GetDlgItem(page, IDC_PROFILE_NAME);
        ::SendMessageA(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(box), TRUE);
        ASSERT_EQ(box, FocusOf(page));
        TypeName(page, "ab");
        ::SendMessageA(box, EM_SETSEL, 1, 1);
        for (UINT key : {static_cast<UINT>(VK_OEM_MINUS), static_cast<UINT>(VK_SPACE), static_cast<UINT>(VK_DELETE),
                         static_cast<UINT>(VK_LEFT), static_cast<UINT>(VK_TAB)}) {
            const std::size_t before = messages.messages().size();
            PressKey(box, key);
            EXPECT_EQ("[Profile] Only Characters can be accept in the Profile Name!", ShownSince(before))
                << "key " << key;
            EXPECT_EQ("ab", NameText(page)) << "key " << key;
        }
        EXPECT_EQ(box, FocusOf(page)) << "Tab did not move the focus";
        DWORD start = 0;
        ::SendMessageA(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
        EXPECT_EQ(1u, start) << "the arrow did not move the caret";

        const std::size_t before = messages.messages().size();
        {
            CKeyHeld shift(page, VK_SHIFT, VK_LSHIFT);
            PressKey(box, '1');
            PressKey(box, 'A');
        }
        PressKey(box, '7');
        EXPECT_EQ("aA7b", NameText(page)) << "Shift+1 ignored, Shift+A typed A";
        EXPECT_EQ(before, messages.messages().size()) << Shown();

        // Pasted text skips the key filter; the name is checked when it is used.
        const std::size_t files = FilesIn(g_szConfigDir).size();
        const std::string tooLong(300, 'x');
        const std::string parentFile = std::string(g_szExeDir) + "x.reg";
        for (const std::string& name : {std::string("..\\x"), std::string("CON"), std::string("con.txt"),
                                        std::string("a/b"), std::string("Race1 "), tooLong}) {
            const std::size_t shown = messages.messages().size();
            TypeName(page, name);
            Click(page, IDC_PROFILE_SAVE_AS);
            ASSERT_EQ(shown + 1, messages.messages().size()) << name;
            EXPECT_EQ("Save Fail", messages.messages().back().caption) << name;
            EXPECT_EQ(files, FilesIn(g_szConfigDir).size()) << name;
        }
        EXPECT_FALSE(Exists(parentFile));
        EXPECT_FALSE(Exists(std::string(g_szConfigDir) + "\\a"));
        EXPECT_TRUE(ListedNames(page).empty());
    });
}

namespace
{
// Names `path` in the open file dialog the way a person types it, and presses Open; the
// dialog, while it shows, to `inspect`.
void ChooseInFileDialog(HWND page, int button, const std::string& path, const std::function<void(HWND)>& inspect = {})
{
    ::PostMessageA(::GetDlgItem(page, button), BM_CLICK, 0, 0);
    const HWND dialog = WaitForOwnWindow("Open", 10000);
    ASSERT_NE(nullptr, dialog) << "the file dialog never showed";
    // Its folder view fills in once the dialog is up.
    ::Sleep(300);
    if (inspect)
        inspect(dialog);
    HWND box = ::GetDlgItem(dialog, cmb13);
    if (HWND edit = ::FindWindowExA(box, nullptr, "Edit", nullptr))
        box = edit;
    if (!box)
        box = ::GetDlgItem(dialog, edt1);
    ASSERT_NE(nullptr, box);
    ::SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    ::PostMessageA(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); }, 5000)) << "the file dialog did not close";
    ::SendMessageA(page, WM_NULL, 0, 0);
}

}

TEST_F(ProfilePageFixture, ImportTakesCopyNamesAndExportNeverWritesOverAFile)
{
    WriteBindings(pad->KeyPath(), 0x10);
    ScratchDir outside;
    RunProfilePage([&](HWND, HWND page) {
        TypeName(page, "X");
        Click(page, IDC_PROFILE_SAVE_AS);
        const std::string profile = ReadFileBytes(ConfigFile("X.reg"));
        WriteAll(outside.path() + "\\X.reg", profile);

        ChooseInFileDialog(page, IDC_PROFILE_IMPORT, outside.path() + "\\X.reg", [&](HWND dialog) {
            EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(dialog, 1040))) << "no open-as-read-only";
            HWND toolbar = ::GetDlgItem(dialog, ctl1);
            if (!toolbar)
                toolbar = ::FindWindowExA(dialog, nullptr, TOOLBARCLASSNAMEA, nullptr);
            ASSERT_NE(nullptr, toolbar);
            // Windows' new-folder command is 0xA002; Wine's toolbar numbers its buttons otherwise
            // (0xA064..0xA066), so under Wine the hidden button cannot be seen here.
            if (::SendMessageA(toolbar, TB_COMMANDTOINDEX, 0xA002, 0) >= 0) {
                EXPECT_TRUE(::SendMessageA(toolbar, TB_ISBUTTONHIDDEN, 0xA002, 0)) << "no new folder";
            } else {
                std::printf(
                    "[   NOTE   ] no toolbar command 0xA002 under Wine: the hidden new-folder button is not checked\n");
            }
            const HWND view = ::FindWindowExA(dialog, nullptr, "SHELLDLL_DefView", nullptr);
            const HWND list = view ? ::FindWindowExA(view, nullptr, WC_LISTVIEWA, nullptr) : nullptr;
            ASSERT_NE(nullptr, list) << "no file list";
            EXPECT_FALSE(::GetWindowLongPtrA(list, GWL_STYLE) & LVS_EDITLABELS) << "no renaming";
            EXPECT_TRUE(::SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
            SaveScreenshot("profile_file_dialog");
        });
        ChooseInFileDialog(page, IDC_PROFILE_IMPORT, outside.path() + "\\X.reg");
        ChooseInFileDialog(page, IDC_PROFILE_IMPORT, outside.path() + "\\X.reg");
        EXPECT_TRUE(messages.messages().empty()) << Shown();
        EXPECT_EQ((std::vector<std::string>{"Copy (1) of X.reg", "Copy (2) of X.reg", "Copy of X.reg", "X.reg"}),
                  FilesIn(g_szConfigDir));
        EXPECT_EQ(profile, ReadFileBytes(ConfigFile("Copy (2) of X.reg")));
        EXPECT_EQ(4u, ListedNames(page).size());

        // Export: first the selection, then a copy under the chosen name and nothing else.
        std::size_t before = messages.messages().size();
        Click(page, IDC_PROFILE_EXPORT);
        EXPECT_EQ("[Kinetra] Please select the profile from the List first", ShownSince(before));
        ::DeleteFileA((outside.path() + "\\X.reg").c_str());
        ClickItem(page, "X");
        before = messages.messages().size();
        ChooseInFileDialog(page, IDC_PROFILE_EXPORT, outside.path() + "\\Out.reg");
        EXPECT_EQ("[Export..] Export Finish!", ShownSince(before));
        EXPECT_EQ(std::vector<std::string>{"Out.reg"}, FilesIn(outside.path()));
        EXPECT_EQ(profile, ReadFileBytes(outside.path() + "\\Out.reg"));

        // Exporting onto a file that exists fails, says why, and leaves no copy behind.
        WriteAll(outside.path() + "\\Out.reg", "the user's own file");
        ClickItem(page, "X");
        before = messages.messages().size();
        ChooseInFileDialog(page, IDC_PROFILE_EXPORT, outside.path() + "\\Out.reg");
        ASSERT_EQ(before + 1, messages.messages().size()) << Shown();
        EXPECT_EQ("Error", messages.messages().back().caption);
        EXPECT_FALSE(messages.messages().back().text.empty());
        EXPECT_EQ("the user's own file", ReadFileBytes(outside.path() + "\\Out.reg"));
        EXPECT_EQ(std::vector<std::string>{"Out.reg"}, FilesIn(outside.path()));
    });
}

namespace
{
// A hidden window of the program's own kind on this thread, told of pads arriving and leaving
// as the system tells the program's window: the device refreshes run where they run in Kinetra.
class CArrivalWindow
{
public:
    CArrivalWindow()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = MainWndProc;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "KinetraTestArrivals";
        ::RegisterClassA(&windowClass);
        m_hWnd = ::CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   windowClass.hInstance, nullptr);
        CSimBench::Get().SetArrivalWindow(m_hWnd);
    }
    ~CArrivalWindow()
    {
        CSimBench::Get().SetArrivalWindow(nullptr);
        // The program's window procedure ends the message loop when its window goes.
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&::DefWindowProcA));
        ::DestroyWindow(m_hWnd);
    }
    CArrivalWindow(const CArrivalWindow&) = delete;
    CArrivalWindow& operator=(const CArrivalWindow&) = delete;

private:
    HWND m_hWnd = nullptr;
};

// The General page loads the pad of `row`, as a click on it and on "&Config" would.
void LoadRow(HWND sheetWindow, int row)
{
    ::SendMessageA(sheetWindow, PSM_SETCURSEL, 0, 0);
    const HWND general = CPadSheetFixture::CurrentPage(sheetWindow);
    ChooseRow(::GetDlgItem(general, IDC_DEVICE_LIST), row);
    CPadSheetFixture::Click(general, IDC_CONFIG);
}
}

TEST_F(ProfilePageFixture, UndoLoadStaysWithItsPadThroughDeviceRefreshes)
{
    const CArrivalWindow arrivals;
    RunProfilePage([&](HWND sheetWindow, HWND page) {
        WriteBindingsAsTheProgram(pad->KeyPath(), 0x10);
        TypeName(page, "Race1");
        Click(page, IDC_PROFILE_SAVE_AS);
        WriteBindingsAsTheProgram(pad->KeyPath(), 0x30);
        const auto before = KeyValues(pad->KeyPath());
        ClickItem(page, "Race1");
        Click(page, IDC_PROFILE_LOAD);
        ASSERT_TRUE(Enabled(page, IDC_PROFILE_UNDO));

        // Pad B arrives: every key is opened anew, and B, once loaded, never gets A's undo.
        const auto other = CSimBench::Get().Pad(CSimBench::Get().Plug("wireless"));
        ASSERT_TRUE(WaitUntil([&] { return model->m_nDeviceCount == 2; }, 5000));
        WriteBindings(other->KeyPath(), 0x50);
        const auto otherBefore = KeyValues(other->KeyPath());
        SettleSheet(sheetWindow);
        LoadRow(sheetWindow, 1);
        ShowPage(sheetWindow, ProfilePageIndex());
        page = CurrentPage(sheetWindow);
        EXPECT_FALSE(Enabled(page, IDC_PROFILE_UNDO)) << "pad B got the undo of pad A";
        Click(page, IDC_PROFILE_UNDO);
        EXPECT_EQ(otherBefore, KeyValues(other->KeyPath()));

        LoadRow(sheetWindow, 0);
        ShowPage(sheetWindow, ProfilePageIndex());
        EXPECT_TRUE(Enabled(CurrentPage(sheetWindow), IDC_PROFILE_UNDO)) << "pad A lost its undo to a refresh";

        // B leaves; the General page takes A again by itself, and A's undo still waits.
        CSimBench::Get().Unplug(other->Slot());
        ASSERT_TRUE(WaitUntil([&] { return model->m_nDeviceCount == 1; }, 5000));
        SettleSheet(sheetWindow);
        ShowPage(sheetWindow, ProfilePageIndex());
        page = CurrentPage(sheetWindow);
        ASSERT_TRUE(Enabled(page, IDC_PROFILE_UNDO));
        Click(page, IDC_PROFILE_UNDO);
        EXPECT_EQ(before, KeyValues(pad->KeyPath())) << "undo gave pad A its bytes before the load";
        EXPECT_TRUE(messages.messages().empty()) << Shown();
    });
}

// Whatever a pad's key holds, what is saved loads back; a listed file can always go.
TEST_F(ProfilePageFixture, EverySavedProfileLoadsAndEveryListedFileCanBeDeleted)
{
    // The pad's key as the program never wrote it.
    ::RegDeleteTreeA(HKEY_CURRENT_USER, pad->KeyPath().c_str());
    SetKeyValue(pad->KeyPath(), "KeyConfig", Bytes(10, 1));
    WriteAll(ConfigFile("x .reg"), "another program's file");
    RunProfilePage([&](HWND, HWND page) {
        TypeName(page, "Fresh");
        Click(page, IDC_PROFILE_SAVE_AS);
        const auto saved = KeyValues(pad->KeyPath());
        EXPECT_EQ(32u, saved.at("KeyConfig").size()) << "the shown settings went into the key first";
        WriteBindingsAsTheProgram(pad->KeyPath(), 0x30);
        ClickItem(page, "Fresh");
        Click(page, IDC_PROFILE_LOAD);
        EXPECT_TRUE(messages.messages().empty()) << Shown();
        EXPECT_EQ(saved, KeyValues(pad->KeyPath())) << "the saved profile did not load back";

        ClickItem(page, "x ");
        Click(page, IDC_PROFILE_DELETE);
        EXPECT_FALSE(Exists(ConfigFile("x .reg"))) << "a listed file stayed";
        EXPECT_EQ("Are You Sure to Delete the Profile?\n\"x \"", messages.messages().back().text) << Shown();
    });
}
