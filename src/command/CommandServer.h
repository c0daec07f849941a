#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Handles.h"

// The running Kinetra's end of the command pipe. A thread of its own waits for KinetraCmd;
// each request is run on the UI thread, where the settings model lives, and answered.
class CCommandServer
{
public:
    CCommandServer() = default;
    ~CCommandServer();
    CCommandServer(const CCommandServer&) = delete;
    CCommandServer& operator=(const CCommandServer&) = delete;

    // Requests go to `target` as kCommandMessage; false when the pipe could not be made.
    bool Start(HWND target);
    void Stop();

    // The window procedure's part of kCommandMessage, on the UI thread.
    static void OnCommandMessage(LPARAM lParam);

private:
    static DWORD WINAPI ThreadEntry(void* self);
    void Serve();
    void AnswerClient();
    std::string HandOver(const std::string& request);

    HWND m_hTarget = nullptr;
    CHandle m_hPipe;
    CHandle m_hStop;
    CHandle m_hThread;
};

constexpr UINT kCommandMessage = WM_APP + 0x40;

// Runs one request on the UI thread and gives the whole answer: head line and text.
std::string RunCommandRequest(const std::string& request);
// Put-backs asked for while the pad could not be changed (the sheet had unapplied changes, a
// test held the pad, the pad was away) are tried again; what was done or failed, one text each.
std::vector<std::string> RetryPendingPutBacks();
bool HasPendingPutBacks();
