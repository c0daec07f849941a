#include "controllertest/BitmapPicture.h"

#include <cassert>

#include "framework/ScaledArt.h"

CBitmapPicture::CBitmapPicture() = default;

CBitmapPicture::~CBitmapPicture() = default;

BOOL CBitmapPicture::SetImage(HBITMAP bitmap)
{
    if (bitmap != m_hImage.get())
        m_hImage.reset(bitmap);
    if (m_hWnd) {
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
        ::UpdateWindow(m_hWnd);
    }
    m_imageInfo = {};
    if (bitmap && !::GetObjectA(bitmap, sizeof(m_imageInfo), &m_imageInfo))
        return FALSE;
    return TRUE;
}

BOOL CBitmapPicture::SetImage(UINT resourceId)
{
    m_nImageId = static_cast<int>(resourceId);
    m_strImageName.clear();
    return LoadFromResource(MAKEINTRESOURCEA(LOWORD(resourceId)));
}

BOOL CBitmapPicture::SetImage(const char* resourceName)
{
    m_nImageId = -1;
    m_strImageName = resourceName ? resourceName : "";
    return LoadFromResource(m_strImageName.c_str());
}

BOOL CBitmapPicture::LoadFromResource(const char* resource)
{
    // Grey shades follow the current 3-D colours and the first pixel's colour becomes the
    // window colour, so the picture sits on the page like a part of it.
    // A picture by id is drawn for the display scale, so the stretch to the control is small.
    auto* bitmap = IS_INTRESOURCE(resource)
                       ? LoadArtBitmap(LOWORD(reinterpret_cast<ULONG_PTR>(resource)), ArtDpi(), true)
                       : static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr), resource, IMAGE_BITMAP, 0, 0,
                                                           LR_LOADMAP3DCOLORS | LR_LOADTRANSPARENT));
    if (!bitmap)
        return FALSE;
    return SetImage(bitmap);
}

BOOL CBitmapPicture::ReloadImage()
{
    if (m_nImageId > 0)
        return SetImage(static_cast<UINT>(m_nImageId));
    if (!m_strImageName.empty()) {
        const std::string name = m_strImageName;
        return SetImage(name.c_str());
    }
    return FALSE;
}

void CBitmapPicture::PreSubclassWindow()
{
    CSubclassedControl::PreSubclassWindow();
    ModifyStyle(0, SS_OWNERDRAW);
}

LRESULT CBitmapPicture::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND: return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    case WM_SYSCOLORCHANGE: OnSysColorChange(); return 0;
    default: return Default(message, wParam, lParam);
    }
}

BOOL CBitmapPicture::OnEraseBkgnd(HDC dc)
{
    const RECT client = GetClientRect();
    if (!m_hImage) {
        CBrush face(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE)));
        ::FillRect(dc, &client, face.get());
        return TRUE;
    }
    CMemDC memory(::CreateCompatibleDC(dc));
    assert(memory && "a memory context for the picture");
    if (!memory)
        return TRUE;
    CSelectObject select(memory.get(), m_hImage.get());
    ::SetStretchBltMode(dc, COLORONCOLOR);
    // The source stops one pixel short of the bitmap's right and bottom edges.
    ::StretchBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, m_imageInfo.bmWidth - 1,
                 m_imageInfo.bmHeight - 1, SRCCOPY);
    return TRUE;
}

void CBitmapPicture::OnSysColorChange()
{
    Default(WM_SYSCOLORCHANGE, 0, 0);
    ReloadImage();
}

void CBitmapPicture::DrawItem(DRAWITEMSTRUCT* item)
{
    const std::string text = GetWindowText();
    if (text.empty() || !item)
        return;
    const DWORD style = GetStyle();
    UINT format = DT_NOPREFIX | DT_NOCLIP | DT_SINGLELINE | DT_WORDBREAK;
    if (style & SS_CENTERIMAGE)
        format |= DT_VCENTER;
    if (style & SS_CENTER)
        format |= DT_CENTER;
    else if (style & SS_RIGHT)
        format |= DT_RIGHT;
    const int previousMode = ::SetBkMode(item->hDC, TRANSPARENT);
    RECT rect = item->rcItem;
    ::DrawTextA(item->hDC, text.c_str(), -1, &rect, format);
    ::SetBkMode(item->hDC, previousMode);
}
