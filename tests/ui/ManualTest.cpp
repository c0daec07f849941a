// The user manual copied beside the program covers every window the program has: each tab of
// the sheet and each dialog has its section with a current picture, and every picture the
// manual shows is there. scripts/screenshots makes the pictures.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <fstream>
#include <sstream>

#include "resource.h"
#include "sheet/PropSheet.h"
#include "support/DemoProcess.h"
#include "ui/UiHelpers.h"

namespace
{
std::string ManualDir()
{
    return DemoProcess::ProgramPath("usermanual\\");
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The value of every `attribute="..."` in `html`.
std::vector<std::string> AttributeValues(const std::string& html, const std::string& attribute)
{
    std::vector<std::string> values;
    const std::string opening = " " + attribute + "=\"";
    for (std::size_t at = html.find(opening); at != std::string::npos; at = html.find(opening, at + 1)) {
        const std::size_t start = at + opening.size();
        values.push_back(html.substr(start, html.find('"', start) - start));
    }
    return values;
}

// The picture of the slot for the window captioned `caption`: the src of the <img> inside
// <figure ... data-window="caption">, or "" when the slot is empty or missing.
std::string SlotPicture(const std::string& html, const std::string& caption)
{
    const std::size_t slot = html.find("data-window=\"" + caption + "\"");
    if (slot == std::string::npos)
        return {};
    const std::size_t end = html.find("</figure>", slot);
    const std::size_t image = html.find("<img src=\"", slot);
    if (image == std::string::npos || image > end)
        return {};
    const std::size_t start = image + 10;
    return html.substr(start, html.find('"', start) - start);
}

std::vector<std::string> TabCaptions(HWND sheet)
{
    std::vector<std::string> captions;
    HWND tabs = PropSheet_GetTabControl(sheet);
    const int count = TabCtrl_GetItemCount(tabs);
    for (int i = 0; i < count; ++i) {
        char text[128] = {};
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        ::SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        captions.push_back(text);
    }
    return captions;
}

// The dialogs of this build: the About box, and the ones whose templates are in the program.
std::vector<std::string> DialogCaptions()
{
    std::vector<std::string> captions = {"About.."};
    const std::pair<UINT, const char*> optional[] = {
        {IDD_FORCE_TEST, "Force Test"}, {IDD_CALIBRATION, "Calibration"}, {IDD_HISTORY, "History"}};
    for (const auto& [id, caption] : optional)
        if (::FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5)))
            captions.push_back(caption);
    return captions;
}
}

TEST(UserManual, EveryWindowHasASectionWithACurrentPictureAndEveryPictureExists)
{
    const std::string html = ReadFile(ManualDir() + "index.html");
    ASSERT_FALSE(html.empty()) << "the build copies docs/usermanual beside the program";
    EXPECT_EQ(std::string::npos, html.find("<script")) << "plain HTML, no scripts";
    // Readable offline: everything it shows or links to is in its own folder.
    for (const std::string& source : AttributeValues(html, "src"))
        EXPECT_TRUE(FileExists(ManualDir() + source)) << source << " is shown but missing";
    for (const std::string& link : AttributeValues(html, "href")) {
        if (link.rfind("#", 0) != 0) {
            EXPECT_TRUE(FileExists(ManualDir() + link)) << link << " is linked but missing";
        }
    }

    std::vector<std::string> windows;
    CWindowDriver driver("Kinetra", [&](HWND sheet) {
        if (!sheet)
            return;
        windows = TabCaptions(sheet);
        ::PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    });
    CPropSheet::GetInstance()->DoModal();
    ASSERT_TRUE(driver.Found());
    ASSERT_FALSE(windows.empty());
    for (const std::string& caption : DialogCaptions())
        windows.push_back(caption);

    for (const std::string& caption : windows) {
        const std::string picture = SlotPicture(html, caption);
        EXPECT_FALSE(picture.empty()) << "\"" << caption << "\" has no picture in the manual: run scripts/screenshots";
    }
}
