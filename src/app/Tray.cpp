#include "app/Tray.h"

#include "app/AppGlobals.h"
#include "resource.h"
#include "sheet/PropSheet.h"

CTrayIcon::~CTrayIcon()
{
    if (m_bAdded == 1)
        Remove();
    if (m_hMenu)
        ::DestroyMenu(m_hMenu);
}

void CTrayIcon::Add()
{
    m_bAdded = 1;
    // The version-2 record: what every shell since Windows 2000 accepts.
    m_nid.cbSize = NOTIFYICONDATAA_V2_SIZE;
    m_nid.hWnd = g_hMainWnd;
    m_nid.uID = IDT_TRAY_ICON;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nid.uCallbackMessage = WM_TRAY_NOTIFY;
    m_nid.hIcon = static_cast<HICON>(::LoadImageA(g_hInstance, MAKEINTRESOURCEA(IDI_TRAY), IMAGE_ICON,
                                                  ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
    lstrcpynA(m_nid.szTip, "Kinetra", sizeof m_nid.szTip);
    if (!m_hMenu) {
        m_hMenu = ::LoadMenuA(g_hInstance, MAKEINTRESOURCEA(IDR_TRAY_MENU));
        m_hPopup = ::GetSubMenu(m_hMenu, 0);
    }
    ::Shell_NotifyIconA(NIM_ADD, &m_nid);
}

void CTrayIcon::Remove()
{
    m_bAdded = 0;
    ::Shell_NotifyIconA(NIM_DELETE, &m_nid);
}

void CTrayIcon::Readd()
{
    if (m_bAdded == 1)
        ::Shell_NotifyIconA(NIM_ADD, &m_nid);
}

int CTrayIcon::ShowMenu()
{
    POINT cursor;
    if (!::GetCursorPos(&cursor) || !::SetForegroundWindow(g_hMainWnd))
        return 0;
    const int chosen = ::TrackPopupMenu(m_hPopup, TPM_LEFTALIGN | TPM_LEFTBUTTON, cursor.x, cursor.y, 0, g_hMainWnd,
                                        nullptr);
    // Without this the menu of a hidden window may not close when the user clicks elsewhere.
    ::PostMessageA(g_hMainWnd, WM_NULL, 0, 0);
    return chosen;
}

void CTrayIcon::OpenConfiguration()
{
    CPropSheet::GetInstance()->DoModal();
}
