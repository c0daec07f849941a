#pragma once
#include <windows.h>
#include <dinput.h>

#include "controllertest/ForceMath.h"
#include "controllertest/RawTestMode.h"
#include "framework/Dialog.h"

// "Force Test": a marker follows the right stick inside a square while a constant force
// follows its displacement from the centre. One object for the run of the program: what the
// constructor sets carries over from one opening to the next, what OnInitDialog sets does not.
class CDialogFF : public CDialog
{
public:
    static CDialogFF* GetInstance();

    // Modal over `parent`.
    INT_PTR DoModal(HWND parent);

    int InitDxinputDev();
    HRESULT CreateForceFeedbackEffect();
    HRESULT PollDevice();
    void ClampPosition();
    void SnapToCentre();
    void DrawMarker();
    void ComputeForce();
    HRESULT UpdateEffect();
    HRESULT SetEffectParameters();
    void SetForceLimit(short level);

    IDirectInputDevice8A* m_pDevice = nullptr;  // not owned: the test's reference keeps it
    IDirectInputEffect* m_pEffect = nullptr;
    DIEFFECT m_effect = {};
    LONG m_lMagnitude = 0;  // the effect's DICONSTANTFORCE
    int m_nMargin = forcetest::kMargin;
    int m_nBoxSize = forcetest::kInitialBoxSize;  // in 96-DPI units, as are the positions
    int m_nDpi = 96;                              // the screen's, taken at each opening
    POINT m_ptPrev = {180, 180};
    POINT m_ptPos = {forcetest::kCentre, forcetest::kCentre};
    LONG m_lForceX = 0;
    LONG m_lForceY = 0;
    int m_nForceLimit = 0;
    DWORD m_dwStartTime = 0;
    int m_nAxes = 2;
    HWND m_hBarX = nullptr;
    HWND m_hBarY = nullptr;
    UINT_PTR m_nTimerID = 0;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnPaint() override;
    void OnTimer(UINT_PTR id) override;
    void OnDestroy() override;
    bool WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    CDialogFF();
    void OnActivate(UINT state);
    void OnRawData();
    void CreateBars();
    void FillEffect(DWORD gain);
    void ReleaseEffect(bool deviceKnown);
    void EndTest();
    void DrawMarkerAt(HDC dc, POINT at) const;

    DWORD m_rgdwAxes[2] = {DIJOFS_X, DIJOFS_Y};
    LONG m_rglDirection[2] = {0, 0};
    CRawTestMode m_test;
    bool m_bReporting = false;  // an acquire answer is on screen
};
