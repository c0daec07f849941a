#pragma once
#include "framework/PropertyPage.h"

// What the General, Button and Direction Pad and Motion Function pages share: one flag for
// edits not yet stored into the settings model, and the question asked when such a page is
// left with edits.
class CSettingsPage : public CPropertyPage
{
public:
    explicit CSettingsPage(UINT templateId) : CPropertyPage(templateId) {}

    BYTE m_bModified = 0;

protected:
    BOOL OnKillActive() override;
    // Marks the page as holding edits and enables the sheet's Apply button.
    void MarkModified();
    // The edits are in the model: the page tells the sheet it is clean again. The sheet's own
    // Apply does not, and a page it still counts as changed would turn Apply on again at the
    // next page's change and back, such as a load from outside showing what it brought.
    void MarkStored();
};
