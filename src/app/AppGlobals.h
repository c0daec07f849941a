#pragma once
#include <windows.h>

#include <string>

class CTrayIcon;
class CDeviceThread;
class CDxInput;

extern HINSTANCE g_hInstance;  // the program module, for icons and menus
extern HWND g_hMainWnd;        // the hidden window: tray owner and device-change target
extern CTrayIcon* g_pTray;
extern CDeviceThread* g_pThread;
extern CDxInput* g_pDevices;
// Told of every tip and balloon the tray shows ("tip", "balloon"): the demo prints them, where
// no person reads the tray.
extern void (*g_pfnTrayShown)(const char* what, const std::string& text);
