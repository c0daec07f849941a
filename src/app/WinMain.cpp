#include <windows.h>

#include "app/Main.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return KinetraMain(instance);
}
