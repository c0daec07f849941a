// One simulated pad: its device file (a message-mode named pipe served by its own thread)
// and its driver, which reloads the settings from the pad's key on the reload report.
#include "SimBench.h"

#include <algorithm>
#include <cstdio>

namespace
{
constexpr DWORD kInputReportSize = 9;
constexpr DWORD kMaxMessage = 64;
constexpr std::size_t kMaxBufferedEvents = 4096;
// Instances waiting for an open: several, so that an open right after another one finds a
// free instance even before the server thread has run again.
constexpr std::size_t kListeningInstances = 4;
constexpr DWORD kClosedSettleMs = 1000;  // what a connection gets to end when the pad leaves
// WaitForMultipleObjects takes 64 handles: the stop event, the listening instances, the rest.
constexpr std::size_t kMaxConnections = 56;

const char* const kDriverValues[] = {"KeyConfig",     "KeyMap",     "Sensitivity", "RightAnalog",
                                     "ForceFeedBack", "LeftAnalog", "LALA"};

LONGLONG Now()
{
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

LONGLONG Frequency()
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

std::vector<std::uint8_t> QueryValue(HKEY key, const char* name, bool& found)
{
    DWORD size = 0;
    found = ::RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
    std::vector<std::uint8_t> bytes(size);
    if (found && size)
        found = ::RegQueryValueExA(key, name, nullptr, nullptr, bytes.data(), &size) == ERROR_SUCCESS;
    bytes.resize(size);
    return bytes;
}

void PushChange(std::vector<CSimInputEvent>& events, DWORD& sequence, DWORD offset, DWORD before, DWORD after)
{
    if (before == after)
        return;
    events.push_back({offset, after, ++sequence});
    if (events.size() > kMaxBufferedEvents)
        events.erase(events.begin());
}
}

// One connection of the pipe: a handle of the device that the program opened.
struct CSimPad::CInstance
{
    HANDLE pipe = INVALID_HANDLE_VALUE;
    OVERLAPPED readOv = {};  // the connect, then every read
    OVERLAPPED writeOv = {};
    BYTE in[kMaxMessage] = {};
    BYTE out[kInputReportSize] = {};
    bool writing = false;

