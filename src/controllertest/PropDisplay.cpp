#include "controllertest/PropDisplay.h"

#include <cstdio>
#include <cstring>

#include "framework/Dpi.h"
#include "framework/MessageBox.h"
#include "framework/ScaledArt.h"
#include "resource.h"
#include "settings/Setting.h"
#include "settings/SheetQueries.h"

namespace
{
constexpr UINT kPollMs = 100;
constexpr int kPictureTop = 30;  // the picture hangs this far below the page's top (96-DPI pixels)
constexpr DWORD kEventBuffer = 240;
const char* const kCaption = "PropDisplay";
const char* const kInvalidArgumentText =
    "An invalid parameter was passed to the returning function, or the object was not in a state that permitted "
    "the function to be called. This value is equal to the E_INVALIDARG standard Component Object Model (COM) "
    "return value.";

const CRawTestMode::CAcquireTexts kAcquireTexts = {"Already Aquire ", " The object has not been initialized. ",
                                                   kInvalidArgumentText};

const UINT kIconIds[displaymarks::kIcons] = {
    IDI_EVT_BUTTON1,  IDI_EVT_BUTTON2,      IDI_EVT_BUTTON3,   IDI_EVT_BUTTON4,
    IDI_EVT_BUTTON5,  IDI_EVT_BUTTON6,      IDI_EVT_BUTTON7,   IDI_EVT_BUTTON8,
    IDI_EVT_HAT_UP,   IDI_EVT_HAT_UPRIGHT,  IDI_EVT_HAT_RIGHT, IDI_EVT_HAT_DOWNRIGHT,
    IDI_EVT_HAT_DOWN, IDI_EVT_HAT_DOWNLEFT, IDI_EVT_HAT_LEFT,  IDI_EVT_HAT_UPLEFT,
};

bool DeviceSelected()
{
    const CSetting& model = Model();
    return model.m_bDeviceActive == 1 && model.m_nDeviceCount > 0;
}

// The causes of a refused cooperative level that have a text of their own.
const CResultText kCooperativeFailures[] = {
    {Code(E_INVALIDARG), kInvalidArgumentText},
    {Code(DIERR_NOTINITIALIZED), "The object has not been initialized."},
    {Code(E_HANDLE), "The HWND parameter is not a valid top-level window that belongs to the process."},
};
}

CPropDisplay::CPropDisplay() : CPropertyPage(IDD_DISPLAY)
{
    const HINSTANCE module = ::GetModuleHandleA(nullptr);
    for (int i = 0; i < displaymarks::kIcons; ++i)
        m_hIcons[i].reset(
            static_cast<HICON>(::LoadImageA(module, MAKEINTRESOURCEA(kIconIds[i]), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR)));
}

BOOL CPropDisplay::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    m_groupImage.reset(LoadArtBitmap(IDB_DISPLAY_GROUP, ArtDpi(), true));
    SendDlgItemMessage(IDC_DISPLAY_GROUP, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_groupImage.get()));
    return TRUE;
}

void CPropDisplay::OnShowWindow(BOOL show, UINT status)
{
    CPropertyPage::OnShowWindow(show, status);
    m_view.Release();
    if (!show)
        return;
    m_nRowCount = 0;  // the row shows what was buffered since the page was last shown
    m_view.m_rcClient = GetClientRect();
    m_view.m_nDpi = ArtDpi();
    m_view.Create(m_hWnd, IDB_PAD_MASK, IDB_PAD, IDB_PRESSED);
    m_view.Compose();
}

BOOL CPropDisplay::OnSetActive()
{
    if (!DeviceSelected()) {
        EnableDlgItem(IDC_DISPLAY_MACRO, false);
        return CPropertyPage::OnSetActive();
    }
    StartTest();
    return CPropertyPage::OnSetActive();
}

void CPropDisplay::StartTest()
{
    if (!m_test.Enter())
        return;
    SetTesting(1);
    EnableDlgItem(IDC_DISPLAY_MACRO, true);
    m_pDevice = m_test.Device();
    if (!InitDxinputDev())
        CMessageBox::Show(m_hWnd, "InitDxinputDev() Fail", kTestWindowCaption, MB_OK);
    if (m_pDevice)
        m_test.AcquireAndReport(m_hWnd, kAcquireTexts);
}

int CPropDisplay::InitDxinputDev()
{
    if (!m_pDevice)
        return 0;
    if (FAILED(m_pDevice->SetDataFormat(&c_dfDIJoystick2))) {
        CMessageBox::Show(m_hWnd, "SetdataFormat Fail", kCaption, MB_OK);
        return 0;
    }
    const HRESULT level = m_pDevice->SetCooperativeLevel(::GetActiveWindow(), DISCL_EXCLUSIVE | DISCL_BACKGROUND);
    if (FAILED(level)) {
        if (const char* cause = TextOf(level, kCooperativeFailures))
            CMessageBox::Show(m_hWnd, cause, kTestWindowCaption, MB_OK);
        CMessageBox::Show(m_hWnd, "SetCooperativelevel Failed", kCaption, MB_OK);
        return 0;
    }
    if (FAILED(SetDeviceProperty(m_pDevice, DIPROP_BUFFERSIZE, kEventBuffer)))
        CMessageBox::Show(m_hWnd, "Fail to set the property of the input device !!", kTestWindowCaption, MB_OK);
    SetTimer(m_nTimerID, kPollMs);
    return 1;
}

