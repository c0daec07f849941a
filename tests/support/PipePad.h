#pragma once
#include <windows.h>

#include <cstdint>
#include <mutex>
#include <vector>

// A message-mode named pipe standing in for one pad's HID handle: the test sends input
// reports through the server end and sees every report the program writes. Every PipePad's
// reads complete through one completion port, drained by one thread, so the sequence
// numbers stamped on received reports follow the order in which the program wrote them,
// across pads.
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

    HANDLE client() const { return m_client; }  // what goes into a worker slot
    HANDLE TakeClient();                        // the caller closes it from now on
    long SendReport();                          // one 9-byte input report; its sequence
    std::vector<Message> Received() const;
    bool WaitForMessages(std::size_t count, DWORD timeoutMs) const;
    void CloseServer();  // the pad goes away: reads on the client fail

    static long NextSequence();

private:
    friend class CPipePort;
    bool StartRead();
    void OnReadDone(DWORD bytes, bool ok);

    HANDLE m_server = INVALID_HANDLE_VALUE;
    HANDLE m_client = INVALID_HANDLE_VALUE;
    bool m_ownsClient = true;
    bool m_closed = false;
    OVERLAPPED m_readOverlapped = {};
    std::uint8_t m_buffer[64] = {};
    HANDLE m_readsEnded = nullptr;  // set when no read is pending any more
    mutable std::mutex m_lock;
    std::vector<Message> m_received;
};
