// The About box and its links on real windows under Xvfb: what it shows, the pointer over a
// link, clicks that the shell can and cannot open, and Help with and without the manual.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <fstream>
#include <sstream>

#include "ProductInfo.h"
#include "about/AboutDial.h"
#include "resource.h"
#include "settings/Setting.h"
#include "sheet/PropSheet.h"
#include "support/DemoProcess.h"
#include "support/TestSupport.h"
#include "ui/UiHelpers.h"

namespace
{
std::string TipText(const CHyperLink& link)
{
    char text[256] = {};
    TOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = link.m_hWnd;
    tool.uId = CHyperLink::kToolId;
    tool.lpszText = text;
    ::SendMessageA(link.m_tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    return text;
}

// The text colour and brush the dialog hands the static when it paints, through the same
// WM_CTLCOLORSTATIC the static itself sends.
COLORREF TextColourOf(HWND dialog, const CHyperLink& link, HBRUSH* brush = nullptr)
{
    HDC dc = ::CreateCompatibleDC(nullptr);
    const auto result = ::SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(link.m_hWnd));
    const COLORREF colour = ::GetTextColor(dc);
    ::DeleteDC(dc);
    if (brush)
        *brush = reinterpret_cast<HBRUSH>(result);
    return colour;
}

RECT RectInDialog(HWND dialog, HWND control)
{
    RECT rect = {};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

POINT CentreOnScreen(HWND control)
{
    RECT rect = {};
    ::GetWindowRect(control, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

std::string Lower(std::string text)
{
    ::CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

void ClickControl(HWND control)
{
    ::PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::PostMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

// Shows the About box modally on this thread while `steps` act on it, then closes it.
void RunAbout(CAboutDial& dialog, const std::function<void(HWND)>& steps)
{
    CWindowDriver driver("About..", [&](HWND window) {
        if (!window)
            return;
        steps(window);
        ::PostMessageA(window, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_TRUE(driver.Found()) << "the About box never showed";
}

// Makes the "open" verb of .html files write the working folder and the file it was given
// into `record`, for the time of a test. Wine looks associations up in HKEY_CLASSES_ROOT only.
class CHtmlOpenRecorder
{
public:
    explicit CHtmlOpenRecorder(const std::string& record) : m_record(record)
    {
        char previous[256] = {};
        LONG size = sizeof previous;
        m_bHadHtml = ::RegQueryValueA(HKEY_CLASSES_ROOT, ".html", previous, &size) == ERROR_SUCCESS;
        m_strPreviousHtml = previous;
        ::RegSetValueA(HKEY_CLASSES_ROOT, ".html", REG_SZ, "KinetraTestPage", 0);
        const std::string command = "cmd.exe /c cd > \"" + record + "\" & echo %1>> \"" + record + "\"";
        ::RegSetValueA(HKEY_CLASSES_ROOT, "KinetraTestPage\\shell\\open\\command", REG_SZ, command.c_str(), 0);
    }
    ~CHtmlOpenRecorder()
    {
        ::RegDeleteTreeA(HKEY_CLASSES_ROOT, "KinetraTestPage");
        ::RegDeleteKeyA(HKEY_CLASSES_ROOT, "KinetraTestPage");
        if (m_bHadHtml)
            ::RegSetValueA(HKEY_CLASSES_ROOT, ".html", REG_SZ, m_strPreviousHtml.c_str(), 0);
        else
            ::RegDeleteKeyA(HKEY_CLASSES_ROOT, ".html");
    }

    // The two lines written, once the command has run.
    std::vector<std::string> Wait() const
    {
        std::vector<std::string> lines;
        WaitUntil(
            [&] {
                std::ifstream in(m_record);
                lines.clear();
                for (std::string line; std::getline(in, line);)
                    lines.push_back(line.substr(0, line.find_last_not_of("\r ") + 1));
                return lines.size() >= 2;
            },
            10000);
        return lines;
    }

private:
    std::string m_record;
    bool m_bHadHtml = false;
    std::string m_strPreviousHtml;
};

// Points the program's folder elsewhere for one test.
class CExeDirGuard
{
public:
    explicit CExeDirGuard(const std::string& folder)
    {
        lstrcpynA(m_szSaved, g_szExeDir, MAX_PATH);
        lstrcpynA(g_szExeDir, (folder + "\\").c_str(), MAX_PATH);
    }
    ~CExeDirGuard() { lstrcpynA(g_szExeDir, m_szSaved, MAX_PATH); }

private:
    char m_szSaved[MAX_PATH] = {};
};
}

TEST(AboutDialog, ShowsPictureVersionAndLinksWithTheirTargets)
{
    CAboutDial dialog;
    RunAbout(dialog, [&](HWND window) {
        auto picture = reinterpret_cast<HBITMAP>(
            ::SendDlgItemMessageA(window, IDC_ABOUT_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0));
        BITMAP info = {};
        ASSERT_NE(nullptr, picture) << "bitmap 117 is shown";
        ASSERT_NE(0, ::GetObjectA(picture, sizeof info, &info));
        EXPECT_EQ(250, info.bmWidth);
        EXPECT_EQ(164, info.bmHeight);

        bool versionShown = false;
        for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            versionShown |= CWindow(child).GetWindowText() == "Version 1.2";
        EXPECT_TRUE(versionShown);
        EXPECT_EQ("For any Technical Support or Equiries", CWindow(window).GetDlgItemText(IDC_ABOUT_SUPPORT));

        // The targets come after subclassing; the texts of the template stay.
        EXPECT_EQ(std::string("Please visit ") + KINETRA_MAKER_WEB, dialog.m_webLink.GetWindowText());
        EXPECT_EQ(std::string("or Email to: ") + KINETRA_MAKER_EMAIL, dialog.m_emailLink.GetWindowText());
        EXPECT_EQ(KINETRA_MAKER_WEB, dialog.m_webLink.m_strTarget);
        EXPECT_EQ(std::string("mailto:") + KINETRA_MAKER_EMAIL, dialog.m_emailLink.m_strTarget);
        EXPECT_EQ(dialog.m_webLink.m_strTarget, TipText(dialog.m_webLink));
        EXPECT_EQ(dialog.m_emailLink.m_strTarget, TipText(dialog.m_emailLink));
        EXPECT_NE(0u, dialog.m_webLink.GetStyle() & SS_NOTIFY) << "the static reports clicks";

        // A centred static shrinks (or grows) to its text around the centre it had.
        RECT placed = {22, 154, 22 + 153, 154 + 8};
        ::MapDialogRect(window, &placed);
        const RECT now = RectInDialog(window, dialog.m_webLink.m_hWnd);
        EXPECT_NEAR((placed.left + placed.right) / 2, (now.left + now.right) / 2, 1);
        {
            CWindowDC dc(dialog.m_webLink.m_hWnd);
            CSelectObject font(dc.get(), dialog.m_webLink.m_fontUnderlined.get());
            const std::string text = dialog.m_webLink.GetWindowText();
            SIZE extent = {};
            ::GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
            // Shrinking equally on both sides may leave one pixel of an odd difference.
            EXPECT_NEAR(extent.cx, now.right - now.left, 1);
            EXPECT_EQ(extent.cy, now.bottom - now.top);
        }

        // Unvisited colour, transparent text on no brush, the hand over the link.
        HBRUSH brush = nullptr;
        EXPECT_EQ(RGB(0, 0, 238), TextColourOf(window, dialog.m_webLink, &brush));
        EXPECT_EQ(::GetStockObject(NULL_BRUSH), brush);
        ASSERT_NE(nullptr, dialog.m_webLink.m_hHandCursor.get()) << "the help viewer's hand or the system's";
        EXPECT_EQ(TRUE, ::SendMessageA(dialog.m_webLink.m_hWnd, WM_SETCURSOR,
                                       reinterpret_cast<WPARAM>(dialog.m_webLink.m_hWnd),
                                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
        ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        SaveScreenshot("about-dialog");
    });
}

TEST(AboutDialog, LinkIsUnderlinedOnlyWhileThePointerIsOverIt)
{
    CAboutDial dialog;
    RunAbout(dialog, [&](HWND window) {
        CHyperLink& link = dialog.m_webLink;
        const auto font = [&] { return reinterpret_cast<HFONT>(::SendMessageA(link.m_hWnd, WM_GETFONT, 0, 0)); };
        EXPECT_NE(link.m_fontUnderlined.get(), font()) << "not underlined before the pointer comes";

        const POINT over = CentreOnScreen(link.m_hWnd);
        ::SetCursorPos(over.x, over.y);
        ::PostMessageA(link.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        ASSERT_TRUE(WaitUntil([&] { return link.m_bHover == TRUE; }, 2000));
        EXPECT_EQ(link.m_fontUnderlined.get(), font());
        EXPECT_EQ(RGB(255, 0, 0), TextColourOf(window, link));
        ::Sleep(350);  // several checks of the hover timer with the pointer still over the link
        EXPECT_TRUE(link.m_bHover);
        EXPECT_EQ(link.m_fontUnderlined.get(), font());

        RECT frame = {};
        ::GetWindowRect(window, &frame);
        ::SetCursorPos(frame.right + 40, frame.bottom + 40);
        EXPECT_TRUE(WaitUntil([&] { return link.m_bHover == FALSE && font() == link.m_fontPlain.get(); }, 2000))
            << "the underline goes once the pointer has left";
        EXPECT_EQ(RGB(0, 0, 238), TextColourOf(window, link));
    });
}

TEST(AboutDialog, ClicksReportWhatTheShellCouldNotOpenAndMarkWhatItOpened)
{
    // Every result of the shell's table, and one it does not know.
    const std::pair<int, const char*> table[] = {
        {0, "The operating system is out\nof memory or resources."},
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {5, "The operating system denied\naccess to the specified file."},
        {8, "There was not enough memory to complete the operation."},
        {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
        {26, "A sharing violation occurred. "},
        {27, "The filename association is\nincomplete or invalid."},
        {28, "The DDE transaction could not\nbe completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
        {31, "There is no application associated\nwith the given filename extension."},
        {32, "The specified dynamic-link library was not found."},
        {1, "Unknown Error (1) occurred."},
        {4, "Unknown Error (4) occurred."},
    };
    {
        MessageLog log;
        const CHyperLink unattached;
        for (const auto& [code, text] : table)
            unattached.ShowOpenError(code);
        ASSERT_EQ(std::size(table), log.messages().size());
        for (std::size_t i = 0; i < std::size(table); ++i) {
            EXPECT_EQ(std::string("Unable to open hyperlink:\n\n") + table[i].second, log.messages()[i].text);
            EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION), log.messages()[i].type);
        }
    }

    ScratchDir scratch;
    const std::string page = scratch.path() + "\\page.html";
    scratch.WriteFile("page.html", "<html></html>");
    CHtmlOpenRecorder recorder(scratch.path() + "\\opened.txt");
    MessageLog log;
    CAboutDial dialog;
    RunAbout(dialog, [&](HWND window) {
        CHyperLink& link = dialog.m_webLink;
        link.SetTarget(scratch.path() + "\\missing.html");
        ClickControl(link.m_hWnd);
        ASSERT_TRUE(WaitUntil([&] { return !log.messages().empty(); }, 5000));
        EXPECT_EQ("Unable to open hyperlink:\n\nThe specified file was not found.", log.messages()[0].text);
        EXPECT_EQ(window, log.messages()[0].owner) << "over the About box";
        EXPECT_FALSE(link.m_bOpened);
        EXPECT_EQ(RGB(0, 0, 238), TextColourOf(window, link));

        link.SetTarget(page);
        EXPECT_EQ(page, TipText(link));
        ClickControl(link.m_hWnd);
        EXPECT_TRUE(WaitUntil([&] { return link.m_bOpened == TRUE; }, 5000));
        EXPECT_EQ(RGB(85, 26, 139), TextColourOf(window, link)) << "visited";
        EXPECT_EQ(1u, log.messages().size()) << "a successful open reports nothing: " << log.messages().back().text;
        const auto opened = recorder.Wait();
        ASSERT_EQ(2u, opened.size());
        EXPECT_NE(std::string::npos, opened[1].find("page.html"));
    });
}

TEST(AboutDialog, HelpOpensTheManualBesideTheProgramAndIsSilentWithoutIt)
{
    ScratchDir withoutManual;
    ScratchDir withManual;
    const std::string manualDir = withManual.path() + "\\usermanual";
    ASSERT_TRUE(::CreateDirectoryA(manualDir.c_str(), nullptr));
    withManual.WriteFile("usermanual\\index.html", "<html></html>");
    const std::string record = withoutManual.path() + "\\opened.txt";
    CHtmlOpenRecorder recorder(record);
    MessageLog log;
    CAboutDial dialog;
    RunAbout(dialog, [&](HWND window) {
        {
            CExeDirGuard folder(withoutManual.path());
            ::SendDlgItemMessageA(window, IDC_ABOUT_HELP, BM_CLICK, 0, 0);
            ::Sleep(1000);
            EXPECT_TRUE(log.messages().empty());
            EXPECT_TRUE(::IsWindowVisible(window)) << "the About box stays open";
            EXPECT_EQ(1u, FindOwnWindows("About..").size());
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(record.c_str())) << "nothing was opened";
        }
        CExeDirGuard folder(withManual.path());
        ::SendDlgItemMessageA(window, IDC_ABOUT_HELP, BM_CLICK, 0, 0);
        const auto opened = recorder.Wait();
        ASSERT_EQ(2u, opened.size()) << "the shell ran the .html verb";
        EXPECT_EQ(Lower(withManual.path()), Lower(opened[0])) << "working folder: the program's";
        EXPECT_NE(std::string::npos, opened[1].find("usermanual\\index.html"));
        EXPECT_TRUE(log.messages().empty());
    });
}

TEST(AboutDialog, GeneralPageShowsAboutAndOpensIt)
{
    bool aboutShown = false;
    CWindowDriver sheetDriver("Kinetra", [&](HWND sheet) {
        if (!sheet)
            return;
        HWND page = PropSheet_GetCurrentPageHwnd(sheet);
        HWND about = ::GetDlgItem(page, IDC_ABOUT);
        EXPECT_TRUE(::IsWindowVisible(about));
        EXPECT_EQ("A&bout", CWindow(about).GetWindowText());
        ::PostMessageA(about, BM_CLICK, 0, 0);
        HWND box = WaitForOwnWindow("About..", 5000);
        aboutShown = box != nullptr;
        if (box) {
            EXPECT_EQ(sheet, ::GetWindow(box, GW_OWNER)) << "modal over the sheet";
            ::SendMessageA(box, WM_COMMAND, IDOK, 0);
        }
        ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    });
    CPropSheet::GetInstance()->DoModal();
    EXPECT_TRUE(sheetDriver.Found());
    EXPECT_TRUE(aboutShown);
}

TEST(HyperLink, FitsToItsTextByTheStaticsAlignment)
{
    HWND parent = ::CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 10, 10, 400, 200, nullptr, nullptr,
                                    nullptr, nullptr);
    ASSERT_NE(nullptr, parent);
    struct Case
    {
        DWORD style;
        const char* name;
    };
    const Case cases[] = {{SS_LEFT, "left"}, {SS_RIGHT, "right"}, {SS_LEFT | SS_CENTERIMAGE, "centre image"}};
    int top = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RECT placed = {20, top, 320, top + 40};
        HWND label = ::CreateWindowExA(0, "STATIC", "mailto:someone@kinetra.example", WS_CHILD | WS_VISIBLE | c.style,
                                       placed.left, placed.top, 300, 40, parent, nullptr, nullptr, nullptr);
        CHyperLink link;
        ASSERT_TRUE(link.SubclassWindow(label));
        EXPECT_EQ("mailto:someone@kinetra.example", link.m_strTarget) << "the text is the target";
        SIZE extent = {};
        {
            CWindowDC dc(label);
            CSelectObject font(dc.get(), link.m_fontUnderlined.get());
            ::GetTextExtentPoint32A(dc.get(), "mailto:someone@kinetra.example", 30, &extent);
        }
        const RECT now = RectInDialog(parent, label);
        EXPECT_EQ(extent.cx, now.right - now.left);
        if (c.style & SS_RIGHT)
            EXPECT_EQ(placed.right, now.right);
        else
            EXPECT_EQ(placed.left, now.left);
        if (c.style & SS_CENTERIMAGE) {
            EXPECT_NEAR(extent.cy, now.bottom - now.top, 1);
            EXPECT_NEAR((placed.top + placed.bottom) / 2, (now.top + now.bottom) / 2, 1);
        } else {
            EXPECT_EQ(placed.top, now.top);
            EXPECT_EQ(extent.cy, now.bottom - now.top);
        }
        ::DestroyWindow(label);
        top += 50;
    }
    ::DestroyWindow(parent);
}
