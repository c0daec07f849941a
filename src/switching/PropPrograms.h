#pragma once
#include <windows.h>

#include <string>

#include "controllertest/BitmapPicture.h"
#include "framework/ListView.h"
#include "sheet/SettingsPage.h"
#include "switching/ProgramRules.h"

// The Programs page: which profile each program gets when it comes to the front, what happens
// when none matches, and whether the switching runs at all. Edits wait for the sheet's Apply.
class CPropPrograms : public CSettingsPage
{
public:
    CPropPrograms();

    CBitmapPicture m_picture;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnSetActive() override;
    BOOL OnApply() override;
    void OnReset() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    LRESULT OnQuerySiblings(WPARAM code, LPARAM lParam) override;

private:
    void OnAdd();
    void OnAddRunning();
    void OnRemove();
    void OnMove(int step);
    void OnRuleProfile();
    void OnOptions();

    void AddRule(const std::string& program);
    // The page holds edits exactly while its rules differ from those in use.
    void Changed();
    // Writes the rules into the file and the switching follows them; false (after saying why)
    // when the file could not be written, and the page keeps the edits.
    bool Store();
    // The page shows m_rules: the list, the choices and the profiles to choose from.
    void ShowRules();
    void ShowRuleList(int select);
    void FillProfiles(int comboId, const std::string& chosen);
    void ShowDropped();
    int SelectedRule() const;
    CListView List() const;

    CProgramRules m_rules;
};
