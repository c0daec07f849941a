#include "support/TestSupport.h"

#include <shellapi.h>

#include <atomic>
#include <cstdio>

namespace
{
std::atomic<int> g_nextScratch{0};

std::string UniqueName(const char* stem)
{
    char name[96];
    std::snprintf(name, sizeof name, "%s-%lu-%d", stem, ::GetCurrentProcessId(), g_nextScratch++);
    return name;
}
}

ScratchKey::ScratchKey() : m_path("Software\\KinetraTests\\" + UniqueName("key"))
{
    ::RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr);
}

ScratchKey::~ScratchKey()
{
    if (m_key)
        ::RegCloseKey(m_key);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
}

std::vector<std::uint8_t> ScratchKey::Value(const char* name) const
{
    DWORD size = 0;
    if (::RegQueryValueExA(m_key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return {};
    std::vector<std::uint8_t> bytes(size);
    ::RegQueryValueExA(m_key, name, nullptr, nullptr, bytes.data(), &size);
    bytes.resize(size);
    return bytes;
}

bool ScratchKey::Has(const char* name) const
{
    return ::RegQueryValueExA(m_key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void ScratchKey::Set(const char* name, const std::vector<std::uint8_t>& bytes) const
{
    ::RegSetValueExA(m_key, name, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
}

MessageLog::MessageLog(int answerWith) : answer(answerWith)
{
    CMessageBox::SetObserver([this](HWND owner, const char* text, const char* caption, UINT type) {
        m_messages.push_back({owner, text ? text : "", caption ? caption : "", type});
        return answer;
    });
}

MessageLog::~MessageLog()
{
    CMessageBox::SetObserver(nullptr);
}

ScratchDir::ScratchDir()
{
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    m_path = std::string(temp) + UniqueName("kinetra");
    ::CreateDirectoryA(m_path.c_str(), nullptr);
}

ScratchDir::~ScratchDir()
{
    std::string from = m_path;
    from.push_back('\0');  // SHFileOperation takes a double-terminated list
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    ::SHFileOperationA(&op);
}

void ScratchDir::WriteFile(const char* name, const char* content) const
{
    const std::string file = m_path + "\\" + name;
    if (FILE* f = std::fopen(file.c_str(), "wb")) {
        std::fputs(content, f);
        std::fclose(f);
    }
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (::GetTickCount64() > deadline)
            return false;
        ::Sleep(5);
    }
    return true;
}
