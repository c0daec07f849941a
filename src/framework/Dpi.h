#pragma once
#include <windows.h>

// Pixel figures of the pages are 96-DPI figures (100 % display scale). Kinetra is system aware:
// the system DPI is fixed for the run of the program, and every position and size drawn or
// placed in pixels is that figure scaled to it. What the pixels stand for (a stick position, a
// force) is worked out in 96-DPI units, so it is the same at every scale.
constexpr int kBaseDpi = 96;

// The system DPI, as the screen's device context reports it.
int SystemDpi();

// A 96-DPI figure at `dpi`.
inline int ScaleToDpi(int value, int dpi)
{
    return ::MulDiv(value, dpi, kBaseDpi);
}

// A figure at `dpi` in 96-DPI units.
inline int ScaleFromDpi(int value, int dpi)
{
    return ::MulDiv(value, kBaseDpi, dpi);
}
