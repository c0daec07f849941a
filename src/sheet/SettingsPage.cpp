#include "sheet/SettingsPage.h"

#include "framework/MessageBox.h"
#include "resource.h"

void CSettingsPage::MarkModified()
{
    m_bModified = 1;
    SetModified(TRUE);
}

void CSettingsPage::MarkStored()
{
    m_bModified = 0;
    SetModified(FALSE);
}

BOOL CSettingsPage::OnKillActive()
{
    if (m_bModified) {
        const int answer = CMessageBox::Show(m_hWnd, "Apply Modified Setting?", "Kinetra", MB_OKCANCEL);
        if (answer == IDOK) {
            ::SendMessageA(GetParentSheet(), WM_COMMAND, MAKEWPARAM(ID_APPLY_NOW, BN_CLICKED), 0);
            // Applied from inside the sheet's own leaving of the page: the sheet does not count
            // the page's edits as applied, so the page says so itself.
            if (!m_bModified)
                SetModified(FALSE);
        } else {
            m_bModified = 0;
            SetModified(FALSE);
        }
    }
    return CPropertyPage::OnKillActive();
}
