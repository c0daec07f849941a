#pragma once
#include <windows.h>

#include "framework/Window.h"

// The parent of a subclassed control sends it WM_DRAWITEM again under this private number,
// so that the control draws itself (reflection), whatever dialog it sits on.
constexpr UINT WM_REFLECT_DRAWITEM = WM_APP + 0x3C00 + WM_DRAWITEM;
// Likewise a control's own notifications (WM_COMMAND from it) and its colour query
// (WM_CTLCOLORSTATIC), so a link can colour itself and hear its own click. The control
// answers nonzero when it handled the message (for the colour query: the brush); zero lets
// the parent handle it as if nothing had been reflected.
constexpr UINT WM_REFLECT_COMMAND = WM_APP + 0x3C00 + WM_COMMAND;
constexpr UINT WM_REFLECT_CTLCOLORSTATIC = WM_APP + 0x3C00 + WM_CTLCOLORSTATIC;

// An existing child control (usually from a dialog template) whose messages pass through
// this object first. The object outlives its window: when the window is destroyed the object
// lets go of it and can be attached to the next one (a page's controls are made anew each
// time the sheet is shown).
class CSubclassedControl : public CWindow
{
public:
    CSubclassedControl() = default;
    ~CSubclassedControl() override;
    CSubclassedControl(const CSubclassedControl&) = delete;
    CSubclassedControl& operator=(const CSubclassedControl&) = delete;

    bool SubclassWindow(HWND window);
    bool SubclassDlgItem(int id, HWND parent) { return SubclassWindow(::GetDlgItem(parent, id)); }
    HWND UnsubclassWindow();

    // The object that subclassed `window`, or null when it is not one of ours.
    static CSubclassedControl* FromHandle(HWND window);

protected:
    // Runs after m_hWnd is set and before any message reaches WindowProc.
    virtual void PreSubclassWindow() {}
    // Every message of the control; the base passes it to the control's own procedure.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Called for WM_DRAWITEM reflected from the parent.
    virtual void DrawItem(DRAWITEMSTRUCT* item);
    // The control's own procedure for this message.
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
};
