#include "sheet/PropSheet.h"

#include "controllertest/PropDisplay.h"
#include "framework/Handles.h"
#include "keys/PropButton.h"
#include "keys/PropMovement.h"
#include "profiles/ActiveProfiles.h"
#include "profiles/ProfileLoad.h"
#include "profiles/PropProfile.h"
#include "resource.h"
#include "settings/Setting.h"
#include "sheet/PropGeneral.h"
#include "switching/PropPrograms.h"

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

CPropSheet* CPropSheet::GetInstance()
{
    // The page objects live as long as the sheet; statics are destroyed in reverse order of
    // creation at exit. Creation order: sheet, Button, General, Direction Pad and Motion
    // Function, then the Display and Profile pages.
    static CPropSheet sheet;
    static CPropButton button;
    static CPropGeneral general;
    static CPropMovement movement;
    static CPropDisplay display;
    static CPropProfile profile;
    static CPropPrograms programs;
    if (sheet.GetPageCount() == 0) {
        // Page order of the sheet: the settings pages (General, Button, Direction Pad and
        // Motion Function, Profile, Programs), then the test page, Display.
        sheet.AddPage(&general);
        sheet.AddPage(&button);
        sheet.AddPage(&movement);
        sheet.AddPage(&profile);
        sheet.AddPage(&programs);
        sheet.AddPage(&display);
    }
    return &sheet;
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
    const CPadValues before = ReadPadValues(setting->m_nCurrentDevice);
    setting->SaveCurrentDevice();
    setting->RequestDriverUpdate();
    // The pad no longer holds its profile as it was loaded, when the Apply changed its values
    // (not when only the Programs page, say, had something to apply).
    if (ReadPadValues(setting->m_nCurrentDevice) != before)
        CActiveProfiles::Get().MarkModified(setting->CurrentPadId());
}

ESheetHold CPropSheet::Hold() const
{
    if (!m_bShowing || !m_hWnd)
        return ESheetHold::kFree;
    // A modal box or dialog over the sheet disables it while it waits for the user.
    if (!::IsWindowEnabled(m_hWnd))
        return ESheetHold::kDialogOpen;
    const HWND apply = GetDlgItem(ID_APPLY_NOW);
    return apply && ::IsWindowEnabled(apply) ? ESheetHold::kUnapplied : ESheetHold::kFree;
}

void CPropSheet::ShowLoadedSettings()
{
    if (!m_bShowing || !m_hWnd)
        return;
    for (HWND page : GetPageWindows())
        ::SendMessageA(page, PSM_QUERYSIBLINGS, kQueryProfileLoaded, 0);
}
