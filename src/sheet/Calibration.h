#pragma once
#include <windows.h>

#include "framework/Dialog.h"
#include "framework/Handles.h"

// The question before a calibration: the settings will be cleared and kept in the profile
// "calibration", and the pads must be in analog mode, which the blinking red text says.
class CCalibration : public CDialog
{
public:
    explicit CCalibration(HWND parent = nullptr);

protected:
    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR id) override;
    bool WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    CIcon m_hIcon;
};
