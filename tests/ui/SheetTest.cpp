// The configuration sheet and the page framework, on real windows driven from a second thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "device/DeviceThread.h"
#include "controllertest/BitmapPicture.h"
#include "framework/PropertyPage.h"
#include "resource.h"
#include "settings/Setting.h"
#include "sheet/PropGeneral.h"
#include "sheet/PropSheet.h"
#include "support/DemoProcess.h"
#include "support/TestSupport.h"
#include "ui/UiHelpers.h"
#include "ui/UiTestIds.h"

namespace
{
constexpr UINT WM_TEST_RUN = WM_APP + 2;  // runs the page's m_onTestRun on the UI thread

using CEventLog = std::vector<std::string>;

class CTestPage : public CPropertyPage
{
public:
    CTestPage(UINT templateId, std::string name, CEventLog& log)
        : CPropertyPage(templateId), m_strName(std::move(name)), m_log(log)
    {}

    std::string m_strName;
    CEventLog& m_log;
    int m_nInitCalls = 0;
    int m_nChoice = 0;
    std::atomic<BOOL> m_bAllowLeave{TRUE};
    std::function<void()> m_onStore;    // on query code 1
    std::function<void()> m_onTestRun;  // on WM_TEST_RUN
    CBitmapPicture m_picture;

protected:
    BOOL OnInitDialog() override
    {
        ++m_nInitCalls;
        m_log.push_back("init:" + m_strName);
        const BOOL result = CPropertyPage::OnInitDialog();
        if (m_picture.m_hWnd)
            m_picture.SetImage(static_cast<UINT>(IDB_TEST_SIDE));
        return result;
    }

    void DoDataExchange(CDataExchange& dx) override
    {
        if (GetDlgItem(IDC_TEST_RADIO1))
            dx.Radio(IDC_TEST_RADIO1, m_nChoice);
        dx.Control(IDC_TEST_PICTURE, m_picture);
    }

    BOOL OnSetActive() override
    {
        m_log.push_back("setactive:" + m_strName);
        return CPropertyPage::OnSetActive();
    }

    BOOL OnKillActive() override
    {
        m_log.push_back("killactive:" + m_strName);
        if (!m_bAllowLeave)
            return FALSE;
        return CPropertyPage::OnKillActive();
    }

    BOOL OnApply() override
    {
        m_log.push_back("apply:" + m_strName);
        return TRUE;
    }

    LRESULT OnQuerySiblings(WPARAM code, LPARAM) override
    {
        m_log.push_back("query" + std::to_string(code) + ":" + m_strName);
        if (code == kQueryStore && m_onStore)
            m_onStore();
        return 0;
    }

