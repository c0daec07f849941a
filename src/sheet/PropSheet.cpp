#include "sheet/PropSheet.h"

#include "framework/Handles.h"
#include "profiles/ActiveProfiles.h"
#include "profiles/PadHistory.h"
#include "profiles/ProfileLoad.h"
#include "resource.h"
#include "settings/Setting.h"
#include "sheet/SettingsPage.h"

namespace
{
struct CSheetIcons
{
    HICON bigIcon;
    HICON smallIcon;
};

// Loaded once, on first need, and kept for the run (shared icons are never destroyed).
const CSheetIcons& SheetIcons()
{
    static const CSheetIcons icons = [] {
        HINSTANCE module = ::GetModuleHandleA(nullptr);
        auto load = [module](int metricX, int metricY) {
            return static_cast<HICON>(::LoadImageA(module, MAKEINTRESOURCEA(IDI_SHEET), IMAGE_ICON,
                                                   ::GetSystemMetrics(metricX), ::GetSystemMetrics(metricY),
                                                   LR_SHARED));
        };
        return CSheetIcons{load(SM_CXICON, SM_CYICON), load(SM_CXSMICON, SM_CYSMICON)};
    }();
    return icons;
}
}

CPropSheet::CPropSheet() : CPropertySheet("Kinetra", nullptr, 0) {}

INT_PTR CPropSheet::DoModal()
{
    if (m_bShowing) {
        ::SetForegroundWindow(m_hWnd);
        ::BringWindowToTop(m_hWnd);
        return 2;
    }
    m_bShowing = 1;
    const INT_PTR result = CPropertySheet::DoModal();
    m_bShowing = 0;
    return result;
}

BOOL CPropSheet::OnInitDialog()
{
    const BOOL result = CPropertySheet::OnInitDialog();
    // The program's main window is hidden, so the sheet is what the user sees of it: it
    // carries the program's icon in its caption and in the task switcher.
    const CSheetIcons& icons = SheetIcons();
    if (icons.bigIcon)
        SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons.bigIcon));
    if (icons.smallIcon)
        SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons.smallIcon));
    return result;
}

bool CPropSheet::OnCommand(int id, int, HWND)
{
    if (id == ID_APPLY_NOW) {
        QueryPagesToStore();
        ApplyToDevice();
    }
    return false;  // the sheet's own Apply (the pages' PSN_APPLY) follows
}

bool CPropSheet::OnPaint()
{
    CPaintDC paint(m_hWnd);  // nothing of the sheet's own to draw; the children paint
    return true;
}

void CPropSheet::QueryPagesToStore()
{
    // Straight to each page window in page order, so that every page stores, whatever an
    // earlier page answers.
    for (HWND page : GetPageWindows())
        ::SendMessageA(page, PSM_QUERYSIBLINGS, kQueryStore, 0);
}

void CPropSheet::ApplyToDevice()
{
    CSetting* setting = CSetting::GetInstance();
    if (setting->m_bDeviceActive != 1 || setting->m_nDeviceCount <= 0)
        return;
    const CPadState before = PadStateOf(setting->m_nCurrentDevice);
    setting->SaveCurrentDevice();
    setting->RequestDriverUpdate();
    RememberChange(before, "Apply");
    // The pad no longer holds its profile as it was loaded, when the Apply changed its values
    // (not when only the Programs page, say, had something to apply).
    if (ReadPadValues(setting->m_nCurrentDevice) != before.values)
        CActiveProfiles::Get().MarkModified(setting->CurrentPadId());
}

ESheetHold CPropSheet::Hold() const
{
    if (!m_bShowing || !m_hWnd)
        return ESheetHold::kFree;
    // A modal box or dialog over the sheet disables it while it waits for the user.
    if (!::IsWindowEnabled(m_hWnd))
        return ESheetHold::kDialogOpen;
    // Edits wait while Apply is offered and a page holds them: the Apply button alone may stay
    // enabled after the edits were applied from the question a page asks when it is left.
    const HWND apply = GetDlgItem(ID_APPLY_NOW);
    if (!apply || !::IsWindowEnabled(apply))
        return ESheetHold::kFree;
    for (int i = 0; i < GetPageCount(); ++i) {
        const auto* page = dynamic_cast<const CSettingsPage*>(GetPage(i));
        if (page && page->m_hWnd && page->m_bModified)
            return ESheetHold::kUnapplied;
    }
    return ESheetHold::kFree;
}

void CPropSheet::ShowLoadedSettings()
{
    if (!m_bShowing || !m_hWnd)
        return;
    for (HWND page : GetPageWindows())
        ::SendMessageA(page, PSM_QUERYSIBLINGS, kQueryProfileLoaded, 0);
}
