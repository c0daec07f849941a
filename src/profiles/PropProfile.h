#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "controllertest/BitmapPicture.h"
#include "framework/ListView.h"
#include "framework/PropertyPage.h"
#include "profiles/ProfileNameEdit.h"

// The Profile page: saves the current pad's settings under a name, lists, loads, deletes,
// imports and exports the profile files, and takes the last load back. Everything acts at
// once; nothing waits for the sheet's Apply.
class CPropProfile : public CPropertyPage
{
public:
    CPropProfile();

    void RefreshList();
    // Whether a listed profile has exactly this name (upper and lower case count).
    int ProfileExists(const std::string& name) const;

    CBitmapPicture m_picture;
    CProfileNameEdit m_editName;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnSetActive() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    LRESULT OnQuerySiblings(WPARAM code, LPARAM lParam) override;

private:
    void OnDelete();
    void OnLoad();
    void OnSaveAs();
    void OnUndoLoad();
    void OnHistory();
    void OnImport();
    void OnExport();
    void OnClickList();
    void OnDblClkList();

    void LoadSelected(const std::string& name);
    // Shows why `name` cannot be a profile file; true when it can.
    bool CheckName(const std::string& name, const char* caption) const;
    std::string SelectedName() const;  // empty when nothing is selected
    // The file in the profile folder behind the selected item; empty when nothing is selected.
    std::string SelectedFile() const;
    void RefreshUndo();
    // The second column: which listed profile the current pad is on.
    void MarkActive();
    CListView List() const;

    // The files the list shows, item by item: a name shown is the file's name up to its first
    // dot, which need not tell the file.
    std::vector<std::string> m_listedFiles;
};
