#include "framework/PropertyPage.h"

PROPSHEETPAGEA CPropertyPage::GetPageDescription()
{
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof(page);
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = ::GetModuleHandleA(nullptr);
    page.pszTemplate = MAKEINTRESOURCEA(m_nTemplateId);
    page.pfnDlgProc = PageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return page;
}

void CPropertyPage::SetModified(BOOL changed)
{
    HWND sheet = GetParentSheet();
    if (!sheet)
        return;
    ::SendMessageA(sheet, changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

LRESULT CPropertyPage::QuerySiblings(WPARAM wParam, LPARAM lParam)
{
    HWND sheet = GetParentSheet();
    return sheet ? ::SendMessageA(sheet, PSM_QUERYSIBLINGS, wParam, lParam) : 0;
}

BOOL CPropertyPage::OnSetActive()
{
    return TRUE;
}

BOOL CPropertyPage::OnKillActive()
{
    return UpdateData(TRUE);
}

BOOL CPropertyPage::OnApply()
{
    return TRUE;
}

void CPropertyPage::OnReset() {}

LRESULT CPropertyPage::OnQuerySiblings(WPARAM, LPARAM)
{
    return 0;
}

std::optional<LRESULT> CPropertyPage::OnSheetNotify(const NMHDR& header)
{
    switch (header.code) {
    case PSN_SETACTIVE: return OnSetActive() ? 0 : -1;
    case PSN_KILLACTIVE: return OnKillActive() ? FALSE : TRUE;  // TRUE keeps the user on the page
    case PSN_APPLY: return OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
    case PSN_RESET: OnReset(); return 0;
    default: return std::nullopt;
    }
}

std::optional<LRESULT> CPropertyPage::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == PSM_QUERYSIBLINGS)
        return OnQuerySiblings(wParam, lParam);
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && header->hwndFrom == GetParentSheet()) {
            if (auto result = OnSheetNotify(*header))
                return result;
        }
    }
    return CDialogBase::Dispatch(message, wParam, lParam);
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialogBase* self = nullptr;
    if (message == WM_INITDIALOG) {
        const auto* page = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
        self = page ? reinterpret_cast<CPropertyPage*>(page->lParam) : nullptr;
    }
    return HandleMessage(self, window, message, wParam, lParam);
}
