#include "support/PipePad.h"

#include <cstdio>

namespace
{
std::atomic<long> g_sequence{0};
std::atomic<int> g_pipeNumber{0};
}

long PipePad::NextSequence()
{
    return ++g_sequence;
}

PipePad::PipePad()
{
    char name[96];
    std::snprintf(name, sizeof name, "\\\\.\\pipe\\kinetra-test-%lu-%d", ::GetCurrentProcessId(), g_pipeNumber++);
    // Overlapped, so the test's reads and writes on the server end never wait for each other.
    m_server = ::CreateNamedPipeA(name, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                  1, 64, 64, 0, nullptr);
    m_client = ::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    DWORD mode = PIPE_READMODE_MESSAGE;
    ::SetNamedPipeHandleState(m_client, &mode, nullptr, nullptr);
    m_reader = std::thread([this] { ReadLoop(); });
}

PipePad::~PipePad()
{
    CloseServer();
    if (m_reader.joinable())
        m_reader.join();
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

namespace
{
bool Transfer(HANDLE pipe, bool write, std::uint8_t* buffer, DWORD size, DWORD* done)
{
    OVERLAPPED overlapped = {};
    overlapped.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    BOOL ok = write ? ::WriteFile(pipe, buffer, size, nullptr, &overlapped)
                    : ::ReadFile(pipe, buffer, size, nullptr, &overlapped);
    if (ok || ::GetLastError() == ERROR_IO_PENDING)
        ok = ::GetOverlappedResult(pipe, &overlapped, done, TRUE);
    ::CloseHandle(overlapped.hEvent);
    return ok != FALSE;
}
}

void PipePad::ReadLoop()
{
    std::uint8_t buffer[64];
    DWORD read = 0;
    while (Transfer(m_server, false, buffer, sizeof buffer, &read)) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_received.push_back({NextSequence(), std::vector<std::uint8_t>(buffer, buffer + read)});
    }
}

long PipePad::SendReport()
{
    std::uint8_t report[9] = {0x00, 0x80, 0x80, 0x80, 0x80, 0x08, 0, 0, 0};
    const long sequence = NextSequence();
    DWORD written = 0;
    Transfer(m_server, true, report, sizeof report, &written);
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
