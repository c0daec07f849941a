#include "sheet/PropGeneral.h"

#include <cstring>

#include "about/AboutDial.h"
#include "controllertest/DialogFF.h"
#include "framework/MessageBox.h"
#include "profiles/ActiveProfiles.h"
#include "profiles/PadHistory.h"
#include "profiles/ProfileRules.h"
#include "profiles/ProfileStore.h"
#include "resource.h"
#include "settings/Setting.h"
#include "sheet/Calibration.h"
#include "sheet/PropSheet.h"

namespace
{
constexpr UINT_PTR kCountTimer = 0;
constexpr UINT kCountCheckMs = 1500;

// Controls that only make sense with a loaded pad.
const int kSettingControls[] = {IDC_MOUSE_ENABLE,    IDC_MOUSE_RIGHT, IDC_MOUSE_LEFT,  IDC_MOUSE_CONFIG,
                                IDC_KEY_SENSITIVITY, IDC_CONTINUOUS,  IDC_NORMAL,      IDC_SINGLE,
                                IDC_MOUSE_SPEED,     IDC_DUAL_SHOCK,  IDC_FORCE_LEVEL, IDC_TEST,
                                IDC_CALIBRATION};

}

CPropGeneral::CPropGeneral() : CSettingsPage(IDD_GENERAL) {}

CListView CPropGeneral::List() const
{
    return CListView(GetDlgItem(IDC_DEVICE_LIST));
}

int CPropGeneral::SliderPos(int id) const
{
    return static_cast<int>(SendDlgItemMessage(id, TBM_GETPOS, 0, 0));
}

void CPropGeneral::SetSliderPos(int id, int pos)
{
    SendDlgItemMessage(id, TBM_SETPOS, TRUE, pos);
}

void CPropGeneral::DoDataExchange(CDataExchange& dx)
{
    dx.Radio(IDC_CONTINUOUS, m_nKeystrokeMode);
    dx.Radio(IDC_MOUSE_LEFT, m_nMouseStick);
    dx.Control(IDC_GENERAL_PICTURE, m_picture);
}

BOOL CPropGeneral::OnInitDialog()
{
    CSettingsPage::OnInitDialog();
    InitSliders();
    for (int id : {IDC_MOUSE_ENABLE, IDC_MOUSE_LEFT, IDC_MOUSE_RIGHT, IDC_MOUSE_CONFIG, IDC_DUAL_SHOCK, IDC_CALIBRATION,
                   IDC_TEST})
        EnableDlgItem(id, false);
    InsertColumns();
    m_picture.SetImage(IDB_GENERAL_SIDE);
    ShowDlgItem(IDC_ABOUT, true);  // the way to the version, the maker and the manual
    FillList();
    SetTimer(kCountTimer, kCountCheckMs);
    m_bModified = 0;
    return TRUE;
}

void CPropGeneral::InitSliders()
{
    SendDlgItemMessage(IDC_KEY_SENSITIVITY, TBM_SETRANGE, FALSE, MAKELPARAM(0, 130));
    SendDlgItemMessage(IDC_MOUSE_SPEED, TBM_SETRANGE, FALSE, MAKELPARAM(116, 126));
    SetSliderPos(IDC_KEY_SENSITIVITY, 75);
    SetSliderPos(IDC_MOUSE_SPEED, 125);
    SendDlgItemMessage(IDC_FORCE_LEVEL, TBM_SETRANGE, FALSE, MAKELPARAM(20, 255));
    SetSliderPos(IDC_FORCE_LEVEL, 128);
}

void CPropGeneral::InsertColumns()
{
    const CListView list = List();
    list.InsertColumn(0, "Device Name", 235);
    list.InsertColumn(1, "Status", 118, LVCFMT_CENTER);
}

const char* CPropGeneral::StatusText(int slot) const
{
    const CSetting& model = Model();
    if (model.m_bDeviceActive == 1 && slot == model.m_nCurrentDevice)
        return "Active";
    return model.m_bProgrammable[slot] == 1 ? "Idle" : "Not Programmable";
}

