#pragma once
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "framework/PropertyPage.h"
#include "framework/Window.h"

// A modal property sheet over comctl32's PropertySheetA. While it is shown, the sheet window
// is subclassed so this object sees its messages before comctl32 does.
class CPropertySheet : public CWindow
{
public:
    explicit CPropertySheet(const char* caption, HWND parent = nullptr, UINT selectPage = 0);
    ~CPropertySheet() override;
    CPropertySheet(const CPropertySheet&) = delete;
    CPropertySheet& operator=(const CPropertySheet&) = delete;

    // Pages appear in the order added. The sheet does not own them.
    void AddPage(CPropertyPage* page);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int index) const;

    // Runs the sheet's modal loop; the result of PropertySheetA.
    virtual INT_PTR DoModal();

    // The page windows that exist now, in page order (a page never shown has none).
    std::vector<HWND> GetPageWindows() const;
    // PSM_QUERYSIBLINGS to the sheet, which passes it to the pages.
    LRESULT QuerySiblings(WPARAM wParam, LPARAM lParam);

protected:
    // The sheet window exists, with its first page (PSCB_INITIALIZED).
    virtual BOOL OnInitDialog();
    // A command to the sheet window; true swallows it, false lets the sheet handle it.
    virtual bool OnCommand(int id, int code, HWND control);
    // false: the sheet paints as usual.
    virtual bool OnPaint();
    // Any other message; true when handled, with its result.
    virtual bool WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // comctl32's handling of this message.
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

    std::string m_strCaption;
    HWND m_hParent;
    UINT m_nStartPage;

private:
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void Attach(HWND window);
    static int CALLBACK SheetCallback(HWND window, UINT message, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);

    std::vector<CPropertyPage*> m_pages;
};
