// The picture classes: the stretched side picture and the off-screen controller composer.
#include <windows.h>

#include <gtest/gtest.h>

#include "controllertest/BitmapPicture.h"
#include "controllertest/DisplayBitMap.h"
#include "framework/Handles.h"
#include "framework/SubclassedControl.h"
#include "ui/UiHelpers.h"
#include "ui/UiTestIds.h"

namespace
{
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 200, 0);
constexpr COLORREF kMagenta = RGB(255, 0, 255);

COLORREF ButtonFace()
{
    return ::GetSysColor(COLOR_BTNFACE);
}

// A window to own the pictures and canvases, with one static child to attach to.
class CHostWindow
{
public:
    CHostWindow(DWORD staticStyle, int width, int height, const char* text = "")
    {
        m_hWnd = ::CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
        m_hStatic = ::CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | staticStyle, 0, 0, width, height,
                                      m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TEST_PICTURE)), nullptr,
                                      nullptr);
    }
    ~CHostWindow() { ::DestroyWindow(m_hWnd); }
    CHostWindow(const CHostWindow&) = delete;
    CHostWindow& operator=(const CHostWindow&) = delete;

    HWND m_hWnd;
    HWND m_hStatic;
};

// A screen-compatible memory canvas of one colour.
class CCanvas
{
public:
    CCanvas(int width, int height, COLORREF colour) : m_nWidth(width), m_nHeight(height)
    {
        CWindowDC screen(nullptr);
        m_dc.reset(::CreateCompatibleDC(screen.get()));
        m_bitmap.reset(::CreateCompatibleBitmap(screen.get(), width, height));
        m_hOld = ::SelectObject(m_dc.get(), m_bitmap.get());
        Fill(colour);
    }
    ~CCanvas() { ::SelectObject(m_dc.get(), m_hOld); }

    void Fill(COLORREF colour)
    {
        CBrush brush(::CreateSolidBrush(colour));
        RECT all = {0, 0, m_nWidth, m_nHeight};
        ::FillRect(m_dc.get(), &all, brush.get());
    }
    HDC dc() const { return m_dc.get(); }
    COLORREF At(int x, int y) const { return ::GetPixel(m_dc.get(), x, y); }
    int CountNot(COLORREF colour) const
    {
        int count = 0;
        for (int y = 0; y < m_nHeight; ++y)
            for (int x = 0; x < m_nWidth; ++x)
                count += At(x, y) != colour;
        return count;
    }
    // Leftmost and rightmost columns holding a pixel that is not `colour`.
    std::pair<int, int> InkColumns(COLORREF colour) const
    {
        int left = m_nWidth, right = -1;
        for (int y = 0; y < m_nHeight; ++y)
            for (int x = 0; x < m_nWidth; ++x)
                if (At(x, y) != colour) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        return {left, right};
    }

private:
    int m_nWidth, m_nHeight;
    CMemDC m_dc;
    CBitmap m_bitmap;
    HGDIOBJ m_hOld = nullptr;
};

// 40 x 20: black surround, a green block at (10, 5)-(30, 15).
HBITMAP MakePadPicture()
{
    DWORD* bits = nullptr;
    HBITMAP bitmap = MakeSolidBitmap(40, 20, kBlack, &bits);
    FillBits(bits, 40, {10, 5, 30, 15}, kGreen);
    return bitmap;
}
}

TEST(BitmapPicture, BecomesOwnerDrawnAndKeepsItsOtherStyles)
{
    CHostWindow host(SS_LEFT | SS_SUNKEN, 60, 40);
    CBitmapPicture picture;
    ASSERT_TRUE(picture.SubclassWindow(host.m_hStatic));
    const DWORD style = picture.GetStyle();
    EXPECT_EQ(style & SS_TYPEMASK, static_cast<DWORD>(SS_OWNERDRAW));
    EXPECT_TRUE(style & SS_SUNKEN);
    EXPECT_EQ(CSubclassedControl::FromHandle(host.m_hStatic), &picture);
}

TEST(BitmapPicture, WithoutBitmapErasesToButtonFace)
{
    CHostWindow host(SS_LEFT, 30, 20);
    CBitmapPicture picture;
    ASSERT_TRUE(picture.SubclassWindow(host.m_hStatic));
    CCanvas canvas(30, 20, kMagenta);
    EXPECT_EQ(::SendMessageA(host.m_hStatic, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0), TRUE);
    EXPECT_EQ(canvas.CountNot(ButtonFace()), 0);
}

