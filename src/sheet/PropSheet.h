#pragma once
#include <windows.h>

#include "framework/PropertySheet.h"
#include "profiles/ProfileLoad.h"
#include "settings/SheetQueries.h"

// The configuration sheet "Kinetra": one modal sheet for the whole run, with the Apply
// protocol of the program (every page stores its edits into the settings model, then the
// model is written to the current device and the driver is told to reload).
class CPropSheet : public CPropertySheet
{
public:
    // The sheet with its pages, made on the first call.
    static CPropSheet* GetInstance();

    CPropSheet();

    // Raises the open sheet and returns 2 when it is already showing.
    INT_PTR DoModal() override;
    // Writes the model to the current device and requests the driver reload, when a device
    // is active; otherwise writes nothing.
    void ApplyToDevice();
    ESheetHold Hold() const;
    // A profile was loaded from outside the pages: the open pages show what the model holds.
    void ShowLoadedSettings();

    int m_bShowing = 0;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnPaint() override;

private:
    void QueryPagesToStore();
};
