#pragma once
#include <windows.h>

#include <string>

// Text between the program's code page, UTF-8 (the pipe, the rules file) and the wide calls.
inline std::wstring WideOf(const std::string& text, UINT codePage)
{
    const int size = ::MultiByteToWideChar(codePage, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.c_str(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

inline std::string NarrowOf(const std::wstring& text, UINT codePage)
{
    const int size = ::WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    ::WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), narrow.data(), size, nullptr,
                          nullptr);
    return narrow;
}