    CInstance()
    {
        readOv.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        writeOv.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    ~CInstance()
    {
        Close();
        ::CloseHandle(readOv.hEvent);
        ::CloseHandle(writeOv.hEvent);
    }

    // Ends the connection; false when an operation of it is still running, in which case the
    // kernel may still write into this object, so its memory must stay (see Retire).
    bool Close()
    {
        if (pipe == INVALID_HANDLE_VALUE)
            return true;
        ::CancelIoEx(pipe, nullptr);
        const bool settled = Settle(readOv) && Settle(writeOv);
        ::DisconnectNamedPipe(pipe);
        ::CloseHandle(pipe);
        pipe = INVALID_HANDLE_VALUE;
        return settled;
    }

    // Its memory stays for an operation that may still write into it; its events go, since a
    // running operation holds the event object itself, not our handle. Kept, they were two
    // handles of the process for every such connection.
    void Abandon()
    {
        ::CloseHandle(readOv.hEvent);
        ::CloseHandle(writeOv.hEvent);
    }

    // Closing ends what cancelling did not, though on a busy machine not always at once.
    bool Settled(DWORD waitMs = 0) { return Settle(readOv, waitMs) && Settle(writeOv, waitMs); }

    static bool Settle(OVERLAPPED& overlapped, DWORD waitMs = 20)
    {
        if (HasOverlappedIoCompleted(&overlapped))
            return true;
        ::WaitForSingleObject(overlapped.hEvent, waitMs);
        return HasOverlappedIoCompleted(&overlapped);
    }
};

// Drops a connection. One whose cancelled operation has not finished yet waits among the retiring
// until it has, and the server goes on meanwhile: while it waited, no listening end would be
// renewed and the program's next open of the device file would be refused as busy.
void CSimPad::Retire(std::unique_ptr<CInstance> instance)
{
    if (instance && !instance->Close())
        m_retiring.push_back(std::move(instance));
}

// Frees the retiring connections whose operations have ended, waiting up to `waitMs` in all for
// the others: given to each in turn, a pad with several of them held its unplugging for seconds.
void CSimPad::SweepRetiring(DWORD waitMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + waitMs;
    for (;;) {
        std::erase_if(m_retiring, [](const std::unique_ptr<CInstance>& instance) { return instance->Settled(); });
        if (m_retiring.empty() || ::GetTickCount64() >= deadline)
            return;
        ::Sleep(10);
    }
}

CSimPad::CSimPad(int slot, const CSimPadOptions& options, std::string devicePath, std::string directInputPath,
                 std::string setupApiPath, std::string keyPath)
    : m_nSlot(slot), m_options(options), m_devicePath(std::move(devicePath)),
      m_directInputPath(std::move(directInputPath)), m_setupApiPath(std::move(setupApiPath)),
      m_keyPath(std::move(keyPath))
{
    // A pad at rest: sticks centred, no button, direction pad released.
    m_state.lX = m_state.lY = m_state.lZ = m_state.lRz = 32767;
    for (auto& pov : m_state.rgdwPOV)
        pov = 0xFFFFFFFF;
    for (int axis = 0; axis < 4; ++axis)
        m_calibration[axis] = options.calibration[axis];
    m_nFailCalibrationAxis = options.failCalibrationAxis;
    CSimBench::Get().PadCreated();
}

CSimPad::~CSimPad()
{
    Stop();
    CSimBench::Get().PadDestroyed();
}

GUID CSimPad::InstanceGuid() const
{
    GUID guid = {0x4B53494Du,
                 static_cast<WORD>(m_nSlot),
                 static_cast<WORD>(::GetCurrentProcessId()),
                 {0x80, 0x00, 'K', 'I', 'N', 'E', 'T', 'R'}};
    return guid;
}

GUID CSimPad::ProductGuid() const
{
    GUID guid = {MAKELONG(m_options.vendorId, m_options.productId), 0, 0, {0, 0, 'P', 'I', 'D', 'V', 'I', 'D'}};
    return guid;
}

bool CSimPad::Unplugged() const
{
    std::lock_guard<CSimLock> hold(m_lock);
    return m_bUnplugged;
}

std::vector<CSimReload> CSimPad::Reloads() const
{
    std::lock_guard<CSimLock> hold(m_lock);
    return m_reloads;
}

std::size_t CSimPad::ReloadCount() const
{
    std::lock_guard<CSimLock> hold(m_lock);
    return m_reloads.size();
}

bool CSimPad::WaitForReloads(std::size_t count, DWORD timeoutMs) const
{
    std::unique_lock<CSimLock> hold(m_lock);
    return m_changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] { return m_reloads.size() >= count; });
}

unsigned long CSimPad::ReportsSent() const
{
    std::lock_guard<CSimLock> hold(m_lock);
    return m_nReportsSent;
}

unsigned long CSimPad::ReloadReportsReceived() const
{
    std::lock_guard<CSimLock> hold(m_lock);
    return m_nReloadReports;
}

int CSimPad::OpenHandles() const
{
    std::lock_guard<CSimLock> hold(m_lock);
    return m_nOpenHandles;
}

bool CSimPad::WaitForOpenHandles(int count, DWORD timeoutMs) const
{
    std::unique_lock<CSimLock> hold(m_lock);
    return m_changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] { return m_nOpenHandles == count; });
}

unsigned long CSimPad::HandlesOpened() const
{
    std::lock_guard<CSimLock> hold(m_lock);
    return m_nHandlesOpened;
}

