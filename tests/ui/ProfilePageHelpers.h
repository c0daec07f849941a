#pragma once
// The Profile page on the real sheet with a simulated pad, and what its tests share: profile
// files in the program's config folder, the pad's key in the Wine registry, the page's list
// and name box driven as a person would.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "framework/ListView.h"
#include "settings/SettingsLayout.h"
#include "ui/PadSheetFixture.h"
#include "ui/UiHelpers.h"

using Bytes = std::vector<std::uint8_t>;

inline void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

inline bool Exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline std::map<std::string, Bytes> KeyValues(const std::string& keyPath)
{
    std::map<std::string, Bytes> values;
    for (const CDriverValue& value : kDriverValues)
        values[value.name] = KeyValue(keyPath, value.name);
    return values;
}

// Bindings as the Button page would leave them: kind and value of each input.
inline void WriteBindings(const std::string& keyPath, std::uint8_t firstKey)
{
    Bytes kinds(32, 0);
    Bytes codes(32, 0);
    for (int i = 0; i < 12; ++i) {
        kinds[i] = 1;
        codes[i] = static_cast<std::uint8_t>(firstKey + i);
    }
    SetKeyValue(keyPath, "KeyConfig", kinds);
    SetKeyValue(keyPath, "KeyMap", codes);
    SetKeyValue(keyPath, "Sensitivity", {45, 125, 1});
    SetKeyValue(keyPath, "ForceFeedBack", {128, 0, 1});
    for (const char* stick : {"LeftAnalog", "RightAnalog", "LALA"})
        SetKeyValue(keyPath, stick, Bytes(21, 0));
}

// The same bindings written the way the program writes them (the sticks' words filled in from
// the pad), which is what a saved profile holds.
inline void WriteBindingsAsTheProgram(const std::string& keyPath, std::uint8_t firstKey)
{
    WriteBindings(keyPath, firstKey);
    CSetting::GetInstance()->TakeKeyWithPadWords();
}

inline std::vector<std::string> ListedNames(HWND page)
{
    std::vector<std::string> names;
    const CListView list(::GetDlgItem(page, IDC_PROFILE_LIST));
    for (int i = 0; i < list.GetItemCount(); ++i)
        names.push_back(list.GetItemText(i, 0));
    return names;
}

inline std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.emplace_back(found.cFileName);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// A click of the mouse on the item, as the list sees it; `twice` makes it a double click.
inline void ClickItem(HWND page, const std::string& name, bool twice = false)
{
    const HWND list = ::GetDlgItem(page, IDC_PROFILE_LIST);
    const int item = CPadSheetFixture::ItemOf(page, name.c_str());
    ASSERT_GE(item, 0) << name << " is not listed";
    // A person scrolls to a row before clicking it.
    ::SendMessageA(list, LVM_ENSUREVISIBLE, item, FALSE);
    RECT rect = {LVIR_LABEL, 0, 0, 0};
    ::SendMessageA(list, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&rect));
    const LPARAM at = MAKELPARAM(rect.left + 4, (rect.top + rect.bottom) / 2);
    ::SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(list, WM_LBUTTONUP, 0, at);
    if (twice) {
        ::SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        ::SendMessageA(list, WM_LBUTTONUP, 0, at);
    }
}

inline void TypeName(HWND page, const std::string& text)
{
    ::SetDlgItemTextA(page, IDC_PROFILE_NAME, text.c_str());
}

inline std::string NameText(HWND page)
{
    const HWND box = ::GetDlgItem(page, IDC_PROFILE_NAME);
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(box)) + 1, '\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextA(box, text.data(), static_cast<int>(text.size()))));
    return text;
}

struct ProfilePageFixture : CPadSheetFixture
{
    void SetUp() override
    {
        CPadSheetFixture::SetUp();
        ClearProfileFolder();
    }

    void TearDown() override
    {
        CPadSheetFixture::TearDown();
        ClearProfileFolder();
    }

    // The sheet with the pad loaded, on its Profile page.
    void RunProfilePage(const std::function<void(HWND sheetWindow, HWND page)>& steps)
    {
        RunSheet(ProfilePageIndex(), steps);
    }
};

// Holds a modifier (VK_SHIFT with VK_LSHIFT, VK_CONTROL with VK_LCONTROL) down for the page's
// thread the way the keyboard would: the test thread shares its input state and sets the key in it.
class CKeyHeld
{
public:
    CKeyHeld(HWND window, BYTE key, BYTE leftKey)
        : m_uiThread(::GetWindowThreadProcessId(window, nullptr)), m_key(key), m_leftKey(leftKey)
    {
        ::AttachThreadInput(::GetCurrentThreadId(), m_uiThread, TRUE);
        Set(0x80);
    }
    ~CKeyHeld()
    {
        Set(0);
        ::AttachThreadInput(::GetCurrentThreadId(), m_uiThread, FALSE);
    }
    CKeyHeld(const CKeyHeld&) = delete;
    CKeyHeld& operator=(const CKeyHeld&) = delete;

private:
    void Set(BYTE state) const
    {
        BYTE keys[256] = {};
        ::GetKeyboardState(keys);
        keys[m_key] = keys[m_leftKey] = state;
        ::SetKeyboardState(keys);
    }
    DWORD m_uiThread;
    BYTE m_key;
    BYTE m_leftKey;
};

// A key press through the sheet's message loop, so the dialog manager sees it first.
inline void PressKey(HWND control, UINT virtualKey)
{
    const UINT scan = ::MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    ::PostMessageA(control, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    ::PostMessageA(control, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000);
    // Settled once a message sent behind the posted ones comes back.
    ::Sleep(50);
    ::SendMessageA(control, WM_NULL, 0, 0);
}

inline HWND FocusOf(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}
