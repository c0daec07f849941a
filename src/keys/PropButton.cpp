#include "keys/PropButton.h"

#include <iterator>

#include "framework/ScaledArt.h"
#include "resource.h"

namespace
{
constexpr int kButtonBoxes[] = {IDC_KEY_1, IDC_KEY_2, IDC_KEY_3, IDC_KEY_4,  IDC_KEY_5,  IDC_KEY_6,
                                IDC_KEY_7, IDC_KEY_8, IDC_KEY_9, IDC_KEY_10, IDC_KEY_11, IDC_KEY_12};

struct CButtonRect
{
    int x, y, width, height;
};

// Where each button lies on the pad picture (picture pixels), Button 1 first.
constexpr CButtonRect kButtonRects[] = {
    {294, 56, 30, 30}, {325, 86, 30, 30}, {294, 113, 30, 30}, {262, 84, 30, 30},  {70, 28, 18, 14},  {281, 26, 18, 14},
    {94, 28, 18, 14},  {310, 28, 18, 14}, {139, 145, 16, 16}, {242, 145, 16, 16}, {151, 90, 22, 15}, {221, 91, 24, 14},
};
}

CPropButton::CPropButton() : CKeyPage(IDD_BUTTON, IDB_PAD, kButtonBoxes, 0) {}

void CPropButton::DoDataExchange(CDataExchange& dx)
{
    CKeyPage::DoDataExchange(dx);
    if (!m_picture.m_hWnd)
        m_picture.SubclassWindow(TemplatePicture());
}

void CPropButton::OnShowWindow(BOOL show, UINT)
{
    m_view.Release();  // one Create per showing
    if (!show)
        return;
    m_view.m_rcClient = GetClientRect();
    m_view.m_nDpi = ArtDpi();
    m_view.Create(m_hWnd, IDB_PAD_MASK, IDB_PAD, IDB_PRESSED);
    // Composed at once, so the live canvas holds the picture the marks go onto.
    m_view.Compose();
}

void CPropButton::OnDestroy()
{
    CKeyPage::OnDestroy();
    m_view.Release();
}

void CPropButton::HighlightButton(int k)
{
    if (k < 0 || k >= static_cast<int>(std::size(kButtonRects)))
        return;
    const CButtonRect& r = kButtonRects[k];
    m_view.MarkPressed(r.x, r.y, r.width, r.height);
}

void CPropButton::OnKeyFocus(int k)
{
    // One mark at a time: the focused button's, or none once no box has the focus.
    if (!m_view.m_hOldLive)
        return;
    m_view.Compose();
    HighlightButton(k);
    if (m_picture.m_hWnd)
        ::InvalidateRect(m_picture.m_hWnd, nullptr, FALSE);
}

LRESULT CPropButton::CLivePicture::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT || !m_view.m_hOldLive)
        return Default(message, wParam, lParam);
    // Centred in the control, as the static centres its own picture; the rest of the control
    // takes the picture's corner colour (its surround), as the static fills it.
    const RECT client = GetClientRect();
    const int left = (client.right - m_view.m_nPictureWidth) / 2;
    const int top = (client.bottom - m_view.m_nPictureHeight) / 2;
    CPaintDC dc(m_hWnd);
    ::ExcludeClipRect(dc.get(), left, top, left + m_view.m_nPictureWidth, top + m_view.m_nPictureHeight);
    const CBrush surround(::CreateSolidBrush(::GetPixel(m_view.m_dcLive.get(), 0, 0)));
    ::FillRect(dc.get(), &client, surround.get());
    ::SelectClipRgn(dc.get(), nullptr);
    ::BitBlt(dc.get(), left, top, m_view.m_nPictureWidth, m_view.m_nPictureHeight, m_view.m_dcLive.get(), 0, 0,
             SRCCOPY);
    return 0;
}
