#pragma once
// A program started by a test or a measurement as a launcher starts it: its process handle
// owned, and with pipes, what it writes read and what it reads written by the caller.
#include <windows.h>

#include <string>

#include "framework/Handles.h"

struct CChildOptions
{
    const char* folder = nullptr;  // its working folder; the caller's when null
    bool hidden = false;           // a console program without a console window of its own
    bool pipes = false;            // standard input, output and error through pipes
    bool errorToOutput = false;    // with pipes: standard error into the output pipe
};

class CChildProcess
{
public:
    explicit CChildProcess(const std::string& commandLine, const CChildOptions& options = {});
    explicit CChildProcess(std::wstring commandLine, const CChildOptions& options = {});
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    bool Started() const { return static_cast<bool>(m_process); }
    HANDLE Handle() const { return m_process.get(); }
    DWORD Id() const { return m_dwId; }
    bool Running() const { return m_process && WaitForExit(0) == STILL_ACTIVE; }
    // The exit code once it ended within the time-out; STILL_ACTIVE otherwise.
    DWORD WaitForExit(DWORD timeoutMs) const;
    void Terminate() const;
    // Its top-level window of class `className` once it has one, or null after the time-out.
    HWND WaitForWindow(const char* className, DWORD timeoutMs) const;

    // Our ends of its pipes (null without them).
    HANDLE Input() const { return m_input.get(); }
    HANDLE Output() const { return m_output.get(); }
    // Everything it writes to standard output, or to standard error, until it closes them.
    std::string ReadOutput() const { return ReadToEnd(m_output.get()); }
    std::string ReadError() const { return ReadToEnd(m_error.get()); }

    // The full path of `program` beside the running executable; a full path stays as it is.
    static std::string BesideMe(const char* program);
    // A copy of `program` beside the running executable under `copyName`, for rules that match
    // a program by its file name; its full path.
    static std::string CopyBesideMe(const char* program, const std::string& copyName);
    static std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

private:
    static std::string ReadToEnd(HANDLE pipe);

    CHandle m_process;
    DWORD m_dwId = 0;
    CHandle m_input;
    CHandle m_output;
    CHandle m_error;
};
