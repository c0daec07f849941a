#pragma once
#include <windows.h>

#include "framework/Handles.h"

// Off-screen composer of a controller picture: a mask canvas (the page background with a
// black hole where the controller is, for a transparent draw) and a live canvas (the picture
// with pressed-state marks). Both canvases have the owner's client size.
//
// Order: set m_rcClient (and m_nDpi), Create, Compose, any number of MarkPressed, Release.
// Without a Compose the live canvas is not selected and marks land nowhere.
//
// The pictures are drawn for m_nDpi (framework/ScaledArt.h); marks are given in the 96-DPI
// pixels of the picture and land on the same parts at every scale.
class CDisplayBitMap
{
public:
    struct CPlacement
    {
        int x0 = 0;  // (client width - picture width) / 2, toward zero; negative when narrower
        int y0 = 0;
        int height = 0;
        int width = 0;
    };

    CDisplayBitMap() = default;
    virtual ~CDisplayBitMap() { Release(); }
    CDisplayBitMap(const CDisplayBitMap&) = delete;
    CDisplayBitMap& operator=(const CDisplayBitMap&) = delete;

    // Bitmap resources of the program by id.
    void Create(HWND owner, UINT maskSourceId, UINT pictureId, UINT pressedId);
    // The same from bitmaps in hand; takes ownership of all three (the mask source is
    // deleted once the mask is made).
    void Create(HWND owner, HBITMAP maskSource, HBITMAP picture, HBITMAP pressed);
    void Compose();
    // (x, y, width, height) in 96-DPI picture pixels.
    void MarkPressed(int x, int y, int width, int height);
    void Release();

    // A monochrome mask of `bitmap`: 1 where it has the colour `transparent`, 0 elsewhere.
    // Those pixels of `bitmap` turn black.
    static CBitmap CreateMask(HBITMAP bitmap, COLORREF transparent);

    HWND m_hOwner = nullptr;
    CMemDC m_dcMaskCanvas;
    CBitmap m_bmpMaskCanvas;
    HGDIOBJ m_hOldMaskCanvas = nullptr;
    CMemDC m_dcLive;
    CBitmap m_bmpLive;
    HGDIOBJ m_hOldLive = nullptr;
    CMemDC m_dcPicture;
    CBitmap m_bmpPicture;
    CMemDC m_dcPressed;
    CBitmap m_bmpPressed;
    CMemDC m_dcMask;
    CBitmap m_bmpMask;
    CPlacement m_placement;
    int m_nPictureHeight = 0;
    int m_nPictureWidth = 0;
    RECT m_rcClient = {};  // set by the owner before Create; width = right, height = bottom
    int m_nDpi = 96;       // the DPI the pictures loaded by id are drawn for
};