void CSimPad::SetState(const DIJOYSTATE2& state)
{
    std::lock_guard<CSimLock> hold(m_lock);
    const DIJOYSTATE2& old = m_state;
    PushChange(m_events, m_dwSequence, DIJOFS_X, old.lX, state.lX);
    PushChange(m_events, m_dwSequence, DIJOFS_Y, old.lY, state.lY);
    PushChange(m_events, m_dwSequence, DIJOFS_Z, old.lZ, state.lZ);
    PushChange(m_events, m_dwSequence, DIJOFS_RX, old.lRx, state.lRx);
    PushChange(m_events, m_dwSequence, DIJOFS_RY, old.lRy, state.lRy);
    PushChange(m_events, m_dwSequence, DIJOFS_RZ, old.lRz, state.lRz);
    PushChange(m_events, m_dwSequence, DIJOFS_POV(0), old.rgdwPOV[0], state.rgdwPOV[0]);
    for (int button = 0; button < 32; ++button)
        PushChange(m_events, m_dwSequence, DIJOFS_BUTTON(button), old.rgbButtons[button], state.rgbButtons[button]);
    m_state = state;
}

void CSimPad::QueueEvent(DWORD offset, DWORD data)
{
    std::lock_guard<CSimLock> hold(m_lock);
    m_events.push_back({offset, data, ++m_dwSequence});
    if (m_events.size() > kMaxBufferedEvents)
        m_events.erase(m_events.begin());
}

DIJOYSTATE2 CSimPad::State() const
{
    std::lock_guard<CSimLock> hold(m_lock);
    return m_state;
}

std::vector<CSimInputEvent> CSimPad::EventsAfter(DWORD sequence) const
{
    std::lock_guard<CSimLock> hold(m_lock);
    std::vector<CSimInputEvent> later;
    for (const auto& event : m_events) {
        if (event.sequence > sequence)
            later.push_back(event);
    }
    return later;
}

DWORD CSimPad::LastSequence() const
{
    std::lock_guard<CSimLock> hold(m_lock);
    return m_dwSequence;
}

std::vector<CSimEffectEvent> CSimPad::EffectEvents() const
{
    std::lock_guard<CSimLock> hold(m_lock);
    return m_effects;
}

void CSimPad::RecordEffect(const CSimEffectEvent& event)
{
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    std::lock_guard<CSimLock> hold(m_lock);
    m_effects.push_back(event);
    m_effects.back().qpc = now.QuadPart;
}

CSimAxisCalibration CSimPad::Calibration(int axis) const
{
    std::lock_guard<CSimLock> hold(m_lock);
    return axis >= 1 && axis <= 4 ? m_calibration[axis - 1] : CSimAxisCalibration();
}

void CSimPad::SetCalibration(int axis, const CSimAxisCalibration& calibration)
{
    std::lock_guard<CSimLock> hold(m_lock);
    if (axis >= 1 && axis <= 4)
        m_calibration[axis - 1] = calibration;
}

int CSimPad::FailCalibrationAxis() const
{
    std::lock_guard<CSimLock> hold(m_lock);
    return m_nFailCalibrationAxis;
}

void CSimPad::SetFailCalibrationAxis(int axis)
{
    std::lock_guard<CSimLock> hold(m_lock);
    m_nFailCalibrationAxis = axis;
}

CSimDeviceSettings CSimPad::Settings() const
{
    std::lock_guard<CSimLock> hold(m_lock);
    return m_settings;
}

void CSimPad::UpdateSettings(const std::function<void(CSimDeviceSettings&)>& change)
{
    std::lock_guard<CSimLock> hold(m_lock);
    change(m_settings);
}

void CSimPad::Log(const std::string& line) const
{
    if (m_log)
        m_log(line);
}

// ---------------------------------------------------------------------------------------------
// The device file

void CSimPad::Start(std::function<void(const std::string&)> log)
{
    m_log = std::move(log);
    if (m_options.noDeviceFile)
        return;
    m_hStop = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // The first instances exist before Plug returns, so the device can be opened at once.
    FillListening();
    m_server = std::thread([this] { Serve(); });
}

