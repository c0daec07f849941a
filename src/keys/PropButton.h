#pragma once
#include <windows.h>

#include "controllertest/DisplayBitMap.h"
#include "framework/SubclassedControl.h"
#include "keys/KeyPage.h"

// The "Button" page: a box beside each of the pad's twelve buttons, and the pad picture with
// the button whose box has the focus marked on it.
class CPropButton : public CKeyPage
{
public:
    CPropButton();

    // Marks button k + 1 on the live picture; any other k leaves the marks as they are.
    void HighlightButton(int k);

    CDisplayBitMap m_view;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    void OnShowWindow(BOOL show, UINT status) override;
    void OnDestroy() override;
    void OnKeyFocus(int k) override;

private:
    // The template's pad picture, painted from the live canvas of m_view, so that the mark of
    // the focused button is seen where the pad is.
    class CLivePicture : public CSubclassedControl
    {
    public:
        explicit CLivePicture(const CDisplayBitMap& view) : m_view(view) {}

    protected:
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    private:
        const CDisplayBitMap& m_view;
    };

    CLivePicture m_picture{m_view};
};
