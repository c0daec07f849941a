#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A message-mode named pipe standing in for one pad's HID handle: the test sends input
// reports through the server end and sees every report the program writes, each stamped
// with a sequence number shared by all PipePads so that order across pads can be checked.
class PipePad
{
public:
    struct Message
    {
        long sequence;
        std::vector<std::uint8_t> bytes;
    };

    PipePad();
    ~PipePad();
    PipePad(const PipePad&) = delete;
    PipePad& operator=(const PipePad&) = delete;

    HANDLE client() const { return m_client; }   // what goes into a worker slot
    HANDLE TakeClient();                          // the caller closes it from now on
    long SendReport();                            // one 9-byte input report; its sequence
    std::vector<Message> Received() const;
    bool WaitForMessages(std::size_t count, DWORD timeoutMs) const;
    void CloseServer();                           // the pad goes away: reads on the client fail

    static long NextSequence();

private:
    void ReadLoop();

    HANDLE m_server = INVALID_HANDLE_VALUE;
    HANDLE m_client = INVALID_HANDLE_VALUE;
    bool m_ownsClient = true;
    bool m_closed = false;
    std::thread m_reader;
    mutable std::mutex m_lock;
    std::vector<Message> m_received;
};