void CPropDisplay::OnTimer(UINT_PTR)
{
    if (PollDevice() < 0)
        KillTimer(m_nTimerID);
}

HRESULT CPropDisplay::PollDevice()
{
    DIJOYSTATE2 state = {};
    bool read = false;
    const HRESULT result = m_test.ReadState(state, read);
    if (!read)
        return result;
    const struct
    {
        int label;
        int axis;
        LONG value;
    } axes[] = {{IDC_DISPLAY_IX, displaymarks::kAxisX, state.lX},
                {IDC_DISPLAY_IY, displaymarks::kAxisY, state.lY},
                {IDC_DISPLAY_IRZ, displaymarks::kAxisRz, state.lRz},
                {IDC_DISPLAY_IZ, displaymarks::kAxisZ, state.lZ}};
    for (const auto& axis : axes) {
        std::snprintf(m_szText, sizeof m_szText, "%ld", static_cast<long>(axis.value));
        SetDlgItemText(axis.label, m_szText);
        ShowAxis(axis.axis, axis.value);
    }
    std::snprintf(m_szText, sizeof m_szText, "%ld", static_cast<long>(state.rgdwPOV[0]));
    ShowPov(state.rgdwPOV[0]);
    SetDlgItemText(IDC_DISPLAY_POV1, m_szText);
    m_szText[0] = '\0';
    for (int i = 0; i < displaymarks::kButtons; ++i) {
        const int pressed = (state.rgbButtons[i] & 0x80) ? 1 : 0;
        if (pressed) {
            char number[8];
            std::snprintf(number, sizeof number, "%02d ", i);
            std::strncat(m_szText, number, sizeof m_szText - std::strlen(m_szText) - 1);
        }
        ShowButton(i, pressed);
    }
    SetDlgItemText(IDC_DISPLAY_POV2, m_szText);
    UpdateData(FALSE);
    if (m_bMarked) {
        const RECT picture = PictureRect();
        ::InvalidateRect(m_hWnd, &picture, FALSE);
        m_bMarked = false;
    }
    return 0;
}

void CPropDisplay::Mark(const displaymarks::CMark& mark)
{
    m_view.MarkPressed(mark.x, mark.y, mark.width, mark.height);
    m_bMarked = true;
}

void CPropDisplay::ShowAxis(int axis, LONG value)
{
    displaymarks::CMark mark;
    if (displaymarks::AxisMark(axis, value, mark))
        Mark(mark);
}

void CPropDisplay::ShowPov(DWORD pov)
{
    displaymarks::CMark marks[2];
    const int count = displaymarks::HatMarks(pov, marks);
    for (int i = 0; i < count; ++i)
        Mark(marks[i]);
}

void CPropDisplay::ShowButton(int index, int pressed)
{
    if (pressed && index >= 0 && index < displaymarks::kButtons)
        Mark(displaymarks::kButtonMarks[index]);
}

RECT CPropDisplay::PictureRect() const
{
    const int x0 = m_view.m_placement.x0;
    const int top = ScaleToDpi(kPictureTop, m_view.m_nDpi);
    return {x0, top, x0 + m_view.m_nPictureWidth, top + m_view.m_nPictureHeight};
}

void CPropDisplay::PaintPicture(HDC dc) const
{
    if (!m_view.m_dcMaskCanvas || !m_view.m_hOldMaskCanvas)
        return;
    const RECT at = PictureRect();
    const int width = at.right - at.left;
    const int height = at.bottom - at.top;
    // The background with a black hole first; the picture's black surround then leaves it.
    ::BitBlt(dc, at.left, at.top, width, height, m_view.m_dcMaskCanvas.get(), 0, 0, SRCCOPY);
    if (DeviceSelected()) {
        // The live canvas: the picture with every input marked since the page was shown.
        ::BitBlt(dc, at.left, at.top, width, height, m_view.m_dcLive.get(), 0, 0, SRCPAINT);
        return;
    }
    CSelectObject picture(m_view.m_dcPicture.get(), m_view.m_bmpPicture.get());
    ::BitBlt(dc, at.left, at.top, width, height, m_view.m_dcPicture.get(), 0, 0, SRCPAINT);
}