void CSimPad::Stop()
{
    {
        std::lock_guard<CSimLock> hold(m_lock);
        m_bUnplugged = true;
    }
    if (m_server.joinable()) {
        ::SetEvent(m_hStop);
        m_server.join();
    }
    if (m_hStop) {
        ::CloseHandle(m_hStop);
        m_hStop = nullptr;
    }
    m_changed.notify_all();
}

void CSimPad::FillListening()
{
    while (m_listening.size() < kListeningInstances) {
        std::unique_ptr<CInstance> instance(NewListeningInstance());
        if (!instance)
            return;
        m_listening.push_back(std::move(instance));
    }
}

CSimPad::CInstance* CSimPad::NewListeningInstance()
{
    auto instance = std::make_unique<CInstance>();
    instance->pipe = ::CreateNamedPipeA(m_devicePath.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES,
                                        kInputReportSize * 4, kMaxMessage, 0, nullptr);
    if (instance->pipe == INVALID_HANDLE_VALUE) {
        Log("pad " + std::to_string(m_nSlot) + ": cannot create its device file");
        return nullptr;
    }
    if (!::ConnectNamedPipe(instance->pipe, &instance->readOv)) {
        const DWORD error = ::GetLastError();
        // Opened between creation and the connect call: the connection is already there.
        if (error == ERROR_PIPE_CONNECTED)
            ::SetEvent(instance->readOv.hEvent);
        else if (error != ERROR_IO_PENDING)
            return nullptr;
    }
    return instance.release();
}

void CSimPad::Serve()
{
    const LONGLONG frequency = Frequency();
    const LONGLONG period = m_options.reportHz ? frequency / m_options.reportHz : 0;
    LONGLONG next = Now() + period;
    for (;;) {
        std::vector<HANDLE> waits{m_hStop};
        for (const auto& instance : m_listening)
            waits.push_back(instance->readOv.hEvent);
        const std::size_t firstConnected = waits.size();
        for (const auto& instance : m_connected)
            waits.push_back(instance->readOv.hEvent);
        DWORD timeout = INFINITE;
        if (period) {
            const LONGLONG left = next - Now();
            timeout = left <= 0 ? 0 : static_cast<DWORD>((left * 1000 + frequency - 1) / frequency);
        }
        const DWORD woke = ::WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE, timeout);
        SweepRetiring(0);
        if (woke == WAIT_OBJECT_0)
            break;
        if (woke >= WAIT_OBJECT_0 + 1 && woke < WAIT_OBJECT_0 + firstConnected) {
            const auto opened = m_listening.begin() + static_cast<std::ptrdiff_t>(woke - WAIT_OBJECT_0 - 1);
            std::unique_ptr<CInstance> instance = std::move(*opened);
            m_listening.erase(opened);
            FillListening();
            OnConnected(std::move(instance));
        } else if (woke >= WAIT_OBJECT_0 + firstConnected && woke < WAIT_OBJECT_0 + waits.size()) {
            const std::size_t index = woke - WAIT_OBJECT_0 - firstConnected;
            if (!OnReadDone(*m_connected[index])) {
                Retire(std::move(m_connected[index]));
                m_connected.erase(m_connected.begin() + static_cast<std::ptrdiff_t>(index));
                std::lock_guard<CSimLock> hold(m_lock);
                --m_nOpenHandles;
                m_changed.notify_all();
            }
        }
        if (period && Now() >= next) {
            SendReports();
            next += period;
            // A pad does not catch up on reports it could not send while the host was busy.
            if (Now() - next > period)
                next = Now() + period;
        }
    }
    for (auto& instance : m_listening)
        Retire(std::move(instance));
    for (auto& instance : m_connected)
        Retire(std::move(instance));
    m_listening.clear();
    m_connected.clear();
    SweepRetiring(kClosedSettleMs);
    // One still running after that is left in memory rather than freed under the kernel's feet.
    // Under Wine a cancelled operation is now and then not seen to end within that second (the
    // soak counts them: about one pad in eight), so this is not rare.
    for (auto& instance : m_retiring) {
        CSimBench::Get().ConnectionAbandoned();
        instance.release()->Abandon();
    }
    m_retiring.clear();
    std::lock_guard<CSimLock> hold(m_lock);
    m_nOpenHandles = 0;
}

