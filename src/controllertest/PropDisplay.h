#pragma once
#include <windows.h>
#include <dinput.h>

#include "controllertest/DisplayBitMap.h"
#include "controllertest/DisplayMarks.h"
#include "controllertest/RawTestMode.h"
#include "framework/Handles.h"
#include "framework/PropertyPage.h"

// The "Display" page: while it is active the driver reports the plain joystick, the pad is
// polled every 100 ms, and each active input is marked on the controller picture; Display
// Macro draws the buffered presses and hat moves as a row of icons.
class CPropDisplay : public CPropertyPage
{
public:
    CPropDisplay();
    ~CPropDisplay() override = default;

    int InitDxinputDev();
    HRESULT PollDevice();
    void SetTesting(int testing);
    void ShowAxis(int axis, LONG value);
    void ShowPov(DWORD pov);
    void ShowButton(int index, int pressed);
    int DrawButtonIcon(int position, DWORD offset, DWORD data);
    int DrawPovIcon(int position, DWORD offset, DWORD data);
    void ClearIconRow(int from);

    IDirectInputDevice8A* m_pDevice = nullptr;  // not owned: the test's reference keeps it
    CDisplayBitMap m_view;
    int m_bTesting = 0;
    CIcon m_hIcons[displaymarks::kIcons];
    RECT m_rcClient = {};
    UINT_PTR m_nTimerID = 0;
    char m_szText[256] = {};
    // The icons of the last Display Macro, so that the row survives a repaint.
    int m_nRowIcons[displaymarks::kRowSlots] = {};
    int m_nRowCount = 0;

protected:
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnPaint() override;
    void OnTimer(UINT_PTR id) override;
    void OnShowWindow(BOOL show, UINT status) override;
    void OnDestroy() override;
    LRESULT OnQuerySiblings(WPARAM code, LPARAM lParam) override;
    bool WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void StartTest();
    void OnDisplayMacro();
    void Mark(const displaymarks::CMark& mark);
    int DrawRowIcon(int position, int icon);
    void DrawIcon(HDC dc, int position, int icon) const;
    RECT PictureRect() const;
    void PaintPicture(HDC dc) const;
    void PaintRow(HDC dc) const;

    CRawTestMode m_test;
    CBitmap m_groupImage;
    bool m_bMarked = false;  // a mark since the last paint
};
