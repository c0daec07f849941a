#include "framework/TextFile.h"

#include "framework/Handles.h"

bool ReadWholeFile(const std::string& path, std::string& text)
{
    const CHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.HighPart != 0 || size.LowPart > 0x10000000)
        return false;
    std::string bytes(size.LowPart, '\0');
    DWORD read = 0;
    if (size.LowPart && (!::ReadFile(file.get(), bytes.data(), size.LowPart, &read, nullptr) || read != size.LowPart))
        return false;
    text = std::move(bytes);
    return true;
}

bool WriteFileReplacing(const std::string& path, const std::string& text)
{
    const std::string temp = path + ".tmp";
    bool written = false;
    {
        const CHandle file(
            ::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD wrote = 0;
        written = file && ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr) &&
                  wrote == text.size() && ::FlushFileBuffers(file.get());
    }
    if (written && ::MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD error = ::GetLastError();  // what the caller reports, not the clean-up's
    ::DeleteFileA(temp.c_str());
    ::SetLastError(error);
    return false;
}