TEST(BitmapPicture, StretchesAllButTheLastRowAndColumnOverTheClientArea)
{
    CHostWindow host(SS_LEFT, 30, 30);
    CBitmapPicture picture;
    ASSERT_TRUE(picture.SubclassWindow(host.m_hStatic));
    // 3 x 3: blue, with a red last column and a red last row that the stretch leaves out.
    DWORD* bits = nullptr;
    HBITMAP bitmap = MakeSolidBitmap(3, 3, kBlue, &bits);
    FillBits(bits, 3, {2, 0, 3, 3}, kRed);
    FillBits(bits, 3, {0, 2, 3, 3}, kRed);
    ASSERT_TRUE(picture.SetImage(bitmap));
    EXPECT_EQ(picture.m_imageInfo.bmWidth, 3);
    EXPECT_EQ(picture.m_imageInfo.bmHeight, 3);
    CCanvas canvas(30, 30, kMagenta);
    ::SendMessageA(host.m_hStatic, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0);
    EXPECT_EQ(canvas.CountNot(kBlue), 0) << "every pixel comes from the blue 2 x 2 source";
}

TEST(BitmapPicture, ReloadOfABitmapSetByHandleReturnsZeroAndKeepsIt)
{
    CBitmapPicture picture;
    HBITMAP bitmap = MakeSolidBitmap(4, 4, kBlue);
    ASSERT_NE(picture.SetImage(bitmap), 0);
    EXPECT_EQ(picture.m_nImageId, -1);
    EXPECT_TRUE(picture.m_strImageName.empty());
    EXPECT_EQ(picture.ReloadImage(), 0);
    EXPECT_EQ(picture.GetImage(), bitmap);
}

