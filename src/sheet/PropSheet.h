#pragma once
#include <windows.h>

#include "framework/PropertySheet.h"

// What the sheet means to a change of the settings from outside it (the tray, the command line).
enum class ESheetHold {
    kFree,        // closed, or open with nothing unapplied: the change may go ahead
    kUnapplied,   // the user's edits wait for Apply: the sheet owns the model
    kDialogOpen,  // a dialog or message box over the sheet is in the middle of something
};

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

// Query codes of PSM_QUERYSIBLINGS between the pages of the sheet.
constexpr WPARAM kQueryStore = 1;          // store your edits into the settings model
constexpr WPARAM kQueryDeviceChanged = 2;  // the current device changed: reload your controls
constexpr WPARAM kQueryProfileLoaded = 3;  // the model took a profile: show it, nothing is modified
