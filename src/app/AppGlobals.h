#pragma once
#include <windows.h>

class CTrayIcon;
class CDeviceThread;
class CDxInput;

extern HINSTANCE g_hInstance;  // the program module, for icons and menus
extern HWND g_hMainWnd;        // the hidden window: tray owner and device-change target
extern CTrayIcon* g_pTray;
extern CDeviceThread* g_pThread;
extern CDxInput* g_pDevices;
