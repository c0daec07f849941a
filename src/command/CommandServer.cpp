#include "command/CommandServer.h"

#include <sddl.h>

#include <atomic>
#include <exception>
#include <memory>
#include <vector>

#include "command/CommandProtocol.h"

namespace
{
constexpr DWORD kPipeBuffer = 4096;
// The UI thread takes a request within this time, or the client hears that Kinetra is busy.
constexpr DWORD kTakeMs = 1000;
constexpr DWORD kReadMs = 1000;
// An answer the client does not read within this time is dropped, and the pipe serves the next.
constexpr DWORD kWriteMs = 1000;
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

// Only this user's processes, the system and the administrators may open the pipe (the session
// check below keeps out the same user's other sessions); the medium label lets a program that
// is not elevated reach an elevated Kinetra.
std::wstring PipeSecurity()
{
    std::wstring user = L"OW";
    CHandle token;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) {
        DWORD size = 0;
        ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
        std::vector<BYTE> buffer(size);
        wchar_t* sid = nullptr;
        if (size && ::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size) &&
            ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid)) {
            user = sid;
            ::LocalFree(sid);
        }
    }
    return L"D:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;GRGW;;;" + user + L")S:(ML;;NW;;;ME)";
}

CHandle CreatePipe()
{
    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof attributes;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(PipeSecurity().c_str(), SDDL_REVISION_1, &descriptor,
                                                               nullptr))
        attributes.lpSecurityDescriptor = descriptor;
    CHandle pipe(::CreateNamedPipeW(kCommandPipeName,
                                    PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                    PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                                    kPipeBuffer, kPipeBuffer, 0, &attributes));
    if (descriptor)
        ::LocalFree(descriptor);
    return pipe;
}

// Whether the client runs in the Windows session Kinetra runs in: another user's session (fast
// user switching) reaches the pipe's name too, and must not switch this user's pads.
bool SameSession(HANDLE pipe)
{
    ULONG client = 0;
    DWORD own = 0;
    return ::GetNamedPipeClientSessionId(pipe, &client) && ::ProcessIdToSessionId(::GetCurrentProcessId(), &own) &&
           client == own;
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
std::string ReadRequest(HANDLE pipe, HANDLE stop)
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
            (::GetLastError() != ERROR_IO_PENDING || !Complete(pipe, overlapped, kReadMs - spent, stop, read)))
            return {};
        request.append(buffer, read);
    }
    const std::size_t end = request.find('\n');
    return end == std::string::npos ? std::string() : request.substr(0, end);
}

// Writes the answer and waits until the client has read it and closed its end (its read of
// the pipe then ends): an answer nobody reads within the time is dropped.
void WriteAnswer(HANDLE pipe, const std::string& answer, HANDLE stop)
{
    CHandle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED overlapped = {};
    overlapped.hEvent = event.get();
    DWORD done = 0;
    const DWORD start = ::GetTickCount();
    if (!::WriteFile(pipe, answer.data(), static_cast<DWORD>(answer.size()), &done, &overlapped) &&
        (::GetLastError() != ERROR_IO_PENDING || !Complete(pipe, overlapped, kWriteMs, stop, done)))
        return;
    const DWORD spent = ::GetTickCount() - start;
    char rest[64];
    overlapped = {};
    overlapped.hEvent = event.get();
    ::ResetEvent(event.get());
    if (spent < kWriteMs && !::ReadFile(pipe, rest, sizeof rest, &done, &overlapped) &&
        ::GetLastError() == ERROR_IO_PENDING)
        Complete(pipe, overlapped, kWriteMs - spent, stop, done);
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
    if (!SameSession(m_hPipe.get())) {
        WriteAnswer(m_hPipe.get(),
                    AnswerHead(kExitNotRunning, "Kinetra serves only programs of the Windows session it runs in.") +
                        "\n\n",
                    m_hStop.get());
        return;
    }
    const std::string request = ReadRequest(m_hPipe.get(), m_hStop.get());
    const std::string answer = request.empty()
                                   ? AnswerHead(kExitBadArguments, "No request came within a second.") + "\n\n"
                                   : HandOver(request);
    WriteAnswer(m_hPipe.get(), answer, m_hStop.get());
}

std::string CCommandServer::HandOver(const std::string& request)
{
    static const std::string kBusy =
        AnswerHead(kExitNoAnswer, "Kinetra is busy (in the middle of something, such as a pad arriving): try again.") +
        "\n\n";
    auto job = std::make_shared<CCommandJob>();
    job->request = request;
    auto carrier = std::make_unique<std::shared_ptr<CCommandJob>>(job);
    if (!::PostMessageA(m_hTarget, kCommandMessage, 0, reinterpret_cast<LPARAM>(carrier.get())))
        return kBusy;
    carrier.release();  // the UI thread's now
    const HANDLE taken[] = {job->taken.get(), m_hStop.get()};
    if (::WaitForMultipleObjects(2, taken, FALSE, kTakeMs) != WAIT_OBJECT_0) {
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
        job.answer = AnswerHead(kExitLoadFailed, e.what()) + "\n\n";
    }
    ::SetEvent(job.done.get());
}
