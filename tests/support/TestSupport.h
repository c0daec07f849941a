#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/MessageBox.h"

// A fresh key under HKCU\Software\KinetraTests for one test; deleted with its values after.
class ScratchKey
{
public:
    ScratchKey();
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    HKEY get() const { return m_key; }
    const std::string& path() const { return m_path; }
    std::vector<std::uint8_t> Value(const char* name) const;  // empty when missing
    bool Has(const char* name) const;
    void Set(const char* name, const std::vector<std::uint8_t>& bytes) const;

private:
    HKEY m_key = nullptr;
    std::string m_path;
};

// Records every message box instead of showing it, answering with `answer`.
struct ShownMessage
{
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

class MessageLog
{
public:
    explicit MessageLog(int answer = IDOK);
    ~MessageLog();
    const std::vector<ShownMessage>& messages() const { return m_messages; }
    int answer = IDOK;

private:
    std::vector<ShownMessage> m_messages;
};

// A folder of its own under the system's temporary folder, removed with its content after.
class ScratchDir
{
public:
    ScratchDir();
    ~ScratchDir();
    const std::string& path() const { return m_path; }  // no trailing backslash
    void WriteFile(const char* name, const char* content = "") const;

private:
    std::string m_path;
};

// Polls `condition` until it holds or the time-out passes; whether it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);
