#pragma once
#include <windows.h>
#include <commdlg.h>

#include <string>

// The system's explorer-style file dialog, locked against changing files: it may pick a file
// or name one, but not delete, cut, paste, rename, drag or make folders.
class CProfileFileDialog
{
public:
    // `defaultExtension` may start with a dot; `filter` is "Text|pattern|" pairs ended by "|".
    CProfileFileDialog(bool openMode, const char* defaultExtension, const char* fileName, DWORD flags,
                       const char* filter, HWND parent, const char* initialFolder);

    INT_PTR DoModal();  // IDOK or IDCANCEL
    std::string GetPathName() const { return m_szFile; }
    std::string GetFolderPath() const;

    OPENFILENAMEA m_ofn = {};

private:
    static UINT_PTR CALLBACK HookProc(HWND child, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK FileListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    static LRESULT CALLBACK FileViewProc(HWND view, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    static void OnInitDone(HWND dialog);
    static void LockFileList(HWND dialog);
    static void Unhook();

    bool m_bOpenMode;
    char m_szFile[MAX_PATH] = {};
    char m_szFileTitle[MAX_PATH] = {};
    char m_szInitialDir[MAX_PATH] = {};
    char m_szDefaultExtension[4] = {};
    std::string m_sFilter;
};
