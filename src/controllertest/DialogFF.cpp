#include "controllertest/DialogFF.h"

#include <commctrl.h>

#include <cstdio>

#include "device/DxInput.h"
#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "framework/MessageBox.h"
#include "resource.h"
#include "settings/Setting.h"

namespace
{
constexpr UINT kTickMs = 66;
// The effect settles before the first update. Timed with the kernel's tick count, not winmm's
// timeGetTime: the same milliseconds, and winmm would be mapped from start for this alone.
constexpr DWORD kEffectDelayMs = 100;
constexpr int kBarMinimum = 10;
constexpr int kBarMaximum = 150;
constexpr DWORD kUpdateFlags = DIEP_DIRECTION | DIEP_TYPESPECIFICPARAMS | DIEP_GAIN | DIEP_START;
constexpr int kRedPenStyle = 7;  // the style value the marker has always been drawn with
const char* const kCaption = "DialogFF";

const CRawTestMode::CAcquireTexts kAcquireTexts = {
    "the Game Controller has already been Acquire!!",
    "The object has not been initialized. ",
    "An invalid parameter was passed to the returning function, or the object was not in a state that permitted "
    "the function to be called. This value is equal to the E_INVALIDARG standard Component Object Model (COM) "
    "return value. ",
};

void SetText(HWND dialog, int id, const char* format, int value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    ::SetDlgItemTextA(dialog, id, text);
}

// The causes of a refused effect that have a text of their own.
const CResultText kEffectFailures[] = {
    {Code(DIERR_DEVICEFULL), "The device is full."},
    {Code(REGDB_E_CLASSNOTREG),
     "The device or device instance is not registered with Microsoft DirectInput. This value is equal to the "
     "REGDB_E_CLASSNOTREG standard COM return value."},
    {Code(E_INVALIDARG),
     "An invalid parameter was passed to the returning function, or the object was not in a state that permitted "
     "the function to be called. This value is equal to the E_INVALIDARG standard COM return value."},
    {Code(DIERR_NOTINITIALIZED), "The object has not been initialized. "},
};
}

CDialogFF* CDialogFF::GetInstance()
{
    static CDialogFF dialog;
    return &dialog;
}

CDialogFF::CDialogFF() : CDialog(IDD_FORCE_TEST)
{
    static_assert(sizeof(DICONSTANTFORCE) == sizeof(LONG), "the magnitude is the whole type-specific block");
}

INT_PTR CDialogFF::DoModal(HWND parent)
{
    m_hParent = parent;
    return CDialog::DoModal();
}

BOOL CDialogFF::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_nDpi = SystemDpi();
    CreateBars();
    m_nBoxSize = forcetest::kInitialBoxSize;
    m_nAxes = 2;
    CSetting& model = Model();
    if (model.m_bDeviceActive != 1 || model.m_nDeviceCount <= 0)
        return TRUE;
    CDIDevice* device = model.GetCurrentDevice();
    if (!device || !device->m_pDevice)
        return TRUE;
    SetForceLimit(static_cast<short>(model.GetForceFeedback(0)));
    if (!m_test.Enter())
        return TRUE;
    m_pDevice = m_test.Device();
    if (!InitDxinputDev())
        CMessageBox::Show(m_hWnd, "InitDxinputDev() Fail", kTestWindowCaption, MB_OK);
    return TRUE;
}

void CDialogFF::CreateBars()
{
    const HINSTANCE module = ::GetModuleHandleA(nullptr);
    const DWORD style = WS_CHILD | WS_VISIBLE | PBS_SMOOTH;
    const auto at = [this](int v) { return ScaleToDpi(v, m_nDpi); };
    m_hBarX = ::CreateWindowExA(0, PROGRESS_CLASSA, "", style, at(60), at(355), at(290), at(15), m_hWnd,
                                reinterpret_cast<HMENU>(IDC_FF_X_BAR), module, nullptr);
    m_hBarY = ::CreateWindowExA(0, PROGRESS_CLASSA, "", style, at(60), at(375), at(290), at(15), m_hWnd,
                                reinterpret_cast<HMENU>(IDC_FF_Y_BAR), module, nullptr);
    ::MoveWindow(GetDlgItem(IDC_FF_X_LABEL), at(10), at(355), at(50), at(15), TRUE);
    ::MoveWindow(GetDlgItem(IDC_FF_Y_LABEL), at(10), at(375), at(50), at(15), TRUE);
    for (HWND bar : {m_hBarX, m_hBarY})
        ::SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(kBarMinimum, kBarMaximum));
}

void CDialogFF::SetForceLimit(short level)
{
    m_nForceLimit = ::MulDiv(level, 10000, 255);
    SetText(m_hWnd, IDC_FF_FORCE_LIMIT, "%d", m_nForceLimit);
}

