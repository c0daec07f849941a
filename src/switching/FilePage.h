#pragma once
#include <string>

#include "sheet/SettingsPage.h"

// A page whose settings live in a file of the profile folder, not in the pad (the Programs and
// Shortcuts pages): it holds edits exactly while they differ from those in use, and the sheet's
// store query writes them. Each page says only how it compares, writes and shows its settings.
class CFilePage : public CSettingsPage
{
public:
    // `caption` heads the box that says a write failed; `what` names the settings in it.
    CFilePage(UINT templateId, const char* caption, const char* what)
        : CSettingsPage(templateId), m_pszCaption(caption), m_pszWhat(what)
    {}

protected:
    BOOL OnApply() override;
    BOOL OnKillActive() override;
    void OnReset() override;
    LRESULT OnQuerySiblings(WPARAM code, LPARAM lParam) override;

    // The page holds edits exactly while its settings differ from those in use.
    void Changed();

    virtual bool DiffersFromStored() const = 0;
    // Writes the page's settings into their file, and Kinetra follows them; false with why.
    virtual bool Save(std::string& error) = 0;
    // After a store: the page shows what is now in use.
    virtual void ShowStored() = 0;

private:
    // The edits written, or (after saying why) kept on the page so that the user may try again.
    bool Store();

    const char* m_pszCaption;
    const char* m_pszWhat;
    bool m_bStoreFailed = false;  // this Apply's write failed, and the user was told
};
