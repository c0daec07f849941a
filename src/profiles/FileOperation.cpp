#include "profiles/FileOperation.h"

#include "profiles/ProfileRules.h"

namespace
{
// A folder cannot hold more copies than this; a name that never frees up ends the search.
constexpr int kMaxCopyNames = 1000;

DWORD Attributes(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str());
}

bool IsFolder(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string FileNameOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

CFileOperation::CFExeption::CFExeption(DWORD error) : m_dwError(error)
{
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                              FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    if (length && text)
        m_sError.assign(text, length);
    else
        m_sError = "Error " + std::to_string(error);
    if (text)
        ::LocalFree(text);
    while (!m_sError.empty() && (m_sError.back() == '\n' || m_sError.back() == '\r'))
        m_sError.pop_back();
}

template <typename Operation>
bool CFileOperation::Run(Operation operation)
{
    m_sError.clear();
    try {
        operation();
        return true;
    } catch (const CFExeption& failure) {
        m_sError = failure.m_sError;
        return false;
    }
}

bool CFileOperation::Copy(const std::string& source, const std::string& folder)
{
    return Run([&] { DoCopy(source, folder); });
}

bool CFileOperation::CopyTo(const std::string& source, const std::string& target)
{
    return Run([&] {
        if (!::CopyFileA(source.c_str(), target.c_str(), TRUE))
            throw CFExeption(::GetLastError());
        m_sLastTarget = target;
    });
}

bool CFileOperation::Rename(const std::string& source, const std::string& target)
{
    return Run([&] {
        if (!::MoveFileA(source.c_str(), target.c_str()))
            throw CFExeption(::GetLastError());
    });
}

void CFileOperation::DoCopy(const std::string& source, const std::string& folder)
{
    const DWORD sourceAttributes = Attributes(source);
    if (sourceAttributes == INVALID_FILE_ATTRIBUTES)
        throw CFExeption(source + " not found");
    const DWORD folderAttributes = Attributes(folder);
    if (folderAttributes == INVALID_FILE_ATTRIBUTES)
        throw CFExeption(folder + " not found");
    if (IsFolder(sourceAttributes) || !IsFolder(folderAttributes))
        throw CFExeption(std::string("Wrong operation"));
    if (::lstrcmpiA(FolderOf(source).c_str(), folder.c_str()) == 0) {
        m_sLastTarget = source;
        return;
    }
    const std::string target = FreeTarget(folder, FileNameOf(source));
    if (!::CopyFileA(source.c_str(), target.c_str(), m_bOverwrite ? FALSE : TRUE))
        throw CFExeption(::GetLastError());
    m_sLastTarget = target;
}

std::string CFileOperation::FreeTarget(const std::string& folder, std::string fileName) const
{
    std::string target = folder + "\\" + fileName;
    for (int tries = 0; !m_bOverwrite && Attributes(target) != INVALID_FILE_ATTRIBUTES && tries < kMaxCopyNames;
         ++tries) {
        fileName = NextCopyName(fileName);
        target = folder + "\\" + fileName;
    }
    return target;
}
