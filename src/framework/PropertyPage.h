#pragma once
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include "framework/Dialog.h"

// One page of a property sheet, on a dialog template of the program's resources. The object
// lives as long as the program; its window only while the sheet is shown.
class CPropertyPage : public CDialogBase
{
public:
    explicit CPropertyPage(UINT templateId) : CDialogBase(templateId) {}

    // The description comctl32 creates the page window from (lParam = this).
    PROPSHEETPAGEA GetPageDescription();

    // The sheet window: the parent of the page window.
    HWND GetParentSheet() const { return m_hWnd ? ::GetParent(m_hWnd) : nullptr; }
    // Enables (TRUE) the sheet's Apply button for this page's edits, or withdraws them.
    void SetModified(BOOL changed = TRUE);
    // PSM_QUERYSIBLINGS through the sheet, which passes it to every page until one answers
    // non-zero.
    LRESULT QuerySiblings(WPARAM wParam, LPARAM lParam);

protected:
    // TRUE accepts the activation.
    virtual BOOL OnSetActive();
    // TRUE lets the user leave the page. Base: UpdateData(TRUE).
    virtual BOOL OnKillActive();
    // OK or Apply; TRUE = applied, FALSE keeps the sheet open on this page.
    virtual BOOL OnApply();
    // Cancel.
    virtual void OnReset();
    // PSM_QUERYSIBLINGS from the sheet; 0 lets it go on to the next page.
    virtual LRESULT OnQuerySiblings(WPARAM wParam, LPARAM lParam);

    std::optional<LRESULT> Dispatch(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::optional<LRESULT> OnSheetNotify(const NMHDR& header);
    static INT_PTR CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};