TEST(BitmapPicture, SetImageByIdAndNameAndReload)
{
    CHostWindow host(SS_LEFT, 60, 100);
    CBitmapPicture picture;
    ASSERT_TRUE(picture.SubclassWindow(host.m_hStatic));
    ASSERT_NE(picture.SetImage(static_cast<UINT>(IDB_TEST_SIDE)), 0);
    EXPECT_EQ(picture.m_nImageId, IDB_TEST_SIDE);
    EXPECT_EQ(picture.m_imageInfo.bmWidth, 240);
    EXPECT_EQ(picture.m_imageInfo.bmHeight, 400);
    const HBITMAP first = picture.GetImage();
    ASSERT_NE(picture.ReloadImage(), 0);
    EXPECT_NE(picture.GetImage(), first) << "loaded anew";
    EXPECT_EQ(::GetObjectType(first), 0u) << "the previous bitmap was deleted";
    // A system colour change reloads, so the mapped colours follow.
    const HBITMAP second = picture.GetImage();
    ::SendMessageA(host.m_hStatic, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_NE(picture.GetImage(), second);

    const HBITMAP kept = picture.GetImage();
    EXPECT_EQ(picture.SetImage(static_cast<UINT>(4242)), 0);
    EXPECT_EQ(picture.GetImage(), kept) << "a resource that does not load leaves the bitmap";

    ASSERT_NE(picture.SetImage("TESTSIDE"), 0);
    EXPECT_EQ(picture.m_nImageId, -1);
    EXPECT_EQ(picture.m_strImageName, "TESTSIDE");
    EXPECT_EQ(picture.m_imageInfo.bmWidth, 240);
    EXPECT_NE(picture.ReloadImage(), 0);
    const HBITMAP named = picture.GetImage();
    EXPECT_EQ(picture.SetImage("NOSUCHPICTURE"), 0);
    EXPECT_EQ(picture.GetImage(), named);
}

TEST(BitmapPicture, DrawsItsTextCentredAndNothingWhenEmpty)
{
    CHostWindow host(SS_LEFT, 120, 24, "Kinetra");
    CBitmapPicture picture;
    ASSERT_TRUE(picture.SubclassWindow(host.m_hStatic));
    CCanvas canvas(120, 24, kWhite);
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_STATIC;
    item.CtlID = IDC_TEST_PICTURE;
    item.hwndItem = host.m_hStatic;
    item.hDC = canvas.dc();
    item.rcItem = {0, 0, 120, 24};
    ::SendMessageA(host.m_hStatic, WM_REFLECT_DRAWITEM, IDC_TEST_PICTURE, reinterpret_cast<LPARAM>(&item));
    ASSERT_GT(canvas.CountNot(kWhite), 0) << "the text was drawn";
    const auto [left, right] = canvas.InkColumns(kWhite);
    EXPECT_NEAR(left, 119 - right, 3) << "owner-drawn type sets the centre bit";
    EXPECT_EQ(canvas.At(0, 0), kWhite) << "transparent background";

    canvas.Fill(kWhite);
    ::SetWindowTextA(host.m_hStatic, "");
    ::SendMessageA(host.m_hStatic, WM_REFLECT_DRAWITEM, IDC_TEST_PICTURE, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(canvas.CountNot(kWhite), 0);
}

TEST(DisplayBitMap, PlacementCentresAndGoesNegativeWhenTheClientIsNarrower)
{
    CHostWindow host(SS_LEFT, 10, 10);
    CDisplayBitMap view;
    view.m_rcClient = {0, 0, 101, 300};
    view.Create(host.m_hWnd, MakePadPicture(), MakeSolidBitmap(200, 100, kBlue), MakeSolidBitmap(200, 100, kRed));
    EXPECT_EQ(view.m_nPictureWidth, 200);
    EXPECT_EQ(view.m_nPictureHeight, 100);
    EXPECT_EQ(view.m_placement.x0, -49) << "(101 - 200) / 2 rounds toward zero";
    EXPECT_EQ(view.m_placement.y0, 100);
    EXPECT_EQ(view.m_placement.height, 100);
    EXPECT_EQ(view.m_placement.width, 200);
    view.Release();
}

TEST(DisplayBitMap, CreatesFromTheProgramArtworkById)
{
    CHostWindow host(SS_LEFT, 10, 10);
    CDisplayBitMap view;
    view.m_rcClient = {0, 0, 500, 400};
    view.Create(host.m_hWnd, IDB_TEST_PAD_MASK, IDB_TEST_PAD, IDB_TEST_PRESSED);
    EXPECT_EQ(view.m_nPictureWidth, 397);
    EXPECT_EQ(view.m_nPictureHeight, 283);
    EXPECT_EQ(view.m_placement.x0, (500 - 397) / 2);
    EXPECT_EQ(view.m_placement.y0, (400 - 283) / 2);
    ASSERT_TRUE(view.m_bmpMask);
    BITMAP mask = {};
    ::GetObjectA(view.m_bmpMask.get(), sizeof(mask), &mask);
    EXPECT_EQ(mask.bmBitsPixel, 1);
    EXPECT_EQ(mask.bmWidth, 397);
    view.Compose();
    view.Release();
}

TEST(DisplayBitMap, MaskIsOneWhereTheSourceIsTransparent)
{
    CBitmap picture(MakePadPicture());
    CBitmap mask = CDisplayBitMap::CreateMask(picture.get(), kBlack);
    ASSERT_TRUE(mask);
    EXPECT_EQ(PixelOf(mask.get(), 0, 0), kWhite) << "black surround: transparent";
    EXPECT_EQ(PixelOf(mask.get(), 15, 10), kBlack) << "the controller: opaque";
    EXPECT_EQ(PixelOf(picture.get(), 15, 10), kGreen) << "with black as the colour the bitmap is unchanged";
    EXPECT_EQ(PixelOf(picture.get(), 0, 0), kBlack);

    // Another transparent colour: those pixels of the bitmap turn black.
    CBitmap other(MakePadPicture());
    CBitmap greenMask = CDisplayBitMap::CreateMask(other.get(), kGreen);
    EXPECT_EQ(PixelOf(greenMask.get(), 15, 10), kWhite);
    EXPECT_EQ(PixelOf(greenMask.get(), 0, 0), kBlack);
    EXPECT_EQ(PixelOf(other.get(), 15, 10), kBlack);
}

TEST(DisplayBitMap, ComposeMakesBlackTransparentForTheOwnersDraw)
{
    CHostWindow host(SS_LEFT, 10, 10);
    CDisplayBitMap view;
    view.m_rcClient = {0, 0, 60, 30};
    view.Create(host.m_hWnd, MakePadPicture(), MakePadPicture(), MakeSolidBitmap(40, 20, kRed));
    view.Compose();
    EXPECT_EQ(::GetPixel(view.m_dcMaskCanvas.get(), 0, 0), ButtonFace()) << "surround shows the background";
    EXPECT_EQ(::GetPixel(view.m_dcMaskCanvas.get(), 15, 10), kBlack) << "a hole where the controller is";
    EXPECT_EQ(::GetPixel(view.m_dcMaskCanvas.get(), 50, 25), ButtonFace()) << "outside the picture";
    EXPECT_EQ(::GetPixel(view.m_dcLive.get(), 15, 10), kGreen);

    // The owner's transparent draw: mask canvas, then the picture ORed onto it.
    CCanvas screen(60, 30, kMagenta);
    ::BitBlt(screen.dc(), 0, 0, 60, 30, view.m_dcMaskCanvas.get(), 0, 0, SRCCOPY);
    {
        CSelectObject select(view.m_dcPicture.get(), view.m_bmpPicture.get());
        ::BitBlt(screen.dc(), 0, 0, view.m_nPictureWidth, view.m_nPictureHeight, view.m_dcPicture.get(), 0, 0,
                 SRCPAINT);
    }
    EXPECT_EQ(screen.At(0, 0), ButtonFace());
    EXPECT_EQ(screen.At(39, 19), ButtonFace());
    EXPECT_EQ(screen.At(15, 10), kGreen);
    view.Release();
}

TEST(DisplayBitMap, MarkPressedCopiesOnlyAfterCompose)
{
    CHostWindow host(SS_LEFT, 10, 10);
    CDisplayBitMap view;
    view.m_rcClient = {0, 0, 60, 30};
    view.Create(host.m_hWnd, MakePadPicture(), MakePadPicture(), MakeSolidBitmap(40, 20, kRed));
    EXPECT_NE(::GetCurrentObject(view.m_dcLive.get(), OBJ_BITMAP), view.m_bmpLive.get())
        << "the live canvas is selected only by Compose";
    view.MarkPressed(12, 6, 4, 4);
    EXPECT_NE(::GetPixel(view.m_dcLive.get(), 13, 7), kRed) << "without Compose the mark lands nowhere";
    EXPECT_NE(PixelOf(view.m_bmpLive.get(), 13, 7), kRed);

    view.Compose();
    EXPECT_EQ(::GetPixel(view.m_dcLive.get(), 13, 7), kGreen);
    view.MarkPressed(12, 6, 4, 4);
    EXPECT_EQ(::GetPixel(view.m_dcLive.get(), 12, 6), kRed);
    EXPECT_EQ(::GetPixel(view.m_dcLive.get(), 15, 9), kRed);
    EXPECT_EQ(::GetPixel(view.m_dcLive.get(), 11, 7), kGreen);
    EXPECT_EQ(::GetPixel(view.m_dcLive.get(), 16, 7), kGreen);
    EXPECT_EQ(::GetPixel(view.m_dcLive.get(), 13, 10), kGreen);

    view.Compose();
    EXPECT_EQ(::GetPixel(view.m_dcLive.get(), 13, 7), kGreen) << "Compose clears the marks";
}

TEST(DisplayBitMap, ReleaseFreesEverything)
{
    CHostWindow host(SS_LEFT, 10, 10);
    CDisplayBitMap view;
    view.m_rcClient = {0, 0, 60, 30};
    view.Create(host.m_hWnd, MakePadPicture(), MakePadPicture(), MakeSolidBitmap(40, 20, kRed));
    view.Compose();
    const HBITMAP live = view.m_bmpLive.get();
    const HBITMAP canvas = view.m_bmpMaskCanvas.get();
    const HBITMAP mask = view.m_bmpMask.get();
    const HDC liveDc = view.m_dcLive.get();
    view.Release();
    EXPECT_EQ(::GetObjectType(live), 0u);
    EXPECT_EQ(::GetObjectType(canvas), 0u);
    EXPECT_EQ(::GetObjectType(mask), 0u);
    EXPECT_EQ(::GetObjectType(liveDc), 0u);
    EXPECT_FALSE(view.m_dcLive);
    // Created and released again, as a page does on each show.
    view.Create(host.m_hWnd, MakePadPicture(), MakePadPicture(), MakeSolidBitmap(40, 20, kRed));
    view.Compose();
    EXPECT_EQ(::GetPixel(view.m_dcLive.get(), 15, 10), kGreen);
}
