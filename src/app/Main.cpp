#include "app/Main.h"

#include <dbt.h>

#include <exception>

#include "app/AppGlobals.h"
#include "device/DeviceThread.h"
#include "app/SwitchPanel.h"
#include "app/Tray.h"
#include "command/CommandServer.h"
#include "device/DxInput.h"
#include "framework/MessageBox.h"
#include "framework/Window.h"
#include "profiles/ProfileLoad.h"
#include "resource.h"
#include "settings/Setting.h"
#include "switching/ProgramSwitcher.h"
#include "switching/ShortcutKeys.h"

namespace
{
const char kClassName[] = "Kinetra Class";
const char kMutexName[] = "Kinetra Class";
UINT g_uTaskbarCreated = 0;
constexpr UINT_PTR kDeferredTimer = 0x4D01;
constexpr UINT kDeferredMs = 1000;

bool CreateMainWindow(HINSTANCE instance)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    wc.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(IDI_KINETRA));
    // The drawn small image at the size the system DPI asks for, not the large one shrunk.
    wc.hIconSm = static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(IDI_KINETRA), IMAGE_ICON,
                                                 ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                                 LR_SHARED));
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = ::CreateSolidBrush(RGB(0, 0, 125));
    wc.lpszClassName = kClassName;
    if (!::RegisterClassExA(&wc))
        return false;
    g_hMainWnd = ::CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, "Kinetra", 0, 0, 0, 0, 0, nullptr, nullptr, instance,
                                   nullptr);
    return g_hMainWnd != nullptr;
}

void UpdateWaitTimeout()
{
    g_dwWaitTimeout = CSetting::GetInstance()->m_nDeviceCount <= 0 ? kIdleWaitMs : 0;
}

bool IsInterfaceArrival(LPARAM lParam)
{
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
    return header && header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE;
}

void OnDeviceChange(WPARAM event, LPARAM lParam)
{
    g_pDevices = CDxInput::GetInstance();
    if (event == DBT_DEVICEARRIVAL) {
        if (!IsInterfaceArrival(lParam))
            return;
        ::Sleep(kArrivalSettleMs);
    } else if (event != DBT_DEVICEREMOVEPENDING && event != DBT_DEVICEREMOVECOMPLETE) {
        return;
    }
    if (CSetting::RefreshDevices())
        UpdateWaitTimeout();
    g_pTray->UpdateTip();
    CProgramSwitcher::Get().OnPadsChanged();
    RunDeferredWork();
}

void OnTrayNotify(LPARAM lParam)
{
    if (lParam == WM_RBUTTONUP)
        g_pTray->ShowMenu();
    else if (lParam == WM_LBUTTONDBLCLK)
        g_pTray->OpenConfiguration();
}

LRESULT OnCommand(WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case ID_CONFIGURATION: g_pTray->OpenConfiguration(); break;
    case ID_QUIT: ::PostQuitMessage(0); break;
    default: g_pTray->OnProfileCommand(LOWORD(wParam)); break;
    }
    return 0;
}

void OnLoadTried(int slot, const std::string& name, ELoadCaller caller, const CLoadOutcome& outcome)
{
    // The switching tries again what it was refused for now: the sign waits for the switch.
    if (caller == ELoadCaller::kSwitching && outcome.result == ELoadResult::kSheetBusy)
        return;
    const std::string onDisk = ProfileNameOnDisk(name);
    const std::string profile = onDisk.empty() ? name : onDisk;
    const std::string pad = ProgrammableSlots().size() > 1 ? "Pad " + std::to_string(slot + 1) + ": " : "";
    ShowOnScreen("pad " + std::to_string(slot),
                 outcome.Loaded() ? pad + profile : pad + profile + " was not loaded: " + outcome.message,
                 !outcome.Loaded());
}

