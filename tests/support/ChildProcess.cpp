#include "support/ChildProcess.h"

#include "framework/Text.h"

namespace
{
// A pipe whose one end the child inherits and whose other end stays ours alone.
bool MakePipe(CHandle& ours, CHandle& theirs, bool childReads)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!::CreatePipe(&read, &write, &inherit, 0))
        return false;
    ours.reset(childReads ? write : read);
    theirs.reset(childReads ? read : write);
    return ::SetHandleInformation(ours.get(), HANDLE_FLAG_INHERIT, 0) != FALSE;
}
}

CChildProcess::CChildProcess(const std::string& commandLine, const CChildOptions& options)
    : CChildProcess(WideOf(commandLine, CP_ACP), options)
{}

CChildProcess::CChildProcess(std::wstring commandLine, const CChildOptions& options)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    CHandle childInput, childOutput, childError;
    if (options.pipes) {
        MakePipe(m_input, childInput, true);
        MakePipe(m_output, childOutput, false);
        if (!options.errorToOutput)
            MakePipe(m_error, childError, false);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = childInput.get();
        startup.hStdOutput = childOutput.get();
        startup.hStdError = options.errorToOutput ? childOutput.get() : childError.get();
    }
    const std::wstring folder = options.folder ? WideOf(options.folder, CP_ACP) : std::wstring();
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, options.pipes,
                          options.hidden ? CREATE_NO_WINDOW : 0, nullptr, options.folder ? folder.c_str() : nullptr,
                          &startup, &info))
        return;
    m_process.reset(info.hProcess);
    m_dwId = info.dwProcessId;
    ::CloseHandle(info.hThread);
}

DWORD CChildProcess::WaitForExit(DWORD timeoutMs) const
{
    DWORD code = STILL_ACTIVE;
    if (m_process && ::WaitForSingleObject(m_process.get(), timeoutMs) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(m_process.get(), &code);
    return code;
}

void CChildProcess::Terminate() const
{
    if (Running())
        ::TerminateProcess(m_process.get(), 1);
}

HWND CChildProcess::WaitForWindow(const char* className, DWORD timeoutMs) const
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    do {
        for (HWND window = nullptr; (window = ::FindWindowExA(nullptr, window, className, nullptr)) != nullptr;) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner == m_dwId)
                return window;
        }
        ::Sleep(20);
    } while (Running() && ::GetTickCount64() < deadline);
    return nullptr;
}

std::string CChildProcess::BesideMe(const char* program)
{
    if (std::string(program).find(':') != std::string::npos)
        return program;
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\') + 1) + program;
}

std::string CChildProcess::CopyBesideMe(const char* program, const std::string& copyName)
{
    const std::string copy = BesideMe(copyName.c_str());
    ::CopyFileA(BesideMe(program).c_str(), copy.c_str(), FALSE);
    return copy;
}

std::string CChildProcess::ReadToEnd(HANDLE pipe)
{
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (pipe && ::ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    return text;
}
