#include "framework/Dpi.h"

#include "framework/Handles.h"

int SystemDpi()
{
    const CWindowDC screen(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : kBaseDpi;
}
