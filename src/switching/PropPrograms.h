#pragma once
#include <windows.h>

#include <string>

#include "controllertest/BitmapPicture.h"
#include "framework/ListView.h"
#include "switching/FilePage.h"
#include "switching/ProgramRules.h"

// The Programs page: which profile each program gets when it comes to the front, what happens
// when none matches, and whether the switching runs at all. Edits wait for the sheet's Apply.
class CPropPrograms : public CFilePage
{
public:
    CPropPrograms();

    CBitmapPicture m_picture;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnSetActive() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    bool DiffersFromStored() const override;
    bool Save(std::string& error) override;
    void ShowStored() override { ShowRules(); }

private:
    void OnAdd();
    void OnAddRunning();
    void OnRemove();
    void OnMove(int step);
    void OnRuleProfile();
    void OnOptions();

    void AddRule(const std::string& program);
    // The page shows m_rules: the list, the choices and the profiles to choose from.
    void ShowRules();
    void ShowRuleList(int select);
    void FillProfiles(int comboId, const std::string& chosen);
    void ShowDropped();
    int SelectedRule() const;
    CListView List() const;

    CProgramRules m_rules;
};
