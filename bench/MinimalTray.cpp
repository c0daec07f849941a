// The least a tray program of this kind is: a hidden window of its own class, an icon in the
// notification area, and a property sheet with one empty page. The start-up probe measures it
// beside Kinetra, driven the same way: WM_COMMAND 40001 opens the sheet, 40002 ends it. The
// DLLs named on its command line are mapped first: the system code a tray of its kind needs.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include "MinimalWorker.h"

namespace
{
constexpr UINT kOpenSheet = 40001;
constexpr UINT kQuit = 40002;
constexpr UINT kTrayMessage = WM_APP + 1;
constexpr WORD kPageTemplate = 100;
const char kClassName[] = "Minimal Tray Class";

bool g_bSheetOpen = false;

INT_PTR CALLBACK EmptyPageProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

void OpenSheet(HWND owner)
{
    if (g_bSheetOpen)
        return;
    g_bSheetOpen = true;
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof page;
    page.hInstance = ::GetModuleHandleA(nullptr);
    page.pszTemplate = MAKEINTRESOURCEA(kPageTemplate);
    page.pfnDlgProc = EmptyPageProc;
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    header.hwndParent = owner;
    header.pszCaption = "Minimal Tray";
    header.nPages = 1;
    header.ppsp = &page;
    ::PropertySheetA(&header);
    g_bSheetOpen = false;
}

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == kOpenSheet)
        OpenSheet(window);
    else if ((message == WM_COMMAND && LOWORD(wParam) == kQuit) || message == WM_DESTROY)
        ::PostQuitMessage(0);
    else if (message == kTrayMessage && lParam == WM_LBUTTONDBLCLK)
        OpenSheet(window);
    else
        return ::DefWindowProcA(window, message, wParam, lParam);
    return 0;
}

HWND CreateHiddenWindow(HINSTANCE instance)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    if (!::RegisterClassExA(&wc))
        return nullptr;
    return ::CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, "Minimal Tray", 0, 0, 0, 0, 0, nullptr, nullptr, instance,
                             nullptr);
}

// Maps each DLL named on the command line and keeps it for the life of the process.
void MapDlls()
{
    int count = 0;
    LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    for (int i = 1; args && i < count; ++i)
        ::LoadLibraryW(args[i]);
    ::LocalFree(args);
}
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    MapDlls();
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    const HWND window = CreateHiddenWindow(instance);
    if (!window)
        return 1;
    CMinimalWorker worker;  // no pad here: it sleeps on its event
    worker.Start({});
    NOTIFYICONDATAA icon = {};
    icon.cbSize = NOTIFYICONDATAA_V2_SIZE;
    icon.hWnd = window;
    icon.uID = 1;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = kTrayMessage;
    icon.hIcon = ::LoadIconA(nullptr, IDI_APPLICATION);
    lstrcpynA(icon.szTip, "Minimal Tray", sizeof icon.szTip);
    ::Shell_NotifyIconA(NIM_ADD, &icon);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    ::Shell_NotifyIconA(NIM_DELETE, &icon);
    return 0;
}