    bool WindowProc(UINT message, WPARAM, LPARAM, LRESULT& result) override
    {
        if (message != WM_TEST_RUN)
            return false;
        if (m_onTestRun)
            m_onTestRun();
        result = 0;
        return true;
    }
};

std::size_t IndexOf(const CEventLog& log, const std::string& event)
{
    return static_cast<std::size_t>(std::find(log.begin(), log.end(), event) - log.begin());
}

bool Has(const CEventLog& log, const std::string& event)
{
    return IndexOf(log, event) < log.size();
}

std::size_t FirstApply(const CEventLog& log)
{
    for (std::size_t i = 0; i < log.size(); ++i)
        if (log[i].rfind("apply:", 0) == 0)
            return i;
    return log.size();
}

HWND CurrentPage(HWND sheet)
{
    return reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

// A button press sent from another thread ends the sheet's modal loop only once the loop
// gets a message of its own to wake up for (it checks after each one); a person's click
// brings input messages, a test posts an empty one.
void PressButton(HWND sheet, int button)
{
    ::SendMessageA(sheet, PSM_PRESSBUTTON, button, 0);
    ::PostMessageA(sheet, WM_NULL, 0, 0);
}

void Cancel(HWND sheet)
{
    PressButton(sheet, PSBTN_CANCEL);
}

// Runs `run` on the UI thread, inside the page's window procedure.
void RunOnPage(HWND page, CTestPage& object, std::function<void()> run)
{
    object.m_onTestRun = std::move(run);
    ::SendMessageA(page, WM_TEST_RUN, 0, 0);
}

struct CSheetFixture : ::testing::Test
{
    CEventLog log;
    CTestPage alpha{IDD_TEST_PAGE_A, "A", log};
    CTestPage beta{IDD_TEST_PAGE_B, "B", log};
    CPropSheet sheet;
    CModelGuard model;

    void SetUp() override
    {
        ASSERT_EQ(CDeviceThread::GetInstance()->m_hThread, nullptr)
            << "no worker runs in this suite, so a reload request stays visible in its flag";
        sheet.AddPage(&alpha);
        sheet.AddPage(&beta);
    }
};
}

TEST_F(CSheetFixture, ApplyQueriesEveryShownPageInOrderBeforeTheDeviceWrite)
{
    ScratchKey deviceKey;
    model.UseDevice(deviceKey.get(), 1);
    bool keyWrittenAtStoreA = true, keyWrittenAtStoreB = true;
    int reloadAtStore = -1;
    alpha.m_onStore = [&] {
        keyWrittenAtStoreA = deviceKey.Has("KeyMap");
        reloadAtStore = g_nUpdateRegistry.load();
        CSetting::GetInstance()->SetKeyMap(0, 0x1E);  // the page's edit, stored into the model
    };
    beta.m_onStore = [&] { keyWrittenAtStoreB = deviceKey.Has("KeyMap"); };
    std::string shot;
    {
        CWindowDriver driver("Kinetra", [&](HWND window) {
            if (!window)
                return;
            ::SendMessageA(window, PSM_SETCURSEL, 1, 0);  // show Beta, so both pages have windows
            ::SendMessageA(window, PSM_SETCURSEL, 0, 0);
            HWND page = CurrentPage(window);
            RunOnPage(page, alpha, [&] {
                alpha.SetModified(TRUE);
                ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            });
            shot = SaveScreenshot("sheet_test_pages");
            ::SendMessageA(::GetDlgItem(window, ID_APPLY_NOW), BM_CLICK, 0, 0);
            Cancel(window);
        });
        sheet.DoModal();
        ASSERT_TRUE(driver.Found());
    }
    ASSERT_TRUE(Has(log, "query1:A"));
    ASSERT_TRUE(Has(log, "query1:B"));
    EXPECT_LT(IndexOf(log, "query1:A"), IndexOf(log, "query1:B"));
    EXPECT_LT(IndexOf(log, "query1:B"), FirstApply(log)) << "stores come before the pages' own apply";
    EXPECT_TRUE(Has(log, "apply:A"));
    EXPECT_FALSE(keyWrittenAtStoreA);
    EXPECT_FALSE(keyWrittenAtStoreB);
    EXPECT_EQ(reloadAtStore, 0);
    // Then one write of the model to the device key, with the page's edit, and the reload.
    const auto keyMap = deviceKey.Value("KeyMap");
    ASSERT_EQ(keyMap.size(), 32u);
    EXPECT_EQ(keyMap[0], 0x1E);
    for (const char* value : {"KeyConfig", "Sensitivity", "RightAnalog", "ForceFeedBack", "LeftAnalog", "LALA"})
        EXPECT_TRUE(deviceKey.Has(value)) << value;
    EXPECT_EQ(g_nUpdateRegistry.load(), 1);
    EXPECT_FALSE(shot.empty());
}

TEST_F(CSheetFixture, ApplyWithoutActiveDeviceStillQueriesButWritesNothing)
{
    ScratchKey deviceKey;
    model.UseDevice(deviceKey.get(), 0);
    CWindowDriver driver("Kinetra", [&](HWND window) {
        if (!window)
            return;
        // The Apply command as a page sends it when the user agrees to apply on leaving.
        ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(ID_APPLY_NOW, BN_CLICKED), 0);
        Cancel(window);
    });
    sheet.DoModal();
    EXPECT_TRUE(Has(log, "query1:A"));
    EXPECT_FALSE(Has(log, "query1:B")) << "Beta was never shown and has no window";
    EXPECT_FALSE(deviceKey.Has("KeyMap"));
    EXPECT_FALSE(deviceKey.Has("KeyConfig"));
    EXPECT_EQ(g_nUpdateRegistry.load(), 0);
}

TEST_F(CSheetFixture, NoDeviceCountMeansNoWriteEvenWhenActive)
{
    ScratchKey deviceKey;
    model.UseDevice(deviceKey.get(), 1);
    CSetting::GetInstance()->m_nDeviceCount = 0;
    CWindowDriver driver("Kinetra", [&](HWND window) {
        if (!window)
            return;
        ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(ID_APPLY_NOW, BN_CLICKED), 0);
        Cancel(window);
    });
    sheet.DoModal();
    EXPECT_TRUE(Has(log, "query1:A"));
    EXPECT_FALSE(deviceKey.Has("KeyConfig"));
    EXPECT_EQ(g_nUpdateRegistry.load(), 0);
}

TEST_F(CSheetFixture, DoModalWhileShowingRaisesTheSheetAndReturnsTwo)
{
    INT_PTR secondResult = -1;
    std::size_t sheetsDuring = 0;
    HWND foreground = nullptr, sheetWindow = nullptr;
    CWindowDriver driver("Kinetra", [&](HWND window) {
        if (!window)
            return;
        sheetWindow = window;
        RunOnPage(CurrentPage(window), alpha, [&] {
            secondResult = sheet.DoModal();
            foreground = ::GetForegroundWindow();
        });
        sheetsDuring = FindOwnWindows("Kinetra").size();
        Cancel(window);
    });
    EXPECT_EQ(sheet.m_bShowing, 0);
    sheet.DoModal();
    EXPECT_EQ(sheet.m_bShowing, 0);
    EXPECT_EQ(secondResult, 2);
    EXPECT_EQ(sheetsDuring, 1u);
    EXPECT_EQ(alpha.m_nInitCalls, 1) << "no second set of page windows";
    EXPECT_EQ(foreground, sheetWindow);
}

