// The configuration sheet and its pages, put together where the application is: the sheet
// itself knows none of the pages above it.
#include "controllertest/PropDisplay.h"
#include "keys/PropButton.h"
#include "keys/PropMovement.h"
#include "profiles/ProfileLoad.h"
#include "profiles/PropProfile.h"
#include "sheet/PropGeneral.h"
#include "sheet/PropSheet.h"
#include "switching/PropPrograms.h"
#include "switching/PropShortcuts.h"

CPropSheet* CPropSheet::GetInstance()
{
    // The page objects live as long as the sheet; statics are destroyed in reverse order of
    // creation at exit. Creation order: sheet, Button, General, Direction Pad and Motion
    // Function, then the Display and Profile pages.
    static CPropSheet sheet;
    static CPropButton button;
    static CPropGeneral general;
    static CPropMovement movement;
    static CPropDisplay display;
    static CPropProfile profile;
    static CPropPrograms programs;
    static CPropShortcuts shortcuts;
    if (sheet.GetPageCount() == 0) {
        // Page order of the sheet: the settings pages (General, Button, Direction Pad and
        // Motion Function, Profile, Programs, Shortcuts), then the test page, Display.
        sheet.AddPage(&general);
        sheet.AddPage(&button);
        sheet.AddPage(&movement);
        sheet.AddPage(&profile);
        sheet.AddPage(&programs);
        sheet.AddPage(&shortcuts);
        sheet.AddPage(&display);
        // A load from outside the sheet asks it whether it holds the settings, and has the open
        // pages show what the load brought.
        SetSheetHandlers([] { return sheet.Hold(); }, [] { sheet.ShowLoadedSettings(); });
    }
    return &sheet;
}
