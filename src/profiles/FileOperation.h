#pragma once
#include <windows.h>

#include <string>
#include <utility>

// Copies and renames profile files. A copy never writes over a file unless told to: it takes
// the next free "Copy of" name instead. Each operation returns false on failure and keeps the
// system's text of the error for the caller.
class CFileOperation
{
public:
    // Copies the file `source` into `folder` (no trailing backslash). Copying a file into the
    // folder that already holds it does nothing and succeeds.
    bool Copy(const std::string& source, const std::string& folder);
    // Copies the file `source` to the path `target`, which must not exist.
    bool CopyTo(const std::string& source, const std::string& target);
    // Moves the file `source` to `target`; fails when `target` exists.
    bool Rename(const std::string& source, const std::string& target);

    void SetOverwriteMode(bool overwrite) { m_bOverwrite = overwrite; }
    bool IsOverwriteMode() const { return m_bOverwrite; }
    const std::string& GetErrorString() const { return m_sError; }
    // The file the last successful copy left in the target folder.
    const std::string& GetLastTarget() const { return m_sLastTarget; }

private:
    // A failure inside the class: the system's error number and its text, or a text of ours.
    class CFExeption
    {
    public:
        explicit CFExeption(DWORD error);
        explicit CFExeption(std::string text) : m_sError(std::move(text)) {}
        DWORD m_dwError = 0;
        std::string m_sError;
    };

    template <typename Operation>
    bool Run(Operation operation);
    void DoCopy(const std::string& source, const std::string& folder);
    std::string FreeTarget(const std::string& folder, std::string fileName) const;

    bool m_bOverwrite = false;
    std::string m_sError;
    std::string m_sLastTarget;
};

// The folder part of a path, up to its last backslash (not included); empty when it has none.
std::string FolderOf(const std::string& path);