TEST_F(CSheetFixture, KillActiveCanKeepTheUserOnThePage)
{
    HWND stayed = nullptr, moved = nullptr, alphaWindow = nullptr, betaWindow = nullptr;
    alpha.m_bAllowLeave = FALSE;
    CWindowDriver driver("Kinetra", [&](HWND window) {
        if (!window)
            return;
        alphaWindow = CurrentPage(window);
        ::SendMessageA(window, PSM_SETCURSEL, 1, 0);
        stayed = CurrentPage(window);
        alpha.m_bAllowLeave = TRUE;
        ::SendMessageA(window, PSM_SETCURSEL, 1, 0);
        moved = CurrentPage(window);
        betaWindow = beta.m_hWnd;
        Cancel(window);
    });
    sheet.DoModal();
    EXPECT_EQ(stayed, alphaWindow);
    EXPECT_EQ(moved, betaWindow);
    EXPECT_NE(betaWindow, nullptr);
    EXPECT_TRUE(Has(log, "killactive:A"));
    EXPECT_TRUE(Has(log, "setactive:B"));
    EXPECT_LT(IndexOf(log, "killactive:A"), IndexOf(log, "setactive:B"));
}

TEST_F(CSheetFixture, PagesAreMadeAnewEachShowAndKeepTheirMembers)
{
    // First showing: the user picks the third radio and presses OK, which stores it.
    {
        CWindowDriver driver("Kinetra", [&](HWND window) {
            if (!window)
                return;
            ::SendDlgItemMessageA(CurrentPage(window), IDC_TEST_RADIO3, BM_CLICK, 0, 0);
            PressButton(window, PSBTN_OK);
        });
        sheet.DoModal();
    }
    EXPECT_EQ(alpha.m_hWnd, nullptr);
    EXPECT_EQ(alpha.m_picture.m_hWnd, nullptr);
    EXPECT_EQ(alpha.m_nChoice, 2);
    // Second showing: a new window shows the kept value.
    LRESULT thirdChecked = -1;
    bool pictureAttached = false;
    LRESULT siblingsAnswer = -1;
    {
        CWindowDriver driver("Kinetra", [&](HWND window) {
            if (!window)
                return;
            HWND page = CurrentPage(window);
            thirdChecked = ::SendDlgItemMessageA(page, IDC_TEST_RADIO3, BM_GETCHECK, 0, 0);
            pictureAttached = alpha.m_picture.m_hWnd == ::GetDlgItem(page, IDC_TEST_PICTURE);
            // A page asks its siblings through the sheet (the "device changed" query).
            RunOnPage(page, alpha, [&] { siblingsAnswer = alpha.QuerySiblings(kQueryDeviceChanged, 0); });
            Cancel(window);
        });
        sheet.DoModal();
    }
    EXPECT_EQ(alpha.m_nInitCalls, 2);
    EXPECT_EQ(thirdChecked, BST_CHECKED);
    EXPECT_TRUE(pictureAttached);
    EXPECT_EQ(siblingsAnswer, 0);
    EXPECT_TRUE(Has(log, "query2:A"));
}

TEST_F(CSheetFixture, SheetCarriesTheProgramIcon)
{
    if (!::FindResourceA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_SHEET), RT_GROUP_ICON))
        GTEST_SKIP() << "icon 269 is not among the program's resources yet; nothing to compare";
    HICON big = nullptr, smallIcon = nullptr;
    CWindowDriver driver("Kinetra", [&](HWND window) {
        if (!window)
            return;
        big = reinterpret_cast<HICON>(::SendMessageA(window, WM_GETICON, ICON_BIG, 0));
        smallIcon = reinterpret_cast<HICON>(::SendMessageA(window, WM_GETICON, ICON_SMALL, 0));
        Cancel(window);
    });
    sheet.DoModal();
    EXPECT_NE(big, nullptr);
    EXPECT_NE(smallIcon, nullptr);
}

TEST(PropSheet, OneSheetWithTheGeneralPageFirst)
{
    CPropSheet* sheet = CPropSheet::GetInstance();
    ASSERT_EQ(sheet, CPropSheet::GetInstance());
    EXPECT_EQ(sheet->GetWindowText(), "");  // no window while closed
    EXPECT_EQ(sheet->m_bShowing, 0);
    ASSERT_GE(sheet->GetPageCount(), 1);
    EXPECT_NE(dynamic_cast<CPropGeneral*>(sheet->GetPage(0)), nullptr);
    EXPECT_EQ(sheet->GetPage(0)->GetTemplateId(), static_cast<UINT>(IDD_GENERAL));
}
