#include "command/CommandServer.h"

#include <sddl.h>

#include <atomic>
#include <exception>
#include <memory>

#include "command/CommandProtocol.h"

namespace
{
constexpr DWORD kPipeBuffer = 4096;
// The UI thread takes a request within this time, or the client hears that Kinetra is busy.
constexpr DWORD kTakeMs = 1000;
constexpr DWORD kReadMs = 1000;
constexpr DWORD kWriteMs = 2000;
// A load that has begun is seen through.
constexpr DWORD kRunMs = 30000;

enum EJobState : int { kPending, kTaken, kAbandoned };

struct CCommandJob
{
    std::string request;
    std::string answer;
    std::atomic<int> state{kPending};
    CHandle taken{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    CHandle done{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

// Only the interactive user's processes, the system and the administrators may open the
// pipe; the medium label lets a program that is not elevated reach an elevated Kinetra.
constexpr wchar_t kPipeSecurity[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;GA;;;OW)(A;;GRGW;;;IU)S:(ML;;NW;;;ME)";

CHandle CreatePipe()
{
    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof attributes;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(kPipeSecurity, SDDL_REVISION_1, &descriptor, nullptr))
        attributes.lpSecurityDescriptor = descriptor;
    CHandle pipe(::CreateNamedPipeW(kCommandPipeName,
                                    PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                    PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                                    kPipeBuffer, kPipeBuffer, 0, &attributes));
    if (descriptor)
        ::LocalFree(descriptor);
    return pipe;
}

// Waits for an overlapped call on `pipe` that went pending; false on time-out or stop, with the
// call cancelled.
bool Complete(HANDLE pipe, OVERLAPPED& overlapped, DWORD timeoutMs, HANDLE stop, DWORD& transferred)
{
    const HANDLE events[] = {overlapped.hEvent, stop};
    const DWORD woken = ::WaitForMultipleObjects(stop ? 2 : 1, events, FALSE, timeoutMs);
    if (woken != WAIT_OBJECT_0) {
        ::CancelIo(pipe);
        ::GetOverlappedResult(pipe, &overlapped, &transferred, TRUE);
        return false;
    }
    return ::GetOverlappedResult(pipe, &overlapped, &transferred, FALSE) != FALSE;
}

// The request line, up to its newline; empty when none came within the time.
std::string ReadRequest(HANDLE pipe)
{
    std::string request;
    const DWORD start = ::GetTickCount();
    CHandle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    while (request.find('\n') == std::string::npos && request.size() < kMaxRequest) {
        const DWORD spent = ::GetTickCount() - start;
        if (spent >= kReadMs)
            return {};
        char buffer[512];
        OVERLAPPED overlapped = {};
        overlapped.hEvent = event.get();
        DWORD read = 0;
        if (!::ReadFile(pipe, buffer, sizeof buffer, &read, &overlapped) &&
            (::GetLastError() != ERROR_IO_PENDING || !Complete(pipe, overlapped, kReadMs - spent, nullptr, read)))
            return {};
        request.append(buffer, read);
    }
    const std::size_t end = request.find('\n');
    return end == std::string::npos ? std::string() : request.substr(0, end);
}

void WriteAnswer(HANDLE pipe, const std::string& answer)
{
    CHandle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED overlapped = {};
    overlapped.hEvent = event.get();
    DWORD written = 0;
    if (!::WriteFile(pipe, answer.data(), static_cast<DWORD>(answer.size()), &written, &overlapped) &&
        ::GetLastError() == ERROR_IO_PENDING)
        Complete(pipe, overlapped, kWriteMs, nullptr, written);
    ::FlushFileBuffers(pipe);
}
}

CCommandServer::~CCommandServer()
{
    Stop();
}

bool CCommandServer::Start(HWND target)
{
    m_hTarget = target;
    m_hPipe = CreatePipe();
    m_hStop.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!m_hPipe || !m_hStop)
        return false;
    m_hThread.reset(::CreateThread(nullptr, 0, ThreadEntry, this, 0, nullptr));
    return static_cast<bool>(m_hThread);
}

void CCommandServer::Stop()
{
    if (!m_hThread)
        return;
    ::SetEvent(m_hStop.get());
    ::WaitForSingleObject(m_hThread.get(), kRunMs);
    m_hThread.reset();
    m_hPipe.reset();
}

DWORD WINAPI CCommandServer::ThreadEntry(void* self)
{
    try {
        static_cast<CCommandServer*>(self)->Serve();
    } catch (...) {
    }
    return 0;
}

void CCommandServer::Serve()
{
    CHandle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    while (::WaitForSingleObject(m_hStop.get(), 0) == WAIT_TIMEOUT) {
        OVERLAPPED overlapped = {};
        overlapped.hEvent = event.get();
        ::ResetEvent(event.get());
        DWORD unused = 0;
        // One instance, kept for the run: between two clients the pipe never goes away, so a
        // client never takes a moment between them for Kinetra not running.
        const bool connected = ::ConnectNamedPipe(m_hPipe.get(), &overlapped) ||
                               ::GetLastError() == ERROR_PIPE_CONNECTED ||
                               (::GetLastError() == ERROR_IO_PENDING &&
                                Complete(m_hPipe.get(), overlapped, INFINITE, m_hStop.get(), unused));
        if (connected)
            AnswerClient();
        ::DisconnectNamedPipe(m_hPipe.get());
    }
}

void CCommandServer::AnswerClient()
{
    const std::string request = ReadRequest(m_hPipe.get());
    const std::string answer = request.empty()
                                   ? AnswerHead(kExitBadArguments, "No request came within a second.") + "\n"
                                   : HandOver(request);
    WriteAnswer(m_hPipe.get(), answer);
}

std::string CCommandServer::HandOver(const std::string& request)
{
    static const std::string kBusy = AnswerHead(kExitNoAnswer,
                                                "Kinetra is busy (a menu or a box of it is open): try again.") +
                                     "\n";
    auto job = std::make_shared<CCommandJob>();
    job->request = request;
    auto carrier = std::make_unique<std::shared_ptr<CCommandJob>>(job);
    if (!::PostMessageA(m_hTarget, kCommandMessage, 0, reinterpret_cast<LPARAM>(carrier.get())))
        return kBusy;
    carrier.release();  // the UI thread's now
    if (::WaitForSingleObject(job->taken.get(), kTakeMs) != WAIT_OBJECT_0) {
        int pending = kPending;
        if (job->state.compare_exchange_strong(pending, kAbandoned))
            return kBusy;
    }
    if (::WaitForSingleObject(job->done.get(), kRunMs) != WAIT_OBJECT_0)
        return kBusy;
    return job->answer;
}

void CCommandServer::OnCommandMessage(LPARAM lParam)
{
    const std::unique_ptr<std::shared_ptr<CCommandJob>> carrier(
        reinterpret_cast<std::shared_ptr<CCommandJob>*>(lParam));
    CCommandJob& job = **carrier;
    int pending = kPending;
    if (!job.state.compare_exchange_strong(pending, kTaken))
        return;  // the client was told Kinetra is busy: nothing is done behind its back
    ::SetEvent(job.taken.get());
    try {
        job.answer = RunCommandRequest(job.request);
    } catch (const std::exception& e) {
        job.answer = AnswerHead(kExitLoadFailed, e.what()) + "\n";
    }
    ::SetEvent(job.done.get());
}