void CPropGeneral::AddRows(int count)
{
    const CSetting& model = Model();
    const CListView list = List();
    for (int slot = 0; slot < count && slot < kDeviceSlots; ++slot) {
        list.InsertItem(slot, model.m_pszDeviceName[slot] ? model.m_pszDeviceName[slot] : "");
        list.SetItemText(slot, 1, StatusText(slot));
    }
}

void CPropGeneral::SetRowStatuses(int count)
{
    const CListView list = List();
    for (int slot = 0; slot < count && slot < kDeviceSlots; ++slot)
        list.SetItemText(slot, 1, StatusText(slot));
}

void CPropGeneral::SelectRow(int row)
{
    const CListView list = List();
    list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED | LVIS_FOCUSED | LVIS_DROPHILITED);
    list.SetSelectionMark(row);
    list.EnsureVisible(row, false);
}

int CPropGeneral::FillList()
{
    CSetting& model = Model();
    const int count = model.m_nDeviceCount;
    List().DeleteAllItems();
    if (count <= 0) {
        EnableDlgItem(IDC_CONFIG, false);
        EnableDlgItem(IDC_CALIBRATION, false);
        model.SetDeviceActive(0);
        UpdateData(FALSE);
        return 0;
    }
    if (model.m_bDeviceActive == 1) {
        AddRows(count);
        // The active pad stays the selection, so "&Config" reloads it rather than another.
        if (model.m_nCurrentDevice < count)
            SelectRow(model.m_nCurrentDevice);
        RefreshControls();
        return 1;
    }
    model.SetDeviceActive(0);
    model.m_nCurrentDevice = 0;
    AddRows(count);
    if (count == 1) {
        // A single pad is loaded at once: there is nothing to choose.
        EnableDlgItem(IDC_CONFIG, false);
        SelectRow(0);
        ::SetFocus(List());
        OnConfig();
    } else {
        RefreshControls();
    }
    return 1;
}

void CPropGeneral::RefreshControls()
{
    if (Model().m_bDeviceActive == 1)
        RefreshActiveControls();
    else
        RefreshIdleControls();
}

void CPropGeneral::RefreshActiveControls()
{
    CSetting& model = Model();
    SetRowStatuses(model.m_nDeviceCount);
    EnableDlgItem(IDC_MOUSE_CONFIG, true);
    EnableDlgItem(IDC_MOUSE_ENABLE, true);
    if (model.IsMouseEnabled()) {
        m_nMouseStick = model.GetAnalogSelection();
        CheckDlgButton(IDC_MOUSE_ENABLE, BST_CHECKED);
        EnableDlgItem(IDC_MOUSE_SPEED, true);
    } else {
        CheckDlgButton(IDC_MOUSE_ENABLE, BST_UNCHECKED);
    }
    EnableDlgItem(IDC_KEY_SENSITIVITY, true);
    SetSliderPos(IDC_KEY_SENSITIVITY, model.GetSensitivity(0));
    m_nKeystrokeMode = model.GetKeystrokeMode();
    for (int id : {IDC_CONTINUOUS, IDC_NORMAL, IDC_SINGLE})
        EnableDlgItem(id, true);
    SetSliderPos(IDC_MOUSE_SPEED, model.GetSensitivity(1));
    EnableDlgItem(IDC_DUAL_SHOCK, true);
    if (model.IsForceFeedbackEnabled()) {
        CheckDlgButton(IDC_DUAL_SHOCK, BST_CHECKED);
        EnableDlgItem(IDC_FORCE_LEVEL, true);
        EnableDlgItem(IDC_TEST, true);
    } else {
        CheckDlgButton(IDC_DUAL_SHOCK, BST_UNCHECKED);
        EnableDlgItem(IDC_TEST, false);
    }
    SetSliderPos(IDC_FORCE_LEVEL, model.GetForceFeedback(0));
    EnableDlgItem(IDC_CALIBRATION, true);
    UpdateData(FALSE);
}

void CPropGeneral::RefreshIdleControls()
{
    const int count = Model().m_nDeviceCount;
    EnableSettingControls(false);
    EnableDlgItem(IDC_CONFIG, count > 1);
    SetRowStatuses(count);
    UpdateData(FALSE);
}

void CPropGeneral::EnableSettingControls(bool enable)
{
    for (int id : kSettingControls)
        EnableDlgItem(id, enable);
}