LRESULT Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: return OnCommand(wParam);
    case WM_DESTROY: ::PostQuitMessage(0); return 0;
    case WM_DEVICECHANGE: OnDeviceChange(wParam, lParam); return 0;
    case WM_TRAY_NOTIFY: OnTrayNotify(lParam); return 0;
    case WM_HOTKEY: CShortcutKeys::Get().OnHotKey(wParam); return 0;
    case kCommandMessage:
        CCommandServer::OnCommandMessage(lParam);
        if (HasPendingPutBacks())
            ::SetTimer(g_hMainWnd, kDeferredTimer, kDeferredMs, nullptr);
        return 0;
    case WM_TIMER:
        if (wParam == kDeferredTimer)
            RunDeferredWork();
        else if (!CProgramSwitcher::Get().OnTimer(wParam))
            break;
        return 0;
    default: break;
    }
    if (message == g_uTaskbarCreated && g_uTaskbarCreated != 0) {
        g_pTray->Readd();
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

void RunMessageLoop()
{
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

// Steps 7 to 14 of start-up; false when start-up ended the program early.
bool RunResident()
{
    g_pThread = CDeviceThread::GetInstance();
    g_pThread->ResetDeviceSlots();
    g_pDevices = CDxInput::GetInstance();
    g_pDevices->RegisterNotification(g_hMainWnd);
    // At start-up a failed match ends the program; later the program keeps running. The model,
    // and with it the config folder, is made by the table update or by the read of the device
    // count below, so a failure before either leaves nothing behind.
    if (!CSetting::RefreshDevices())
        return false;
    g_nHandleSlots = kDeviceSlots;
    UpdateWaitTimeout();
    g_pThread->Start();
    g_uTaskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");
    g_pTray->Add();
    // KinetraCmd finds no Kinetra when the pipe cannot be made; the tray works without it.
    CCommandServer commands;
    commands.Start(g_hMainWnd);
    SetManualChoiceHandler([] { CProgramSwitcher::Get().NoteManualChoice(); });
    CProgramSwitcher::Get().SetWarningHandler(
        [](const std::string& title, const std::string& text) { g_pTray->ShowBalloon(title, text); });
    CProgramSwitcher::Get().Start(g_hMainWnd);
    SetLoadTriedHandler(OnLoadTried);
    CShortcutKeys::Get().SetHandlers(
        [](const std::string& title, const std::string& text) { g_pTray->ShowBalloon(title, text); }, ShowOnScreen);
    CShortcutKeys::Get().Start(g_hMainWnd);
    RunMessageLoop();
    CShortcutKeys::Get().Stop();
    CProgramSwitcher::Get().Stop();
    commands.Stop();
    g_pTray->Remove();
    g_pThread->Stop();
    return true;
}
}

void RunDeferredWork()
{
    for (const std::string& said : RetryPendingPutBacks())
        g_pTray->ShowBalloon("Settings put back", said);
    if (!HasPendingPutBacks())
        ::KillTimer(g_hMainWnd, kDeferredTimer);
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        return Dispatch(window, message, wParam, lParam);
    } catch (const std::exception& e) {
        CMessageBox::Show(nullptr, e.what(), "Error", MB_OK | MB_ICONWARNING);
    } catch (...) {
    }
    return 0;
}

void ShowOnScreen(const std::string& topic, const std::string& line, bool failed)
{
    if (CShortcutKeys::Get().Shortcuts().panelOn)
        CSwitchPanel::Get().Show(topic, line, failed);
}

int KinetraMain(HINSTANCE instance)
{
    const HANDLE mutex = ::CreateMutexA(nullptr, FALSE, kMutexName);
    const bool anotherInstance = ::GetLastError() == ERROR_ALREADY_EXISTS;
    static CTrayIcon tray;
    g_pTray = &tray;
    if (anotherInstance) {
        ::CloseHandle(mutex);
        return 0;
    }
    if (!InitFramework()) {
        CMessageBox::Show(nullptr, "Failed to init MFC", "Error", MB_OK | MB_ICONWARNING);
    } else {
        g_hInstance = instance;
        try {
            if (CreateMainWindow(instance))
                RunResident();
        } catch (const std::exception& e) {
            // The settings model could not make its config folder: end in order, saying why.
            CMessageBox::Show(nullptr, e.what(), "Error", MB_OK | MB_ICONWARNING);
        }
    }
    ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
    return 0;
}