int CDialogFF::InitDxinputDev()
{
    if (!m_pDevice)
        return 0;
    if (FAILED(m_pDevice->SetDataFormat(&c_dfDIJoystick2))) {
        CMessageBox::Show(m_hWnd, "SetdataFormat Fail", kCaption, MB_OK);
        return 0;
    }
    if (FAILED(m_pDevice->SetCooperativeLevel(m_hWnd, DISCL_EXCLUSIVE | DISCL_BACKGROUND))) {
        CMessageBox::Show(m_hWnd, "SetCooperativelevel Failed", kTestWindowCaption, MB_OK);
        return 0;
    }
    if (FAILED(SetDeviceProperty(m_pDevice, DIPROP_CALIBRATIONMODE, DIPROPCALIBRATIONMODE_COOKED))) {
        CMessageBox::Show(m_hWnd, "SetProperty CALIBRATIONMODE FAIL", kTestWindowCaption, MB_OK);
        return 0;
    }
    if (FAILED(SetDeviceProperty(m_pDevice, DIPROP_AUTOCENTER, DIPROPAUTOCENTER_OFF))) {
        CMessageBox::Show(m_hWnd, "SetProperty AUTOCENTER FAILED", kTestWindowCaption, MB_OK);
        return 0;
    }
    if (FAILED(CreateForceFeedbackEffect())) {
        CMessageBox::Show(m_hWnd, "CreateForceFeedbackEffect Failed", kTestWindowCaption, MB_OK);
        return 0;
    }
    m_dwStartTime = ::GetTickCount();
    SetTimer(m_nTimerID, kTickMs);
    return 1;
}

void CDialogFF::FillEffect(DWORD gain)
{
    m_effect = {};
    m_effect.dwSize = sizeof(DIEFFECT);
    m_effect.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
    m_effect.dwDuration = INFINITE;
    m_effect.dwSamplePeriod = 0;
    m_effect.dwGain = gain;
    m_effect.dwTriggerButton = DIEB_NOTRIGGER;
    m_effect.dwTriggerRepeatInterval = 0;
    m_effect.cAxes = static_cast<DWORD>(m_nAxes);
    m_effect.rgdwAxes = m_rgdwAxes;
    m_effect.rglDirection = m_rglDirection;
    m_effect.lpEnvelope = nullptr;
    m_effect.cbTypeSpecificParams = sizeof(DICONSTANTFORCE);
    m_effect.lpvTypeSpecificParams = &m_lMagnitude;
    m_effect.dwStartDelay = 0;
}

HRESULT CDialogFF::CreateForceFeedbackEffect()
{
    m_lMagnitude = 0;
    m_rglDirection[0] = m_rglDirection[1] = 0;
    FillEffect(0);
    const HRESULT result = m_pDevice->CreateEffect(GUID_ConstantForce, &m_effect, &m_pEffect, nullptr);
    if (FAILED(result)) {
        m_pEffect = nullptr;
        if (const char* cause = TextOf(result, kEffectFailures))
            CMessageBox::Show(m_hWnd, cause, kTestWindowCaption, MB_OK);
    }
    return m_pEffect ? 0 : E_FAIL;
}

void CDialogFF::OnTimer(UINT_PTR)
{
    if (PollDevice() < 0) {
        KillTimer(m_nTimerID);
        EndTest();
        CMessageBox::Show(m_hWnd, "Game Controller Fail!!", "Force Test", MB_OK);
    }
}

// Stops the effect, lets the device go and puts the user's settings back: once per test.
void CDialogFF::EndTest()
{
    const bool known = m_test.DeviceKnown();
    ReleaseEffect(known);
    if (m_pDevice && known)
        m_pDevice->Unacquire();
    m_test.Leave();
    m_pDevice = nullptr;
}

void CDialogFF::ReleaseEffect(bool deviceKnown)
{
    if (!m_pEffect)
        return;
    // A pad the device table has dropped is not told anything more; the effect object is
    // ours either way and is let go.
    if (deviceKnown) {
        m_pEffect->Unload();
        m_pEffect->Stop();
    }
    m_pEffect->Release();
    m_pEffect = nullptr;
}

HRESULT CDialogFF::PollDevice()
{
    DIJOYSTATE2 state = {};
    bool read = false;
    const HRESULT result = m_test.ReadState(state, read);
    if (!read)
        return result;
    m_ptPos.y = forcetest::AxisToPosition(state.lZ);
    SetText(m_hWnd, IDC_FF_RAW_Y, "Y: %d", m_ptPos.y);
    m_ptPos.x = forcetest::AxisToPosition(state.lRz);
    SetText(m_hWnd, IDC_FF_RAW_X, "X: %d", m_ptPos.x);
    ClampPosition();
    SnapToCentre();
    DrawMarker();
    ComputeForce();
    UpdateEffect();
    UpdateData(FALSE);
    return 0;
}

void CDialogFF::ClampPosition()
{
    const forcetest::CPosition held = forcetest::ClampPosition({m_ptPos.x, m_ptPos.y}, m_nMargin, m_nBoxSize);
    m_ptPos = {held.x, held.y};
    ::SendMessageA(m_hBarX, PBM_SETPOS, forcetest::BarValue(m_ptPos.x), 0);
    ::SendMessageA(m_hBarY, PBM_SETPOS, forcetest::BarValue(m_ptPos.y), 0);
}