void CPropGeneral::OnConfig()
{
    CSetting& model = Model();
    const int sel = List().GetSelectionMark();
    if (sel < 0 || sel >= model.m_nDeviceCount) {
        // Nothing chosen: the model and the active pad stay as they are, so a later Apply
        // cannot write cleared values into another pad's key.
        CMessageBox::Show(m_hWnd, model.m_nDeviceCount == 0 ? "No Device is connected!" : "No Device is Selected!",
                          "Kinetra", MB_OK);
        UpdateData(FALSE);
        return;
    }
    model.ClearAll();
    if (model.m_bProgrammable[sel] != 1) {
        model.SetDeviceActive(0);
        RefreshControls();
        UpdateData(FALSE);
        return;
    }
    model.m_nCurrentDevice = static_cast<short>(sel);
    if (!model.LoadCurrentDevice()) {
        UpdateData(FALSE);
        return;
    }
    for (int id : {IDC_CALIBRATION, IDC_MOUSE_ENABLE, IDC_MOUSE_CONFIG})
        EnableDlgItem(id, true);
    model.SetDeviceActive(1);
    model.SelectAnalog(model.IsMouseEnabled() == 1 ? model.GetAnalogSelection() : -1);
    QuerySiblings(kQueryDeviceChanged, 0);
    SetModified(FALSE);
    UpdateData(FALSE);
}

int CPropGeneral::GetKeystrokeCode() const
{
    return KeystrokeByteFromMode(m_nKeystrokeMode);
}

int CPropGeneral::StoreToSettings()
{
    CSetting& model = Model();
    if (model.m_bDeviceActive != 1 || model.m_nDeviceCount <= 0)
        return 0;
    model.SetSensitivity(GetKeystrokeCode(), SliderPos(IDC_MOUSE_SPEED), 1);
    model.RefreshDevices();
    model.SelectAnalog(IsDlgButtonChecked(IDC_MOUSE_ENABLE) == BST_CHECKED ? m_nMouseStick : -1);
    model.SetForceFeedback(IsDlgButtonChecked(IDC_DUAL_SHOCK) == BST_CHECKED ? 1 : 0, SliderPos(IDC_FORCE_LEVEL), 1);
    return 1;
}

LRESULT CPropGeneral::OnQuerySiblings(WPARAM code, LPARAM)
{
    if (code == kQueryStore) {
        if (m_bModified == 1) {
            StoreToSettings();
            MarkStored();
            m_bCalibrated = 0;
        }
    } else {
        RefreshControls();
    }
    return 0;
}

BOOL CPropGeneral::OnSetActive()
{
    RefreshControls();
    return CSettingsPage::OnSetActive();
}

void CPropGeneral::OnMouseEnable()
{
    if (IsDlgButtonChecked(IDC_MOUSE_ENABLE) == BST_CHECKED) {
        EnableDlgItem(IDC_MOUSE_SPEED, true);
        m_nMouseStick = 1;  // the right stick: the Left/Right choice is not offered
    } else {
        EnableDlgItem(IDC_MOUSE_SPEED, false);
    }
    MarkModified();
}

void CPropGeneral::OnDualShock()
{
    if (IsDlgButtonChecked(IDC_DUAL_SHOCK) == BST_CHECKED) {
        EnableDlgItem(IDC_FORCE_LEVEL, true);
    } else {
        EnableDlgItem(IDC_FORCE_LEVEL, false);
        EnableDlgItem(IDC_TEST, false);
    }
    MarkModified();
    UpdateData(FALSE);
}

void CPropGeneral::OnTest()
{
    const CSetting& model = Model();
    if (model.m_bDeviceActive != 1 || model.m_nDeviceCount <= 0) {
        CMessageBox::Show(m_hWnd, "No Temp Device pls Press Config", "Kinetra", MB_OK);
        return;
    }
    CDialogFF::GetInstance()->DoModal(m_hWnd);
}

