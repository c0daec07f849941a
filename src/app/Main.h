#pragma once
#include <windows.h>

#include <string>

// The whole life of the resident program: single instance, hidden window, device discovery,
// worker thread, tray icon, message loop and orderly shutdown. Returns 0 on every path.
int KinetraMain(HINSTANCE instance);

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Wait between an interface arrival and the rediscovery, so the new pad's driver stack is up.
constexpr DWORD kArrivalSettleMs = 2000;

// What waited for the pads to be free again (a put-back asked for while the sheet held them);
// run when the sheet closes, the pads change, and once a second while something waits.
void RunDeferredWork();

// A change of profile from outside the sheet, on screen unless the user turned that off:
// `topic` names what changed (a pad), so that the sign shows one line for each.
void ShowOnScreen(const std::string& topic, const std::string& line, bool failed);