void CDialogFF::SnapToCentre()
{
    const forcetest::CPosition snapped = forcetest::SnapToCentre({m_ptPos.x, m_ptPos.y});
    m_ptPos = {snapped.x, snapped.y};
}

// `at` in 96-DPI units; the marker is drawn at the screen's scale.
void CDialogFF::DrawMarkerAt(HDC dc, POINT at) const
{
    const auto px = [this](int v) { return ScaleToDpi(v, m_nDpi); };
    ::MoveToEx(dc, px(at.x - 5), px(at.y - 5), nullptr);
    ::LineTo(dc, px(at.x + 5), px(at.y + 5));
    ::MoveToEx(dc, px(at.x + 4), px(at.y - 5), nullptr);
    ::LineTo(dc, px(at.x - 6), px(at.y + 5));
    ::Ellipse(dc, px(at.x - 5), px(at.y - 5), px(at.x + 5), px(at.y + 5));
}

void CDialogFF::DrawMarker()
{
    CWindowDC dc(m_hWnd);
    // One 96-DPI pixel wide, so the eraser covers what the marker drew at any scale.
    const int width = ScaleToDpi(1, m_nDpi);
    // A wider inside-frame pen draws the ellipse inside its box, where the marker's pen
    // straddles it; the eraser then draws as the marker does.
    CPen eraser(::CreatePen(width > 1 ? PS_SOLID : PS_INSIDEFRAME, width, RGB(255, 255, 255)));
    CPen marker(::CreatePen(kRedPenStyle, width, RGB(255, 0, 0)));
    if (!marker)  // a system that refuses the style still shows the marker in red
        marker.reset(::CreatePen(PS_SOLID, width, RGB(255, 0, 0)));
    {
        CSelectObject pen(dc.get(), eraser.get());
        DrawMarkerAt(dc.get(), m_ptPrev);
    }
    CSelectObject pen(dc.get(), marker.get());
    DrawMarkerAt(dc.get(), m_ptPos);
    m_ptPrev = m_ptPos;
}

void CDialogFF::ComputeForce()
{
    m_lForceX = forcetest::ForceOf(m_ptPos.x);
    m_lForceY = forcetest::ForceOf(m_ptPos.y);
}

HRESULT CDialogFF::UpdateEffect()
{
    if (!m_pEffect || ::GetTickCount() - m_dwStartTime < kEffectDelayMs)
        return 0;
    const HRESULT result = SetEffectParameters();
    return FAILED(result) ? result : 0;
}

HRESULT CDialogFF::SetEffectParameters()
{
    m_rglDirection[0] = forcetest::DirectionOf(m_lForceX);
    m_rglDirection[1] = forcetest::DirectionOf(m_lForceY);
    m_lMagnitude = forcetest::MagnitudeOf(m_lForceX, m_lForceY);
    // Gain 1 is one ten-thousandth of nominal, as the pad's firmware expects it.
    FillEffect(1);
    return m_pEffect->SetParameters(&m_effect, kUpdateFlags);
}

bool CDialogFF::OnPaint()
{
    CPaintDC paint(m_hWnd);
    const RECT client = GetClientRect();
    // The clamps work in 96-DPI units, as the marker position does; the square is drawn at
    // the screen's scale around the same figures.
    m_nBoxSize = ScaleFromDpi(client.right, m_nDpi);
    const int low = ScaleToDpi(m_nMargin, m_nDpi) - 1;
    const int high = ScaleToDpi(m_nBoxSize - m_nMargin, m_nDpi) + 1;
    ::Rectangle(paint.get(), low, low, high, high);
    SetText(m_hWnd, IDC_FF_CLIENT_WIDTH, "%d", client.right);
    return true;
}

void CDialogFF::OnActivate(UINT state)
{
    // Reporting an answer takes the activation away and gives it back: that return must not
    // acquire and report again.
    if (state != WA_ACTIVE || m_bReporting || !m_test.DeviceKnown())
        return;
    m_bReporting = true;
    m_test.AcquireAndReport(m_hWnd, kAcquireTexts);
    m_bReporting = false;
}

void CDialogFF::OnRawData()
{
    const bool show = IsDlgButtonChecked(IDC_FF_RAW_DATA) == BST_CHECKED;
    for (int id : {IDC_FF_RAW_Y, IDC_FF_RAW_X, IDC_FF_FORCE_LIMIT, IDC_FF_FORCE_CAPTION})
        ShowDlgItem(id, show);
}

bool CDialogFF::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_FF_RAW_DATA && code == BN_CLICKED) {
        OnRawData();
        return true;
    }
    return CDialog::OnCommand(id, code, control);
}

bool CDialogFF::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_ACTIVATE) {
        OnActivate(LOWORD(wParam));
        result = 0;
        return false;  // the dialog manager still moves the focus
    }
    return CDialog::WindowProc(message, wParam, lParam, result);
}

void CDialogFF::OnDestroy()
{
    CDialog::OnDestroy();
    KillTimer(m_nTimerID);
    EndTest();
    m_hBarX = m_hBarY = nullptr;
}
