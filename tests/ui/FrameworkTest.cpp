// The window layer: handle owners, a modal dialog with data exchange and reflected drawing, the
// list-view wrapper.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <iterator>
#include <memory>
#include <string>
#include <type_traits>

#include "controllertest/BitmapPicture.h"
#include "framework/Dialog.h"
#include "framework/Handles.h"
#include "framework/ListView.h"
#include "framework/Text.h"
#include "support/TestSupport.h"
#include "ui/UiHelpers.h"
#include "ui/UiTestIds.h"

namespace
{
constexpr UINT WM_TEST_REDRAW = WM_APP + 1;

class CCountingPicture : public CBitmapPicture
{
public:
    int m_nDrawItems = 0;

protected:
    void DrawItem(DRAWITEMSTRUCT* item) override
    {
        ++m_nDrawItems;
        CBitmapPicture::DrawItem(item);
    }
};

class CTestDialog : public CDialog
{
public:
    CTestDialog() : CDialog(IDD_TEST_DIALOG) {}

    int m_nChoice = 2;
    int m_nEnable = 1;
    int m_nLevel = 40;
    std::string m_strName = "hello";
    CCountingPicture m_picture;
    int m_nInitCalls = 0;
    int m_nPlainDrawItems = 0;    // WM_DRAWITEM of the plain owner-drawn static, not reflected
    int m_nPictureDrawItems = 0;  // WM_DRAWITEM of the picture that reached the dialog itself

protected:
    BOOL OnInitDialog() override
    {
        ++m_nInitCalls;
        return CDialog::OnInitDialog();
    }

    void DoDataExchange(CDataExchange& dx) override
    {
        dx.Radio(IDC_TEST_RADIO1, m_nChoice);
        dx.Check(IDC_TEST_CHECK, m_nEnable);
        dx.Slider(IDC_TEST_SLIDER, m_nLevel);
        dx.Text(IDC_TEST_EDIT, m_strName);
        dx.Control(IDC_TEST_PICTURE, m_picture);
    }

    bool WindowProc(UINT message, WPARAM, LPARAM lParam, LRESULT& result) override
    {
        if (message == WM_DRAWITEM) {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->CtlID == IDC_TEST_PLAIN_DRAW)
                ++m_nPlainDrawItems;
            if (item->CtlID == IDC_TEST_PICTURE)
                ++m_nPictureDrawItems;
            result = TRUE;
            return true;
        }
        if (message == WM_TEST_REDRAW) {
            ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            result = 0;
            return true;
        }
        return false;
    }
};

struct CWindowDestroyer
{
    void operator()(HWND window) const { ::DestroyWindow(window); }
};

struct CDialogSeen
{
    int radio[3] = {-1, -1, -1};
    int check = -1;
    int slider = -1;
    std::string text;
};

int CheckOf(HWND dialog, int id)
{
    return static_cast<int>(::SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0));
}

CDialogSeen ReadControls(HWND dialog)
{
    CDialogSeen seen;
    for (int i = 0; i < 3; ++i)
        seen.radio[i] = CheckOf(dialog, IDC_TEST_RADIO1 + i);
    seen.check = CheckOf(dialog, IDC_TEST_CHECK);
    seen.slider = static_cast<int>(::SendDlgItemMessageA(dialog, IDC_TEST_SLIDER, TBM_GETPOS, 0, 0));
    char text[64] = {};
    ::GetDlgItemTextA(dialog, IDC_TEST_EDIT, text, sizeof(text));
    seen.text = text;
    return seen;
}
}

TEST(Handles, KernelHandleTakesNullAndInvalidAsEmptyAndClosesOnce)
{
    EXPECT_FALSE(CHandle());
    EXPECT_FALSE(CHandle(INVALID_HANDLE_VALUE));
    CHandle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const HANDLE raw = event.get();
    ASSERT_TRUE(event);
    CHandle moved(std::move(event));
    EXPECT_FALSE(event);
    EXPECT_EQ(moved.get(), raw);
    moved.reset();
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(raw, &flags)) << "the event was closed";
}

TEST(Handles, GdiObjectIsDeletedAndSelectionIsPutBack)
{
    CMemDC dc(::CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    const HGDIOBJ initial = ::GetCurrentObject(dc.get(), OBJ_BITMAP);
    CBitmap bitmap(::CreateBitmap(4, 4, 1, 1, nullptr));
    const HBITMAP raw = bitmap.get();
    {
        CSelectObject select(dc.get(), raw);
        EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_BITMAP), raw);
        EXPECT_EQ(select.previous(), initial);
    }
    EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_BITMAP), initial);
    bitmap.reset();
    EXPECT_EQ(::GetObjectType(raw), 0u) << "the bitmap was deleted";
}

TEST(Handles, RegistryKeyIsClosed)
{
    ScratchKey scratch;
    CRegKey key;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, scratch.path().c_str(), 0, KEY_READ, key.put()), ERROR_SUCCESS);
    const HKEY raw = key.get();
    DWORD values = 0;
    EXPECT_EQ(::RegQueryInfoKeyA(raw, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                                 nullptr, nullptr),
              ERROR_SUCCESS);
    key.reset();
    EXPECT_NE(::RegQueryInfoKeyA(raw, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                                 nullptr, nullptr),
              ERROR_SUCCESS);
}