void CSimPad::OnConnected(std::unique_ptr<CInstance> instance)
{
    {
        std::lock_guard<CSimLock> hold(m_lock);
        ++m_nHandlesOpened;
    }
    // A pad whose handle fails reads: drop the connection, the program's reads then fail.
    if (m_options.failReads || m_connected.size() >= kMaxConnections || !StartRead(*instance)) {
        Retire(std::move(instance));
        return;
    }
    m_connected.push_back(std::move(instance));
    std::lock_guard<CSimLock> hold(m_lock);
    ++m_nOpenHandles;
    m_changed.notify_all();
}

bool CSimPad::StartRead(CInstance& instance)
{
    ::ResetEvent(instance.readOv.hEvent);
    if (::ReadFile(instance.pipe, instance.in, kMaxMessage, nullptr, &instance.readOv))
        return true;
    const DWORD error = ::GetLastError();
    return error == ERROR_IO_PENDING || error == ERROR_MORE_DATA;
}

bool CSimPad::OnReadDone(CInstance& instance)
{
    DWORD size = 0;
    if (::GetOverlappedResult(instance.pipe, &instance.readOv, &size, FALSE))
        OnMessage(instance.in, size);
    else if (::GetLastError() != ERROR_MORE_DATA)
        return false;  // the program closed its handle
    return StartRead(instance);
}

void CSimPad::OnMessage(const BYTE* bytes, DWORD size)
{
    if (size != 3 || bytes[0] != 0x01 || bytes[1] != 0x00 || bytes[2] != 0x00)
        return;
    CSimReload reload;
    reload.receivedQpc = Now();
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, m_keyPath.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        for (const char* name : kDriverValues) {
            bool found = false;
            auto bytesRead = QueryValue(key, name, found);
            if (found)
                reload.values[name] = std::move(bytesRead);
        }
        ::RegCloseKey(key);
    }
    std::size_t count = 0;
    {
        std::lock_guard<CSimLock> hold(m_lock);
        ++m_nReloadReports;
        m_reloads.push_back(reload);
        count = m_reloads.size();
    }
    m_changed.notify_all();
    Log("pad " + std::to_string(m_nSlot) + ": driver reloaded " + std::to_string(reload.values.size()) +
        " values (reload " + std::to_string(count) + ")");
}

void CSimPad::SendReports()
{
    const DIJOYSTATE2 state = State();
    BYTE report[kInputReportSize] = {
        0x01,
        static_cast<BYTE>(state.lX >> 8),
        static_cast<BYTE>(state.lY >> 8),
        static_cast<BYTE>(state.lZ >> 8),
        static_cast<BYTE>(state.lRz >> 8),
        0,
        0,
        static_cast<BYTE>(state.rgdwPOV[0] == 0xFFFFFFFF ? 0x0F : state.rgdwPOV[0] / 4500),
        0,
    };
    for (int button = 0; button < 16; ++button) {
        if (state.rgbButtons[button] & 0x80)
            report[5 + button / 8] |= static_cast<BYTE>(1 << (button % 8));
    }
    unsigned long sent = 0;
    for (const auto& instance : m_connected) {
        // Like the device's own report buffer, a report nobody fetched is not queued twice.
        if (instance->writing && !HasOverlappedIoCompleted(&instance->writeOv))
            continue;
        instance->writing = false;
        std::copy(report, report + kInputReportSize, instance->out);
        ::ResetEvent(instance->writeOv.hEvent);
        if (::WriteFile(instance->pipe, instance->out, kInputReportSize, nullptr, &instance->writeOv)) {
            ++sent;
        } else if (::GetLastError() == ERROR_IO_PENDING) {
            instance->writing = true;
            ++sent;
        }
    }
    std::lock_guard<CSimLock> hold(m_lock);
    m_nReportsSent += sent;
}
