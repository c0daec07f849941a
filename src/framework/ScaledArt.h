#pragma once
#include <windows.h>

// The pictures are drawn for the display scales 100, 125, 150, 175 and 200 %: 100 % as the
// bitmap resource of the id, the others as PNG resources ("ART<id>_<scale>", RT_RCDATA)
// decoded with the system's imaging codecs. A page shows the scale nearest the system DPI and
// places every mark on it by that scale's DPI, so marks and picture never part.

// The DPI of the drawn scale nearest `dpi` (96, 120, 144, 168 or 192).
int ArtDpi(int dpi);
// The same for the system DPI.
int ArtDpi();

// Picture `id` drawn at `artDpi`; null when it cannot be loaded. With `faceMargin` the
// picture's margin colour (its corner pixel) becomes the button face, as LR_LOADTRANSPARENT
// with LR_LOADMAP3DCOLORS does for a bitmap resource. The caller owns the bitmap.
HBITMAP LoadArtBitmap(UINT id, int artDpi, bool faceMargin = false);
