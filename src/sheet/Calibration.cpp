#include "sheet/Calibration.h"

#include "resource.h"

namespace
{
constexpr UINT_PTR kBlinkTimer = 1;
constexpr UINT kBlinkMs = 500;
}

CCalibration::CCalibration(HWND parent) : CDialog(IDD_CALIBRATION, parent) {}

BOOL CCalibration::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The program's own pad icon: the calibration is of that pad's sticks.
    m_hIcon.reset(static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_KINETRA),
                                                  IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_DEFAULTCOLOR)));
    SendDlgItemMessage(IDC_CALIBRATION_ICON, STM_SETICON, reinterpret_cast<WPARAM>(m_hIcon.get()), 0);
    UpdateData(FALSE);
    SetTimer(kBlinkTimer, kBlinkMs);
    return TRUE;
}

void CCalibration::OnTimer(UINT_PTR id)
{
    if (id != kBlinkTimer)
        return;
    const HWND label = GetDlgItem(IDC_ANALOG_MODE);
    ::ShowWindow(label, ::IsWindowVisible(label) ? SW_HIDE : SW_SHOW);
}

bool CCalibration::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_CTLCOLORSTATIC && ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == IDC_ANALOG_MODE) {
        const HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, RGB(255, 0, 0));
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        result = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
        return true;
    }
    return CDialog::WindowProc(message, wParam, lParam, result);
}
