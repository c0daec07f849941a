#include "switching/FilePage.h"

#include <utility>

#include "framework/MessageBox.h"
#include "settings/SheetQueries.h"

void CFilePage::Changed()
{
    const bool changed = DiffersFromStored();
    m_bModified = changed ? 1 : 0;
    SetModified(changed ? TRUE : FALSE);
}

bool CFilePage::Store()
{
    std::string error;
    if (!Save(error)) {
        CMessageBox::Show(m_hWnd, (error + "\nThe " + m_pszWhat + " were not changed.").c_str(), m_pszCaption,
                          MB_OK | MB_ICONEXCLAMATION);
        m_bStoreFailed = true;
        return false;
    }
    MarkStored();
    ShowStored();
    return true;
}

LRESULT CFilePage::OnQuerySiblings(WPARAM code, LPARAM)
{
    if (code == kQueryStore && m_bModified)
        Store();
    return 0;
}

BOOL CFilePage::OnKillActive()
{
    // The sheet's Apply checks the page it shows before it applies: after this Apply's write
    // failed and was said, asking "Apply Modified Setting?" would only apply, fail and ask again.
    if (std::exchange(m_bStoreFailed, false))
        return CPropertyPage::OnKillActive();
    return CSettingsPage::OnKillActive();
}

BOOL CFilePage::OnApply()
{
    // The sheet's store query came first: settings still unstored could not be written.
    return m_bModified ? FALSE : TRUE;
}

void CFilePage::OnReset()
{
    m_bModified = 0;
}
