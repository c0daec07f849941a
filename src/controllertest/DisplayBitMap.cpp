#include "controllertest/DisplayBitMap.h"

#include "framework/Dpi.h"
#include "framework/ScaledArt.h"

namespace
{
SIZE BitmapSize(HBITMAP bitmap)
{
    BITMAP info = {};
    if (!bitmap || !::GetObjectA(bitmap, sizeof(info), &info))
        return {0, 0};
    return {info.bmWidth, info.bmHeight};
}

}

void CDisplayBitMap::Create(HWND owner, UINT maskSourceId, UINT pictureId, UINT pressedId)
{
    Create(owner, LoadArtBitmap(maskSourceId, m_nDpi), LoadArtBitmap(pictureId, m_nDpi),
           LoadArtBitmap(pressedId, m_nDpi));
}

void CDisplayBitMap::Create(HWND owner, HBITMAP maskSource, HBITMAP picture, HBITMAP pressed)
{
    CBitmap source(maskSource);
    m_hOwner = owner;
    CWindowDC window(owner);
    for (CMemDC* dc : {&m_dcMaskCanvas, &m_dcLive, &m_dcPicture, &m_dcPressed, &m_dcMask})
        dc->reset(::CreateCompatibleDC(window.get()));
    const int clientWidth = m_rcClient.right;
    const int clientHeight = m_rcClient.bottom;
    m_bmpMaskCanvas.reset(::CreateCompatibleBitmap(window.get(), clientWidth, clientHeight));
    m_bmpPicture.reset(picture);
    m_bmpPressed.reset(pressed);
    m_bmpMask = CreateMask(source.get(), RGB(0, 0, 0));
    source.reset();
    m_bmpLive.reset(::CreateCompatibleBitmap(window.get(), clientWidth, clientHeight));
    const SIZE size = BitmapSize(m_bmpPicture.get());
    m_nPictureWidth = size.cx;
    m_nPictureHeight = size.cy;
    m_placement = {(clientWidth - size.cx) / 2, (clientHeight - size.cy) / 2, size.cy, size.cx};
}

void CDisplayBitMap::Compose()
{
    // The canvases stay selected until Release, so the owner can paint from their contexts.
    if (!m_hOldMaskCanvas)
        m_hOldMaskCanvas = ::SelectObject(m_dcMaskCanvas.get(), m_bmpMaskCanvas.get());
    if (!m_hOldLive)
        m_hOldLive = ::SelectObject(m_dcLive.get(), m_bmpLive.get());
    CSelectObject mask(m_dcMask.get(), m_bmpMask.get());
    CSelectObject picture(m_dcPicture.get(), m_bmpPicture.get());

    ::FillRect(m_dcMaskCanvas.get(), &m_rcClient, ::GetSysColorBrush(COLOR_BTNFACE));
    // Mask 1 (transparent) becomes white and keeps the background; 0 becomes black.
    ::BitBlt(m_dcMaskCanvas.get(), 0, 0, m_nPictureWidth, m_nPictureHeight, m_dcMask.get(), 0, 0, SRCAND);
    ::BitBlt(m_dcLive.get(), 0, 0, m_nPictureWidth, m_nPictureHeight, m_dcPicture.get(), 0, 0, SRCCOPY);
}

void CDisplayBitMap::MarkPressed(int x, int y, int width, int height)
{
    // Edges scaled one by one, as the artwork's patches are drawn, so a mark never takes a
    // pixel of a neighbouring part.
    const int left = ScaleToDpi(x, m_nDpi);
    const int top = ScaleToDpi(y, m_nDpi);
    const int right = ScaleToDpi(x + width, m_nDpi);
    const int bottom = ScaleToDpi(y + height, m_nDpi);
    CSelectObject pressed(m_dcPressed.get(), m_bmpPressed.get());
    ::BitBlt(m_dcLive.get(), left, top, right - left, bottom - top, m_dcPressed.get(), left, top, SRCCOPY);
}

CBitmap CDisplayBitMap::CreateMask(HBITMAP bitmap, COLORREF transparent)
{
    const SIZE size = BitmapSize(bitmap);
    CBitmap mask(::CreateBitmap(size.cx, size.cy, 1, 1, nullptr));
    CMemDC source(::CreateCompatibleDC(nullptr));
    CMemDC target(::CreateCompatibleDC(nullptr));
    CSelectObject selectSource(source.get(), bitmap);
    CSelectObject selectTarget(target.get(), mask.get());
    // Colour to monochrome: pixels of the background colour become 1, all others 0.
    ::SetBkColor(source.get(), transparent);
    ::BitBlt(target.get(), 0, 0, size.cx, size.cy, source.get(), 0, 0, SRCCOPY);
    // Monochrome back to colour maps 1 to `transparent` and 0 to black; XOR turns the
    // transparent pixels black and leaves the rest.
    ::BitBlt(source.get(), 0, 0, size.cx, size.cy, target.get(), 0, 0, SRCINVERT);
    return mask;
}

void CDisplayBitMap::Release()
{
    if (m_hOldMaskCanvas)
        ::SelectObject(m_dcMaskCanvas.get(), m_hOldMaskCanvas);
    m_hOldMaskCanvas = nullptr;
    m_dcMaskCanvas.reset();
    m_bmpMaskCanvas.reset();
    if (m_hOldLive)
        ::SelectObject(m_dcLive.get(), m_hOldLive);
    m_hOldLive = nullptr;
    m_dcLive.reset();
    m_bmpLive.reset();
    m_dcPicture.reset();
    m_bmpPicture.reset();
    m_dcPressed.reset();
    m_bmpPressed.reset();
    m_dcMask.reset();
    m_bmpMask.reset();
}
