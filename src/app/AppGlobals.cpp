#include "app/AppGlobals.h"

HINSTANCE g_hInstance = nullptr;
HWND g_hMainWnd = nullptr;
CTrayIcon* g_pTray = nullptr;
CDeviceThread* g_pThread = nullptr;
CDxInput* g_pDevices = nullptr;
void (*g_pfnTrayShown)(const char*, const std::string&) = nullptr;