void CPropGeneral::OnCalibration()
{
    CCalibration dialog(m_hWnd);
    if (dialog.DoModal() != IDOK) {
        m_bCalibrated = 0;
        return;
    }
    CSetting& model = Model();
    // Taken before the backup, which first writes the shown settings into a key never written.
    const CPadState before = PadStateOf(model.m_nCurrentDevice);
    if (!BackupForCalibration()) {
        CMessageBox::Show(m_hWnd, "Cannot Backup Current Registry!\n Calibration Exit!", "Error",
                          MB_OK | MB_ICONWARNING);
        m_bCalibrated = 0;
        return;
    }
    model.ResetMapping();
    model.SaveCurrentDevice();
    model.RequestDriverUpdate();
    RememberChange(before, "Calibration");
    // The bindings are cleared: the pad is no longer on its profile as it was loaded.
    CActiveProfiles::Get().MarkModified(model.CurrentPadId());
    ::WinExec("rundll32.exe shell32.dll,Control_RunDLL Joy.cpl,,0", SW_SHOWNORMAL);
    m_bCalibrated = 1;
    MarkModified();
}

int CPropGeneral::BackupForCalibration()
{
    static const char kBackupName[] = "calibration";
    const CSetting& model = Model();
    if (model.m_bDeviceActive == 0 || model.m_nDeviceCount <= 0)
        return 1;
    // The bindings are cleared only once they are kept: a folder too deep for the backup's
    // name, or a backup that was not written, ends the calibration.
    if (!ProfileNameProblem(kBackupName, std::strlen(g_szConfigDir)).empty())
        return 0;
    return SaveDeviceKey(m_hWnd, kBackupName);
}

void CPropGeneral::OnSliderReleased(int id)
{
    MarkModified();
    if (id == IDC_FORCE_LEVEL)
        EnableDlgItem(IDC_TEST, false);
}

bool CPropGeneral::OnCommand(int id, int code, HWND)
{
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_CONFIG: OnConfig(); return true;
    case IDC_MOUSE_ENABLE: OnMouseEnable(); return true;
    case IDC_DUAL_SHOCK: OnDualShock(); return true;
    case IDC_TEST: OnTest(); return true;
    case IDC_ABOUT: CAboutDial(m_hWnd).DoModal(); return true;
    case IDC_CALIBRATION: OnCalibration(); return true;
    case IDC_MOUSE_CONFIG: ::WinExec("rundll32.exe shell32.dll,Control_RunDLL main.cpl @0", SW_SHOWNORMAL); return true;
    case IDC_CONTINUOUS:
        m_nKeystrokeMode = 0;
        MarkModified();
        return true;
    case IDC_NORMAL:
        m_nKeystrokeMode = 1;
        MarkModified();
        return true;
    case IDC_SINGLE:
        m_nKeystrokeMode = 2;
        MarkModified();
        return true;
    case IDC_MOUSE_LEFT:
        m_nMouseStick = 0;
        MarkModified();
        return true;
    case IDC_MOUSE_RIGHT:
        m_nMouseStick = 1;
        MarkModified();
        return true;
    default: return false;
    }
}

bool CPropGeneral::OnNotify(NMHDR* header, LRESULT& result)
{
    result = 0;
    if (header->idFrom == IDC_DEVICE_LIST && header->code == NM_DBLCLK) {
        OnConfig();
        return true;
    }
    if (header->code != NM_RELEASEDCAPTURE)
        return false;
    const int id = static_cast<int>(header->idFrom);
    if (id != IDC_MOUSE_SPEED && id != IDC_KEY_SENSITIVITY && id != IDC_FORCE_LEVEL)
        return false;
    OnSliderReleased(id);
    return true;
}

bool CPropGeneral::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // A slider moved with the keyboard never sends a capture release: its end of tracking
    // marks the page just the same.
    if (message == WM_HSCROLL && LOWORD(wParam) == TB_ENDTRACK && lParam) {
        const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        if (id == IDC_MOUSE_SPEED || id == IDC_KEY_SENSITIVITY || id == IDC_FORCE_LEVEL) {
            OnSliderReleased(id);
            result = 0;
            return true;
        }
    }
    return CSettingsPage::WindowProc(message, wParam, lParam, result);
}

void CPropGeneral::OnTimer(UINT_PTR)
{
    CSetting& model = Model();
    const short count = model.m_nDeviceCount;
    if (count != m_nLastCount) {
        model.SetDeviceActive(0);
        FillList();
        UpdateData(FALSE);
    }
    m_nLastCount = count;
}
