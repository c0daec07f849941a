#include "switching/FilePage.h"

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

BOOL CFilePage::OnApply()
{
    // The sheet's store query came first: settings still unstored could not be written.
    return m_bModified ? FALSE : TRUE;
}

void CFilePage::OnReset()
{
    m_bModified = 0;
}
