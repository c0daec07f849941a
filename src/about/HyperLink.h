#pragma once
#include <windows.h>

#include <string>

#include "framework/Handles.h"
#include "framework/SubclassedControl.h"

// A static text of a dialog made into a clickable link: link colours, a hand cursor, an
// underline while the pointer is over it, a tooltip with the target, and a click that asks
// the shell to open the target (a web address or a "mailto:" address). All its set-up
// happens when the dialog's data exchange attaches it to the static.
class CHyperLink : public CSubclassedControl
{
public:
    CHyperLink() = default;
    ~CHyperLink() override;

    void SetTarget(const std::string& target);
    void SetOpened(BOOL opened);
    void SetUnderlineMode(int mode);
    // The shell's result: above 32 is success.
    static HINSTANCE OpenTarget(const char* target, int showCommand);
    // Tells why the shell could not open the target, over the dialog the link is on.
    void ShowOpenError(int code) const;
    void FitToText();
    void LoadHandCursor();
    BOOL DestroyWindow();

    static constexpr UINT_PTR kToolId = 1;

    COLORREF m_clrLink = RGB(0, 0, 238);
    COLORREF m_clrVisited = RGB(85, 26, 139);
    COLORREF m_clrHover = RGB(255, 0, 0);
    BOOL m_bHover = FALSE;
    BOOL m_bOpened = FALSE;
    int m_nUnderlineMode = -1;  // -1 while hovered, 1 always, anything else never
    BOOL m_bFitToText = TRUE;
    std::string m_strTarget;
    CFont m_fontUnderlined;
    CFont m_fontPlain;
    CIcon m_hHandCursor;   // a copy of the cursor, so it is ours to destroy
    HWND m_tip = nullptr;  // owned by the control's window, which destroys it with itself
    UINT_PTR m_nHoverTimer = 100;

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateFonts();
    void CreateTip();
    void RelayToTip(UINT message, WPARAM wParam, LPARAM lParam) const;
    void SelectFont(const CFont& font);
    HBRUSH OnCtlColor(HDC dc) const;
    BOOL OnEraseBkgnd(HDC dc) const;
    BOOL OnSetCursor() const;
    void OnMouseMove();
    void OnHoverTimer();
    void OnClicked();
};

// The text ShowOpenError puts under "Unable to open hyperlink:" for a shell result.
std::string OpenErrorText(int code);
