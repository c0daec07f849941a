#pragma once
#include <windows.h>
#include <commctrl.h>

#include "controllertest/BitmapPicture.h"
#include "framework/ListView.h"
#include "sheet/SettingsPage.h"

// The first page of the sheet: the pads with their status, the choice of the pad to
// configure, and the settings that are not key bindings.
class CPropGeneral : public CSettingsPage
{
public:
    CPropGeneral();

    BYTE m_bCalibrated = 0;
    short m_nLastCount = 0;
    int m_nKeystrokeMode = 2;
    int m_nMouseStick = -1;
    CBitmapPicture m_picture;

    int FillList();
    void RefreshControls();
    void OnConfig();
    int StoreToSettings();
    int GetKeystrokeCode() const;
    void OnCalibration();
    // Keeps the current pad's settings in the profile "calibration"; 0 when they could not be.
    int BackupForCalibration();

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnSetActive() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    void OnTimer(UINT_PTR id) override;
    LRESULT OnQuerySiblings(WPARAM code, LPARAM lParam) override;
    bool WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnMouseEnable();
    void OnDualShock();
    void OnTest();
    void OnSliderReleased(int id);
    void InitSliders();
    void InsertColumns();
    void AddRows(int count);
    void SetRowStatuses(int count);
    void SelectRow(int row);
    void EnableSettingControls(bool enable);
    void RefreshActiveControls();
    void RefreshIdleControls();
    const char* StatusText(int slot) const;
    int SliderPos(int id) const;
    void SetSliderPos(int id, int pos);
    CListView List() const;
};