TEST(Dialog, DataExchangeRoundTripAndReflectedDrawing)
{
    CTestDialog dialog;
    CDialogSeen shown;
    {
        CWindowDriver driver("Framework test", [&](HWND window) {
            if (!window)
                return;
            shown = ReadControls(window);
            ::SendMessageA(window, WM_TEST_REDRAW, 0, 0);
            // The user picks the first radio, clears the tick, moves the slider, types.
            ::SendDlgItemMessageA(window, IDC_TEST_RADIO1, BM_CLICK, 0, 0);
            ::SendDlgItemMessageA(window, IDC_TEST_CHECK, BM_CLICK, 0, 0);
            ::SendDlgItemMessageA(window, IDC_TEST_SLIDER, TBM_SETPOS, TRUE, 77);
            ::SetDlgItemTextA(window, IDC_TEST_EDIT, "world");
            ::SendDlgItemMessageA(window, IDOK, BM_CLICK, 0, 0);
        });
        EXPECT_EQ(dialog.DoModal(), IDOK);
        EXPECT_TRUE(driver.Found());
    }
    // Members to controls when the dialog opened.
    EXPECT_EQ(shown.radio[0], BST_UNCHECKED);
    EXPECT_EQ(shown.radio[1], BST_UNCHECKED);
    EXPECT_EQ(shown.radio[2], BST_CHECKED);
    EXPECT_EQ(shown.check, BST_CHECKED);
    EXPECT_EQ(shown.slider, 40);
    EXPECT_EQ(shown.text, "hello");
    // Controls to members on OK.
    EXPECT_EQ(dialog.m_nChoice, 0);
    EXPECT_EQ(dialog.m_nEnable, 0);
    EXPECT_EQ(dialog.m_nLevel, 77);
    EXPECT_EQ(dialog.m_strName, "world");
    // The picture drew itself through reflection; the plain owner-drawn static came to the
    // dialog as usual.
    EXPECT_GT(dialog.m_picture.m_nDrawItems, 0);
    EXPECT_EQ(dialog.m_nPictureDrawItems, 0);
    EXPECT_GT(dialog.m_nPlainDrawItems, 0);
    // The window is gone; the objects let go of it.
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(dialog.m_picture.m_hWnd, nullptr);
}

TEST(Dialog, NoRadioCheckedIsMinusOneAndControlsAttachAgainOnTheNextShow)
{
    CTestDialog dialog;
    dialog.m_nChoice = -1;
    for (int show = 0; show < 2; ++show) {
        CDialogSeen shown;
        int drawsBefore = dialog.m_picture.m_nDrawItems;
        int drawsDuring = -1;
        CWindowDriver driver("Framework test", [&](HWND window) {
            if (!window)
                return;
            shown = ReadControls(window);
            ::SendMessageA(window, WM_TEST_REDRAW, 0, 0);
            drawsDuring = 1;
            ::SendDlgItemMessageA(window, IDOK, BM_CLICK, 0, 0);
        });
        EXPECT_EQ(dialog.DoModal(), IDOK);
        EXPECT_EQ(shown.radio[0] + shown.radio[1] + shown.radio[2], 0) << "show " << show;
        EXPECT_EQ(dialog.m_nChoice, -1);
        EXPECT_EQ(drawsDuring, 1);
        EXPECT_GT(dialog.m_picture.m_nDrawItems, drawsBefore) << "the picture is attached on show " << show;
    }
    EXPECT_EQ(dialog.m_nInitCalls, 2);
}

TEST(Dialog, CancelLeavesMembersAlone)
{
    CTestDialog dialog;
    CWindowDriver driver("Framework test", [&](HWND window) {
        if (!window)
            return;
        ::SendDlgItemMessageA(window, IDC_TEST_RADIO1, BM_CLICK, 0, 0);
        ::SendDlgItemMessageA(window, IDCANCEL, BM_CLICK, 0, 0);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.m_nChoice, 2);
}

TEST(ListView, ItemTextsComeBackWholeWhateverTheirLengthAndWidth)
{
    ASSERT_TRUE(InitFramework());
    const std::unique_ptr<std::remove_pointer_t<HWND>, CWindowDestroyer> window(::CreateWindowExA(
        0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr));
    ASSERT_NE(window, nullptr);
    const CListView list(window.get());
    list.InsertColumn(0, "Name", 150);
    list.InsertColumn(1, "Mark", 100, LVCFMT_CENTER);
    // Around the first buffer's size and far past it: the control fills a buffer too small.
    const std::string texts[] = {"", std::string(MAX_PATH - 2, 'a'), std::string(MAX_PATH - 1, 'b'),
                                 std::string(MAX_PATH, 'c'), std::string(2000, 'd') + "end"};
    const int count = static_cast<int>(std::size(texts));
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(list.InsertItem(i, texts[i].c_str()), i);
    EXPECT_EQ(list.GetItemCount(), count);
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(list.GetItemText(i, 0), texts[i]) << "length " << texts[i].size();
    // A wide text (a program's path) is read back in the code page, not as its first byte.
    EXPECT_TRUE(list.SetItemText(1, 1, L"C:\\Caf\u00e9.exe"));
    EXPECT_EQ(list.GetItemText(1, 1), NarrowOf(L"C:\\Caf\u00e9.exe", CP_ACP));
}
