#include "support/PipePad.h"

#include <atomic>
#include <cstdio>
#include <thread>

namespace
{
std::atomic<long> g_sequence{0};
std::atomic<int> g_pipeNumber{0};
}

// The one completion port of all PipePads and the thread that drains it.
class CPipePort
{
public:
    static CPipePort& Get()
    {
        static CPipePort port;
        return port;
    }

    void Associate(PipePad* pad)
    {
        ::CreateIoCompletionPort(pad->m_server, m_port, reinterpret_cast<ULONG_PTR>(pad), 0);
    }

private:
    CPipePort() : m_port(::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1))
    {
        std::thread([this] { Drain(); }).detach();  // lives as long as the test process
    }

    void Drain()
    {
        for (;;) {
            DWORD bytes = 0;
            ULONG_PTR key = 0;
            OVERLAPPED* overlapped = nullptr;
            const BOOL ok = ::GetQueuedCompletionStatus(m_port, &bytes, &key, &overlapped, INFINITE);
            if (overlapped)
                reinterpret_cast<PipePad*>(key)->OnReadDone(bytes, ok != FALSE);
        }
    }

    HANDLE m_port;
};

long PipePad::NextSequence()
{
    return ++g_sequence;
}

PipePad::PipePad()
{
    char name[96];
    std::snprintf(name, sizeof name, "\\\\.\\pipe\\kinetra-test-%lu-%d", ::GetCurrentProcessId(), g_pipeNumber++);
    m_server = ::CreateNamedPipeA(name, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                  PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 64, 64, 0, nullptr);
    m_client = ::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    DWORD mode = PIPE_READMODE_MESSAGE;
    ::SetNamedPipeHandleState(m_client, &mode, nullptr, nullptr);
    m_readsEnded = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    CPipePort::Get().Associate(this);
    if (!StartRead())
        ::SetEvent(m_readsEnded);
}

PipePad::~PipePad()
{
    CloseServer();
    ::WaitForSingleObject(m_readsEnded, 5000);
    ::CloseHandle(m_readsEnded);
    if (m_server != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_server);
    if (m_ownsClient && m_client != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_client);
}

HANDLE PipePad::TakeClient()
{
    m_ownsClient = false;
    return m_client;
}

bool PipePad::StartRead()
{
    m_readOverlapped = {};
    if (::ReadFile(m_server, m_buffer, sizeof m_buffer, nullptr, &m_readOverlapped))
        return true;  // completed at once: the port still gets its completion
    return ::GetLastError() == ERROR_IO_PENDING;
}

void PipePad::OnReadDone(DWORD bytes, bool ok)
{
    if (!ok) {
        ::SetEvent(m_readsEnded);
        return;
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_received.push_back({NextSequence(), std::vector<std::uint8_t>(m_buffer, m_buffer + bytes)});
    }
    if (!StartRead())
        ::SetEvent(m_readsEnded);
}

long PipePad::SendReport()
{
    std::uint8_t report[9] = {0x00, 0x80, 0x80, 0x80, 0x80, 0x08, 0, 0, 0};
    const long sequence = NextSequence();
    OVERLAPPED overlapped = {};
    // The low bit keeps this write's completion off the port, which is for reads only.
    const HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    overlapped.hEvent = reinterpret_cast<HANDLE>(reinterpret_cast<ULONG_PTR>(event) | 1);
    DWORD written = 0;
    if (!::WriteFile(m_server, report, sizeof report, nullptr, &overlapped) && ::GetLastError() == ERROR_IO_PENDING)
        ::GetOverlappedResult(m_server, &overlapped, &written, TRUE);
    ::CloseHandle(event);
    return sequence;
}

std::vector<PipePad::Message> PipePad::Received() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_received;
}

bool PipePad::WaitForMessages(std::size_t count, DWORD timeoutMs) const
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (::GetTickCount64() < deadline) {
        if (Received().size() >= count)
            return true;
        ::Sleep(5);
    }
    return Received().size() >= count;
}

void PipePad::CloseServer()
{
    if (m_server == INVALID_HANDLE_VALUE || m_closed)
        return;
    m_closed = true;
    ::DisconnectNamedPipe(m_server);
    ::CancelIoEx(m_server, nullptr);
}
