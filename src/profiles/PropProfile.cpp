#include "profiles/PropProfile.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>

#include "framework/MessageBox.h"
#include "profiles/ActiveProfiles.h"
#include "profiles/FileOperation.h"
#include "profiles/HistoryDialog.h"
#include "profiles/ProfileFileDialog.h"
#include "profiles/ProfileLoad.h"
#include "profiles/ProfileRules.h"
#include "profiles/ProfileStore.h"
#include "resource.h"
#include "settings/Setting.h"
#include "settings/SheetQueries.h"

namespace
{
bool DeviceActive()
{
    return Model().m_bDeviceActive == 1;
}

// Whether the loaded pad is `pad`.
bool IsCurrentPad(const std::string& pad)
{
    return !pad.empty() && ::lstrcmpiA(Model().CurrentPadId().c_str(), pad.c_str()) == 0;
}

// The Name column gives up this much of its width to the mark of the pad's profile.
constexpr int kActiveColumnWidth = 90;

std::string Format(const char* pattern, const std::string& name)
{
    std::string text(std::string(pattern).size() + name.size() + 1, '\0');
    const int length = wsprintfA(text.data(), pattern, name.c_str());
    text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return text;
}

// Shows the wait cursor while a file operation runs, then puts the old one back.
class CWaitCursor
{
public:
    CWaitCursor() : m_hOld(::SetCursor(::LoadCursorA(nullptr, IDC_WAIT))) {}
    ~CWaitCursor() { ::SetCursor(m_hOld); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    HCURSOR m_hOld;
};

std::string DesktopFolder()
{
    char path[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// The file the user picks or names in the locked file dialog; false when cancelled.
bool ChooseProfileFile(HWND owner, std::string& path)
{
    const std::string desktop = DesktopFolder();
    CProfileFileDialog dialog(true, "reg", "*.reg", 0, "Profile (*.reg)|*.reg||", owner, desktop.c_str());
    if (dialog.DoModal() != IDOK)
        return false;
    path = dialog.GetPathName();
    return true;
}

void ShowFileError(HWND owner, const std::string& text)
{
    CMessageBox::Show(owner, text.c_str(), "Error", MB_OK | MB_ICONSTOP);
}

bool SameText(const std::string& first, const std::string& second)
{
    return ::lstrcmpiA(first.c_str(), second.c_str()) == 0;
}

// Why the file at `path` cannot become a profile of the list; empty when it can.
std::string ImportProblem(const std::string& path)
{
    const std::size_t slash = path.find_last_of('\\');
    const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    static const std::string kExtension = ".reg";
    if (file.size() <= kExtension.size() || !SameText(file.substr(file.size() - kExtension.size()), kExtension))
        return "A profile is a file whose name ends in \".reg\": " + file + " was not imported!";
    const std::string problem = ProfileNameProblem(file.substr(0, file.size() - kExtension.size()),
                                                   std::strlen(g_szConfigDir));
    return problem.empty() ? problem : problem + "\n" + file + " was not imported!";
}

// Copies the profile `name` to `target` without writing over any file. The copy is made in
// the target's folder and then takes the chosen name; a copy that cannot is removed again.
bool ExportProfile(HWND owner, const std::string& name, const std::string& target)
{
    CFileOperation operation;
    const std::string source = ProfilePath(name);
    const std::string folder = FolderOf(target);
    bool done = false;
    if (SameText(folder, g_szConfigDir)) {
        // Within the profile folder the copy would be the profile itself, and the rename would
        // take it away from the list.
        done = operation.CopyTo(source, target);
    } else if (operation.Copy(source, folder)) {
        const std::string copy = operation.GetLastTarget();
        done = SameText(copy, target) || operation.Rename(copy, target);
        if (!done)
            ::DeleteFileA(copy.c_str());
    }
    if (!done)
        ShowFileError(owner, operation.GetErrorString());
    return done;
}

}

CPropProfile::CPropProfile() : CPropertyPage(IDD_PROFILE) {}

CListView CPropProfile::List() const
{
    return CListView(GetDlgItem(IDC_PROFILE_LIST));
}

void CPropProfile::DoDataExchange(CDataExchange& dx)
{
    dx.Control(IDC_PROFILE_PICTURE, m_picture);
    dx.Control(IDC_PROFILE_NAME, m_editName);
}

BOOL CPropProfile::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    const CListView list = List();
    list.InsertColumn(0, "Name", 293 - kActiveColumnWidth, LVCFMT_CENTER);
    list.InsertColumn(1, "Active", kActiveColumnWidth, LVCFMT_CENTER);
    m_picture.SetImage(IDB_PROFILE_SIDE);
    // Import and Export are offered, though the template keeps them hidden.
    ShowDlgItem(IDC_PROFILE_IMPORT, true);
    ShowDlgItem(IDC_PROFILE_EXPORT, true);
    for (int id : {IDC_PROFILE_LOAD, IDC_PROFILE_SAVE_AS, IDC_PROFILE_NAME})
        EnableDlgItem(id, false);
    RefreshList();
    return TRUE;
}

BOOL CPropProfile::OnSetActive()
{
    RefreshList();
    return CPropertyPage::OnSetActive();
}

void CPropProfile::RefreshList()
{
    CSetting& model = Model();
    const CListView list = List();
    list.DeleteAllItems();
    model.ScanProfiles();
    m_listedFiles = model.m_ProfileFiles;
    for (int i = 0; i < model.m_nProfileCount; ++i)
        list.InsertItem(i, ProfileNameOfFile(model.m_ProfileFiles[static_cast<std::size_t>(i)]).c_str());
    MarkActive();
    const bool active = DeviceActive();
    EnableDlgItem(IDC_PROFILE_LOAD, active && model.m_nProfileCount > 0);
    EnableDlgItem(IDC_PROFILE_SAVE_AS, active);
    EnableDlgItem(IDC_PROFILE_HISTORY, active);
    EnableDlgItem(IDC_PROFILE_NAME, active);
    RefreshUndo();
    UpdateData(FALSE);
}

void CPropProfile::RefreshUndo()
{
    const bool usable = DeviceActive() && IsCurrentPad(UndoPad()) && CanUndoLoad();
    EnableDlgItem(IDC_PROFILE_UNDO, usable);
}

void CPropProfile::MarkActive()
{
    const CActiveProfile active = DeviceActive() ? CActiveProfiles::Get().Of(Model().CurrentPadId()) : CActiveProfile();
    const CListView list = List();
    const int count = list.GetItemCount();
    for (int i = 0; i < count; ++i) {
        const bool on = !active.name.empty() && SameText(list.GetItemText(i, 0), active.name);
        list.SetItemText(i, 1, on ? (active.modified ? "modified" : "active") : "");
    }
}

int CPropProfile::ProfileExists(const std::string& name) const
{
    const CListView list = List();
    const int count = list.GetItemCount();
    for (int i = 0; i < count; ++i)
        if (list.GetItemText(i, 0) == name)
            return 1;
    return 0;
}

std::string CPropProfile::SelectedName() const
{
    const CListView list = List();
    const int item = list.GetSelectionMark();
    return item < 0 ? std::string() : list.GetItemText(item, 0);
}

std::string CPropProfile::SelectedFile() const
{
    const int item = List().GetSelectionMark();
    if (item < 0 || item >= static_cast<int>(m_listedFiles.size()))
        return {};
    return m_listedFiles[static_cast<std::size_t>(item)];
}

bool CPropProfile::CheckName(const std::string& name, const char* caption) const
{
    const std::string problem = ProfileNameProblem(name, std::strlen(g_szConfigDir));
    if (problem.empty())
        return true;
    CMessageBox::Show(m_hWnd, problem.c_str(), caption, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

void CPropProfile::OnClickList()
{
    if (!DeviceActive())
        return;
    const std::string name = SelectedName();
    if (!name.empty())
        SetDlgItemText(IDC_PROFILE_NAME, name.substr(0, MAX_PATH - 1).c_str());
}

void CPropProfile::OnDblClkList()
{
    if (DeviceActive())
        OnLoad();
}

void CPropProfile::OnDelete()
{
    // A listed file is deleted whatever its name: the typed-name rules are for names that
    // become files, and a file another program put here must not stay for ever. It is only
    // ever a plain file name inside the profile folder, as the folder's listing gave it.
    const std::string name = SelectedName();
    const std::string file = SelectedFile();
    if (file.empty() || file.find_first_of("\\/:") != std::string::npos)
        return;
    const std::string question = "Are You Sure to Delete the Profile?\n\"" + name + "\"";
    if (CMessageBox::Show(m_hWnd, question.c_str(), "Delete..", MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    if (!::DeleteFileA((std::string(g_szConfigDir) + "\\" + file).c_str()))
        CMessageBox::Show(m_hWnd, Format("The Profile \"%s\" could not be deleted!", name).c_str(), "Delete..",
                          MB_OK | MB_ICONEXCLAMATION);
    RefreshList();
}

void CPropProfile::OnSaveAs()
{
    const std::string name = GetDlgItemText(IDC_PROFILE_NAME);
    if (name.empty())
        CMessageBox::Show(m_hWnd, "Nothing input!", "Save Fail", MB_OK);
    if (!DeviceActive() || name.empty() || !CheckName(name, "Save Fail"))
        return;
    const bool overwrite = ProfileExists(name) == 1;
    if (overwrite) {
        const std::string question = Format("Profile %s already exists!\nWould you like to overwrite existing file?",
                                            name);
        if (CMessageBox::Show(m_hWnd, question.c_str(), "Save as...", MB_OKCANCEL) != IDOK) {
            CMessageBox::Show(m_hWnd, "Current Configuration would not be saved!", "Notice..",
                              MB_OK | MB_ICONEXCLAMATION);
            return;
        }
    } else if (FileExists(ProfilePath(name))) {
        // Race1.reg takes the place of race1.reg where the file system ignores case.
        const std::string text = "Profile " + name + " was not saved: the profile " + ProfileNameOnDisk(name) +
                                 " differs from it only in upper and lower case!";
        CMessageBox::Show(m_hWnd, text.c_str(), "Save Fail", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (SaveDeviceKey(m_hWnd, name)) {
        // The pad's settings are that profile now, as after a load of it.
        CActiveProfiles::Get().Set(Model().CurrentPadId(), {name, false});
    } else {
        const char* text = overwrite
                               ? "Profile %s could not be saved!\nThe profile saved before under this name is kept."
                               : "Profile %s could not be saved!";
        CMessageBox::Show(m_hWnd, Format(text, name).c_str(), "Save Fail", MB_OK | MB_ICONEXCLAMATION);
    }
    RefreshList();
}

void CPropProfile::OnLoad()
{
    const std::string name = SelectedName();
    if (DeviceActive() && !name.empty()) {
        LoadSelected(name);
        return;
    }
    if (DeviceActive() || name.empty())
        CMessageBox::Show(m_hWnd, "Please Pick a Profile to Load!", "No selected Profile", MB_OK);
    else
        CMessageBox::Show(m_hWnd, "No Current Device!!", "Load Profile Fail", MB_OK);
}

void CPropProfile::LoadSelected(const std::string& name)
{
    if (!CheckName(name, "Load Fail"))
        return;
    LoadProfile(Model().m_nCurrentDevice, name, ELoadCaller::kPage, m_hWnd);
    MarkActive();
    RefreshUndo();
}

void CPropProfile::OnUndoLoad()
{
    if (!DeviceActive() || !IsCurrentPad(UndoPad()))
        return;
    UndoLoad(m_hWnd);
    MarkActive();
    RefreshUndo();
}

void CPropProfile::OnHistory()
{
    if (!DeviceActive())
        return;
    // A restore replaces what the pages show: edits not yet applied would be lost under it.
    const std::string busy = WhyNotNow(Model().m_nCurrentDevice);
    if (!busy.empty()) {
        CMessageBox::Show(m_hWnd, busy.c_str(), "History", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    CHistoryDialog(m_hWnd, Model().CurrentPadId()).DoModal();
    MarkActive();
    RefreshUndo();
}

void CPropProfile::OnImport()
{
    std::string path;
    if (!ChooseProfileFile(m_hWnd, path))
        return;
    CWaitCursor wait;
    UpdateData(TRUE);
    const std::string problem = ImportProblem(path);
    CFileOperation operation;
    if (!problem.empty())
        ShowFileError(m_hWnd, problem);
    else if (!operation.Copy(path, g_szConfigDir))
        ShowFileError(m_hWnd, operation.GetErrorString());
    RefreshList();
}

void CPropProfile::OnExport()
{
    const std::string name = SelectedName();
    if (name.empty()) {
        CMessageBox::Show(m_hWnd, "Please select the profile from the List first", "Kinetra", MB_OK);
        return;
    }
    std::string target;
    if (!CheckName(name, "Error") || !ChooseProfileFile(m_hWnd, target))
        return;
    CWaitCursor wait;
    UpdateData(TRUE);
    if (ExportProfile(m_hWnd, name, target))
        CMessageBox::Show(m_hWnd, "Export Finish!", "Export..", MB_OK);
    RefreshList();
}

LRESULT CPropProfile::OnQuerySiblings(WPARAM code, LPARAM)
{
    // The kept settings stay with the pad they were taken from: Undo Load is offered again
    // when that pad is loaded again, and never on another.
    if (code == kQueryDeviceChanged || code == kQueryProfileLoaded)
        RefreshList();
    return 0;
}

bool CPropProfile::OnCommand(int id, int code, HWND)
{
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_PROFILE_DELETE: OnDelete(); return true;
    case IDC_PROFILE_LOAD: OnLoad(); return true;
    case IDC_PROFILE_SAVE_AS: OnSaveAs(); return true;
    case IDC_PROFILE_UNDO: OnUndoLoad(); return true;
    case IDC_PROFILE_HISTORY: OnHistory(); return true;
    case IDC_PROFILE_IMPORT: OnImport(); return true;
    case IDC_PROFILE_EXPORT: OnExport(); return true;
    default: return false;
    }
}

bool CPropProfile::OnNotify(NMHDR* header, LRESULT& result)
{
    if (header->idFrom != IDC_PROFILE_LIST)
        return false;
    result = 0;
    if (header->code == NM_CLICK) {
        OnClickList();
        return true;
    }
    if (header->code == NM_DBLCLK) {
        OnDblClkList();
        return true;
    }
    return false;
}
