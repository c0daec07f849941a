#include "about/AboutDial.h"

#include <shellapi.h>

#include <string>

#include "ProductInfo.h"
#include "framework/ScaledArt.h"
#include "resource.h"
#include "settings/Setting.h"

CAboutDial::CAboutDial(HWND parent) : CDialog(IDD_ABOUT, parent) {}

void CAboutDial::DoDataExchange(CDataExchange& dx)
{
    m_picture.m_hWnd = ::GetDlgItem(dx.m_hDlg, IDC_ABOUT_PICTURE);
    m_support.m_hWnd = ::GetDlgItem(dx.m_hDlg, IDC_ABOUT_SUPPORT);
    dx.Control(IDC_ABOUT_WEB, m_webLink);
    dx.Control(IDC_ABOUT_EMAIL, m_emailLink);
}

BOOL CAboutDial::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_webLink.SetTarget(KINETRA_MAKER_WEB);
    m_emailLink.SetTarget("mailto:" KINETRA_MAKER_EMAIL);
    m_bitmap.reset(LoadArtBitmap(IDB_ABOUT, ArtDpi(), true));
    if (m_bitmap)
        m_picture.SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_bitmap.get()));
    return TRUE;
}

bool CAboutDial::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_ABOUT_HELP && code == BN_CLICKED) {
        OnHelp();
        return true;
    }
    return CDialog::OnCommand(id, code, control);
}

void CAboutDial::OnHelp()
{
    // Nothing is reported either way: a missing manual simply does not open. It is looked
    // for first because some shells (Wine's) start the browser on a file that is not there.
    char folder[MAX_PATH] = {};
    lstrcpynA(folder, g_szExeDir, MAX_PATH);
    const std::string manual = std::string(folder) + kManual;
    if (::GetFileAttributesA(manual.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    ::ShellExecuteA(nullptr, "open", kManual, nullptr, folder, SW_SHOWNORMAL);
}
