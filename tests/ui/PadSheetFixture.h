#pragma once
// The real sheet with one simulated wired pad plugged, discovered and loaded, the worker
// running as in the program, and every message box recorded instead of shown.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>

#include "SimBench.h"
#include "profiles/PropProfile.h"
#include "device/DeviceThread.h"
#include "settings/Setting.h"
#include "resource.h"
#include "sheet/PropSheet.h"
#include "support/TestSupport.h"
#include "ui/UiHelpers.h"

class CPadSheetFixture : public CSimSheetFixture
{
public:
    void SetUp() override
    {
        CSimSheetFixture::SetUp();
        pad = CSimBench::Get().Pad(CSimBench::Get().Plug("wired"));
    }

    // The sheet with the plugged pad discovered only now, so that a test can prepare its key.
    void RunSheet(int pageIndex, const std::function<void(HWND sheetWindow, HWND page)>& steps)
    {
        Discover();
        CSimSheetFixture::RunSheet(pageIndex, steps);
    }

    // Where the Profile page stands in the sheet.
    int ProfilePageIndex() const
    {
        for (int i = 0; i < sheet->GetPageCount(); ++i) {
            if (dynamic_cast<CPropProfile*>(sheet->GetPage(i)))
                return i;
        }
        return -1;
    }

    using CSimSheetFixture::ShowPage;
    void ShowPage(HWND sheetWindow, int pageIndex) const { ::SendMessageA(sheetWindow, PSM_SETCURSEL, pageIndex, 0); }

    static std::string ConfigFile(const std::string& name) { return std::string(g_szConfigDir) + "\\" + name; }

    // Every file of the profile folder and of its work folder removed, read-only ones too.
    static void ClearProfileFolder()
    {
        CSetting& settings = *CSetting::GetInstance();
        settings.ScanProfiles();
        for (const std::string& file : settings.m_ProfileFiles) {
            ::SetFileAttributesA(ConfigFile(file).c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA(ConfigFile(file).c_str());
        }
        for (const char* file :
             {"~work\\save.tmp", "~work\\undo.tmp", "~work\\undo.reg", "~work\\before.tmp", "~work\\before.reg"})
            ::DeleteFileA(ConfigFile(file).c_str());
        ::RemoveDirectoryA(ConfigFile("~work").c_str());
    }

    // The row of the profile list that shows `name` (upper and lower case alike), or -1.
    static int ItemOf(HWND profilePage, const char* name)
    {
        LVFINDINFOA find = {};
        find.flags = LVFI_STRING;
        find.psz = name;
        return static_cast<int>(::SendDlgItemMessageA(profilePage, IDC_PROFILE_LIST, LVM_FINDITEMA,
                                                      static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
    }

    // Every box shown so far, as "[caption] text" lines.
    std::string Shown() const
    {
        std::string all;
        for (const auto& message : messages.messages())
            all += "[" + message.caption + "] " + message.text + "\n";
        return all;
    }

    // The one box shown since `before` boxes, as "[caption] text".
    std::string ShownSince(std::size_t before) const
    {
        const auto& all = messages.messages();
        if (all.size() != before + 1)
            return "expected one box, got:\n" + Shown();
        return "[" + all.back().caption + "] " + all.back().text;
    }

    MessageLog messages;
    std::shared_ptr<CSimPad> pad;
};
