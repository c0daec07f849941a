#include "profiles/ProfileFileDialog.h"

#include <commctrl.h>
#include <dlgs.h>

#include "framework/LateDll.h"
#include "framework/ListView.h"

namespace
{
constexpr int kReadOnlyCheck = 1040;      // chx1: open as read-only
constexpr int kNewFolderButton = 0xA002;  // the toolbar's new-folder command
constexpr UINT_PTR kSubclassId = 0x4B50;

HHOOK g_hKeyboardHook = nullptr;

bool CtrlDown()
{
    return (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
}

// The dialog's toolbar: ctl1 on Windows; found by its class where the id differs (Wine).
HWND ToolBar(HWND dialog)
{
    HWND toolbar = ::GetDlgItem(dialog, ctl1);
    return toolbar ? toolbar : ::FindWindowExA(dialog, nullptr, TOOLBARCLASSNAMEA, nullptr);
}

// The shell view of the dialog and its list of files.
HWND FileView(HWND dialog)
{
    HWND view = ::GetDlgItem(dialog, lst2);
    return view ? view : ::FindWindowExA(dialog, nullptr, "SHELLDLL_DefView", nullptr);
}
}

CProfileFileDialog::CProfileFileDialog(bool openMode, const char* defaultExtension, const char* fileName, DWORD flags,
                                       const char* filter, HWND parent, const char* initialFolder)
    : m_bOpenMode(openMode)
{
    if (defaultExtension) {
        const char* extension = defaultExtension[0] == '.' ? defaultExtension + 1 : defaultExtension;
        lstrcpynA(m_szDefaultExtension, extension, sizeof m_szDefaultExtension);
    }
    if (fileName)
        lstrcpynA(m_szFile, fileName, MAX_PATH);
    if (initialFolder)
        lstrcpynA(m_szInitialDir, initialFolder, MAX_PATH);
    // The system wants the pairs separated and ended by zeros.
    m_sFilter = filter ? filter : "";
    for (char& c : m_sFilter)
        if (c == '|')
            c = '\0';
    m_sFilter.push_back('\0');
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.hwndOwner = parent;
    m_ofn.lpstrFilter = m_sFilter.c_str();
    m_ofn.lpstrFile = m_szFile;
    m_ofn.nMaxFile = MAX_PATH;
    m_ofn.lpstrFileTitle = m_szFileTitle;
    m_ofn.nMaxFileTitle = MAX_PATH;
    m_ofn.lpstrInitialDir = m_szInitialDir[0] ? m_szInitialDir : nullptr;
    m_ofn.lpstrDefExt = m_szDefaultExtension[0] ? m_szDefaultExtension : nullptr;
    m_ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING | OFN_READONLY;
    m_ofn.lpfnHook = HookProc;
}

INT_PTR CProfileFileDialog::DoModal()
{
    // comdlg32 is loaded by the first file dialog (framework/LateDll.h), not when the tray starts.
    const BOOL chosen = m_bOpenMode ? late::GetOpenFileNameA(&m_ofn) : late::GetSaveFileNameA(&m_ofn);
    Unhook();  // also when the dialog ended without its destruction reaching the hook
    return chosen ? IDOK : IDCANCEL;
}

std::string CProfileFileDialog::GetFolderPath() const
{
    const std::string path = m_szFile;
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

UINT_PTR CALLBACK CProfileFileDialog::HookProc(HWND child, UINT message, WPARAM, LPARAM lParam)
{
    // The hook's window is a child of the dialog the system made.
    const HWND dialog = ::GetParent(child);
    switch (message) {
    case WM_INITDIALOG: ::ShowWindow(::GetDlgItem(dialog, kReadOnlyCheck), SW_HIDE); break;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == CDN_INITDONE)
            OnInitDone(dialog);
        else if (header->code == CDN_FOLDERCHANGE)
            LockFileList(dialog);
        break;
    }
    case WM_DESTROY: Unhook(); break;
    default: break;
    }
    return 0;
}

void CProfileFileDialog::OnInitDone(HWND dialog)
{
    if (!g_hKeyboardHook)
        g_hKeyboardHook = ::SetWindowsHookExA(WH_KEYBOARD, KeyboardProc, nullptr, ::GetCurrentThreadId());
    ::SendMessageA(ToolBar(dialog), TB_HIDEBUTTON, kNewFolderButton, MAKELPARAM(TRUE, 0));
}

void CProfileFileDialog::Unhook()
{
    if (g_hKeyboardHook)
        ::UnhookWindowsHookEx(g_hKeyboardHook);
    g_hKeyboardHook = nullptr;
}

LRESULT CALLBACK CProfileFileDialog::KeyboardProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        const bool swallowed = wParam == VK_DELETE || ((wParam == 'X' || wParam == 'V') && CtrlDown());
        if (swallowed)
            return 1;
    }
    return ::CallNextHookEx(g_hKeyboardHook, code, wParam, lParam);
}

void CProfileFileDialog::LockFileList(HWND dialog)
{
    const HWND view = FileView(dialog);
    const CListView list(view ? ::FindWindowExA(view, nullptr, WC_LISTVIEWA, nullptr) : nullptr);
    if (!list)
        return;
    list.ModifyStyle(LVS_EDITLABELS, 0);
    list.SetExtendedListViewStyle(LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    // Subclassing again on every folder change only updates the existing entry.
    ::SetWindowSubclass(list, FileListProc, kSubclassId, 0);
    ::SetWindowSubclass(view, FileViewProc, kSubclassId, reinterpret_cast<DWORD_PTR>(list.GetSafeHwnd()));
}

LRESULT CALLBACK CProfileFileDialog::FileListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                  DWORD_PTR)
{
    switch (message) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU: return 0;
    case WM_NCDESTROY: ::RemoveWindowSubclass(list, FileListProc, kSubclassId); break;
    default: break;
    }
    return ::DefSubclassProc(list, message, wParam, lParam);
}

LRESULT CALLBACK CProfileFileDialog::FileViewProc(HWND view, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                  DWORD_PTR list)
{
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        const bool drag = header->code == LVN_BEGINDRAG || header->code == LVN_BEGINRDRAG;
        if (drag && header->hwndFrom == reinterpret_cast<HWND>(list))
            return 0;
    }
    if (message == WM_NCDESTROY)
        ::RemoveWindowSubclass(view, FileViewProc, kSubclassId);
    return ::DefSubclassProc(view, message, wParam, lParam);
}