void CPropDisplay::DrawIcon(HDC dc, int position, int icon) const
{
    const int top = m_rcClient.bottom - displaymarks::kRowFromBottom;
    const int left = displaymarks::SlotLeft(position);
    const RECT cell = {left, top, left + displaymarks::kIconSize, top + displaymarks::kIconSize};
    ::FillRect(dc, &cell, ::GetSysColorBrush(COLOR_BTNFACE));
    if (icon >= 0 && icon < displaymarks::kIcons && m_hIcons[icon])
        ::DrawIconEx(dc, left, top, m_hIcons[icon].get(), displaymarks::kIconSize, displaymarks::kIconSize, 0, nullptr,
                     DI_NORMAL);
}

void CPropDisplay::PaintRow(HDC dc) const
{
    for (int i = 0; i < m_nRowCount; ++i)
        DrawIcon(dc, i, m_nRowIcons[i]);
}

bool CPropDisplay::OnPaint()
{
    CPaintDC paint(m_hWnd);
    PaintPicture(paint.get());
    PaintRow(paint.get());
    return true;
}

int CPropDisplay::DrawButtonIcon(int position, DWORD offset, DWORD data)
{
    return DrawRowIcon(position, displaymarks::ButtonIcon(offset, data));
}

int CPropDisplay::DrawPovIcon(int position, DWORD offset, DWORD data)
{
    return DrawRowIcon(position, displaymarks::HatIcon(offset, data));
}

int CPropDisplay::DrawRowIcon(int position, int icon)
{
    if (icon < 0 || position < 0 || position >= displaymarks::kRowSlots)
        return 0;
    CWindowDC dc(m_hWnd);
    DrawIcon(dc.get(), position, icon);
    m_nRowIcons[position] = icon;
    m_nRowCount = position + 1;
    return 1;
}

void CPropDisplay::ClearIconRow(int from)
{
    const int top = m_rcClient.bottom - displaymarks::kRowFromBottom;
    const RECT rest = {displaymarks::SlotLeft(from), top, displaymarks::kRowRight,
                       m_rcClient.bottom - displaymarks::kRowFromBottom + displaymarks::kIconSize};
    CWindowDC dc(m_hWnd);
    ::FillRect(dc.get(), &rest, ::GetSysColorBrush(COLOR_BTNFACE));
    m_nRowCount = from;
}

void CPropDisplay::OnDisplayMacro()
{
    m_rcClient = GetClientRect();
    if (!m_pDevice || !m_test.DeviceKnown())
        return;
    DIDEVICEOBJECTDATA events[kEventBuffer] = {};
    DWORD count = kEventBuffer;
    if (FAILED(m_pDevice->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events, &count, 0)))
        return;
    std::snprintf(m_szText, sizeof m_szText, "No. %ld", static_cast<long>(count));
    SetDlgItemText(IDC_DISPLAY_POV3, m_szText);
    int slot = 0;
    for (DWORD i = 0; i < count && slot < displaymarks::kRowSlots; ++i) {
        if (DrawButtonIcon(slot, events[i].dwOfs, events[i].dwData))
            ++slot;
        if (DrawPovIcon(slot, events[i].dwOfs, events[i].dwData))
            ++slot;
    }
    ClearIconRow(slot);
    SetDlgItemText(IDC_DISPLAY_POV4, "");
    Invalidate(false);
    UpdateWindow();
    UpdateData(FALSE);
}

void CPropDisplay::SetTesting(int testing)
{
    m_bTesting = testing;
    if (testing)
        return;
    KillTimer(m_nTimerID);
    if (m_pDevice && m_test.DeviceKnown())
        m_pDevice->Unacquire();
    m_test.Leave();
    m_pDevice = nullptr;
}

BOOL CPropDisplay::OnKillActive()
{
    if (m_bTesting)
        SetTesting(0);
    return CPropertyPage::OnKillActive();
}

void CPropDisplay::OnDestroy()
{
    CPropertyPage::OnDestroy();
    if (m_bTesting)
        SetTesting(0);
    m_view.Release();
}

LRESULT CPropDisplay::OnQuerySiblings(WPARAM code, LPARAM)
{
    // Apply from this page: the sheet is about to save the model, which holds the neutral
    // test values. The test ends first, so what is saved and reloaded is the user's own
    // settings; the sheet activates the page again after its Apply, and a new test starts.
    if (code == kQueryStore && m_bTesting)
        SetTesting(0);
    return 0;
}

bool CPropDisplay::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_ERASEBKGND: {
        // The page, the picture's transparent surround and the blanked icon row are all the
        // button face, so the picture sits on the page without a box around it.
        const RECT client = GetClientRect();
        ::FillRect(reinterpret_cast<HDC>(wParam), &client, ::GetSysColorBrush(COLOR_BTNFACE));
        result = TRUE;
        return true;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_BTNFACE));
        result = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
        return true;
    default: return CPropertyPage::WindowProc(message, wParam, lParam, result);
    }
}

bool CPropDisplay::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_DISPLAY_MACRO && code == BN_CLICKED) {
        OnDisplayMacro();
        return true;
    }
    return CPropertyPage::OnCommand(id, code, control);
}
