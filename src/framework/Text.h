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

// The program's names are in the system's code page; the pipe carries UTF-8.
inline std::string Utf8OfAnsi(const std::string& text)
{
    return NarrowOf(WideOf(text, CP_ACP), CP_UTF8);
}

// False when `utf8` is not valid UTF-8 or has a character the code page cannot hold (no file
// of the program can then have that name).
inline bool AnsiOfUtf8(const std::string& utf8, std::string& ansi)
{
    const int wide = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.c_str(), -1, nullptr, 0);
    if (wide <= 0)
        return false;
    std::wstring buffer(static_cast<std::size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.c_str(), -1, buffer.data(), wide);
    BOOL lost = FALSE;
    const int size = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, buffer.c_str(), -1, nullptr, 0, nullptr,
                                           &lost);
    if (size <= 0 || lost)
        return false;
    ansi.assign(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, buffer.c_str(), -1, ansi.data(), size, nullptr, &lost);
    ansi.resize(static_cast<std::size_t>(size - 1));
    return !lost;
}
