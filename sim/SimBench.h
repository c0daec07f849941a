#pragma once
// Simulated gamepads and their driver, standing in for the hardware on a machine without a
// pad: a DirectInput 8 that reports them, a Setup API interface list that leads to their
// registry keys, and for each pad a named pipe that plays its HID device file. The program
// under test talks to these through the same interfaces it uses with the real hardware.
#include <windows.h>
#include <dinput.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Bytes as lowercase hex with no separators, as the demo prints the reloaded values.
std::string HexBytes(const std::vector<std::uint8_t>& bytes);

// How the pad's path looks to DirectInput and to the Setup API.
enum class EPathStyle {
    kSame,                  // both report the same path
    kSetupApiBackslash,     // the Setup API path ends in one more backslash
    kDirectInputBackslash,  // the DirectInput path ends in one more backslash
};

struct CSimAxisCalibration
{
    LONG minimum = 0;
    LONG centre = 32767;
    LONG maximum = 65535;
};

// Everything that makes one simulated pad what it is; CSimBench::Kind gives the defaults of a
// kind, which a test adjusts before plugging.
struct CSimPadOptions
{
    std::string kind = "wired";
    WORD vendorId = 0x1345;
    WORD productId = 0x0003;
    bool forceFeedback = true;
    std::vector<std::string> upperFilters{"KT_Gamepad"};  // the first string is what the driver check reads
    EPathStyle pathStyle = EPathStyle::kSame;
    std::size_t pathLength = 0;  // stretch the path to this many characters (0: its natural length)
    std::string instanceName = "Kinetra Gamepad";
    bool failCreateDevice = false;
    int failCalibrationAxis = 0;  // 1..4: reading that axis' calibration fails
    HRESULT calibrationError = DIERR_INPUTLOST;
    DWORD calibrationLastError = ERROR_READ_FAULT;
    CSimAxisCalibration calibration[4];  // X, Y, Z, Rz
    unsigned reportHz = 125;             // input reports per second; 0: the pad never reports
    bool failReads = false;              // every opened handle is dropped at once, so reads fail
    bool noDeviceFile = false;           // no pipe: opening the device fails
};

// What the simulated driver found in the pad's key when it was told to reload.
struct CSimReload
{
    std::map<std::string, std::vector<std::uint8_t>> values;  // missing values are absent
    LONGLONG receivedQpc = 0;                                 // QueryPerformanceCounter when the report arrived
};

// What a program did with the pad's constant-force effects, in order.
struct CSimEffectEvent
{
    std::string what;  // "create", "set", "start", "stop", "release"
    LONGLONG qpc = 0;  // QueryPerformanceCounter when it happened
    LONG magnitude = 0;
    DWORD parameterFlags = 0;
    DWORD duration = 0;
    DWORD gain = 0;
    DWORD iterations = 0;
    std::vector<LONG> direction;
};

// One input change as buffered DirectInput data.
struct CSimInputEvent
{
    DWORD offset = 0;
    DWORD data = 0;
    DWORD sequence = 0;
};

// The settings a program gave the pad's DirectInput device objects, the last value of each.
struct CSimDeviceSettings
{
    DWORD dataFormatSize = 0;
    DWORD cooperativeFlags = 0;
    HWND cooperativeWindow = nullptr;
    DWORD bufferSize = 0;
    DWORD autoCenter = DIPROPAUTOCENTER_ON;
    DWORD calibrationMode = DIPROPCALIBRATIONMODE_COOKED;
    int acquired = 0;  // device objects acquired right now
};

// A lock that holds no system handle. MinGW's std::mutex makes an event the first time it is
// contended and its destructor never frees it, so every pad that came and went would leave a
// handle behind in the process under test.
class CSimLock
{
public:
    void lock() { ::AcquireSRWLockExclusive(&m_lock); }
    void unlock() { ::ReleaseSRWLockExclusive(&m_lock); }
    bool try_lock() { return ::TryAcquireSRWLockExclusive(&m_lock) != 0; }
    SRWLOCK* native() { return &m_lock; }

private:
    SRWLOCK m_lock = SRWLOCK_INIT;
};

// The waiting that goes with CSimLock, also without a handle.
class CSimCondition
{
public:
    template <class TDone>
    bool wait_for(std::unique_lock<CSimLock>& hold, std::chrono::milliseconds timeout, TDone done)
    {
        const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(timeout.count());
        while (!done()) {
            const ULONGLONG now = ::GetTickCount64();
            if (now >= deadline)
                return false;
            ::SleepConditionVariableSRW(&m_condition, hold.mutex()->native(), static_cast<DWORD>(deadline - now), 0);
        }
        return true;
    }
    void notify_all() { ::WakeAllConditionVariable(&m_condition); }

private:
    CONDITION_VARIABLE m_condition = CONDITION_VARIABLE_INIT;
};

class CSimPad
{
public:
    CSimPad(int slot, const CSimPadOptions& options, std::string devicePath, std::string directInputPath,
            std::string setupApiPath, std::string keyPath);
    ~CSimPad();
    CSimPad(const CSimPad&) = delete;
    CSimPad& operator=(const CSimPad&) = delete;

    int Slot() const { return m_nSlot; }
    const CSimPadOptions& Options() const { return m_options; }
    const std::string& DevicePath() const { return m_devicePath; }  // the pipe's name
    const std::string& DirectInputPath() const { return m_directInputPath; }
    const std::string& SetupApiPath() const { return m_setupApiPath; }
    const std::string& KeyPath() const { return m_keyPath; }  // under HKEY_CURRENT_USER
    GUID InstanceGuid() const;
    GUID ProductGuid() const;
    bool Unplugged() const;

    // The driver's side
    std::vector<CSimReload> Reloads() const;
    std::size_t ReloadCount() const;
    bool WaitForReloads(std::size_t count, DWORD timeoutMs) const;  // true once `count` were recorded

    // The device file's side
    unsigned long ReportsSent() const;
    unsigned long ReloadReportsReceived() const;
    int OpenHandles() const;  // handles of the device that are open right now
    bool WaitForOpenHandles(int count, DWORD timeoutMs) const;
    unsigned long HandlesOpened() const;

    // Input seen through DirectInput
    void SetState(const DIJOYSTATE2& state);
    // An event in the device's buffer with no change of state (as a burst the state missed).
    void QueueEvent(DWORD offset, DWORD data);
    DIJOYSTATE2 State() const;
    std::vector<CSimInputEvent> EventsAfter(DWORD sequence) const;
    DWORD LastSequence() const;

    // Calibration DirectInput reports (starts from the options; a test may change it later)
    CSimAxisCalibration Calibration(int axis) const;  // axis 1..4
    void SetCalibration(int axis, const CSimAxisCalibration& calibration);
    int FailCalibrationAxis() const;
    void SetFailCalibrationAxis(int axis);  // 0: every axis reads

    // What the device objects were told
    std::vector<CSimEffectEvent> EffectEvents() const;
    void RecordEffect(const CSimEffectEvent& event);
    CSimDeviceSettings Settings() const;
    void UpdateSettings(const std::function<void(CSimDeviceSettings&)>& change);

    void Start(std::function<void(const std::string&)> log);
    void Stop();

    struct CInstance;  // one open handle of the device file (server thread only)

private:
    void Serve();
    CInstance* NewListeningInstance();
    void FillListening();
    void OnConnected(std::unique_ptr<CInstance> instance);
    bool StartRead(CInstance& instance);
    bool OnReadDone(CInstance& instance);
    void Retire(std::unique_ptr<CInstance> instance);
    void SweepRetiring(DWORD waitMs);
    void OnMessage(const BYTE* bytes, DWORD size);
    void SendReports();
    void Log(const std::string& line) const;

    const int m_nSlot;
    const CSimPadOptions m_options;
    const std::string m_devicePath;
    const std::string m_directInputPath;
    const std::string m_setupApiPath;
    const std::string m_keyPath;

    mutable CSimLock m_lock;
    mutable CSimCondition m_changed;
    std::vector<CSimReload> m_reloads;
    unsigned long m_nReportsSent = 0;
    unsigned long m_nReloadReports = 0;
    int m_nOpenHandles = 0;
    unsigned long m_nHandlesOpened = 0;
    bool m_bUnplugged = false;
    DIJOYSTATE2 m_state = {};
    std::vector<CSimInputEvent> m_events;
    DWORD m_dwSequence = 0;
    std::vector<CSimEffectEvent> m_effects;
    CSimDeviceSettings m_settings;
    CSimAxisCalibration m_calibration[4];
    int m_nFailCalibrationAxis = 0;
    std::function<void(const std::string&)> m_log;

    HANDLE m_hStop = nullptr;
    std::thread m_server;
    std::vector<std::unique_ptr<CInstance>> m_connected;  // server thread only
    std::vector<std::unique_ptr<CInstance>> m_listening;  // server thread only, after Start
    std::vector<std::unique_ptr<CInstance>> m_retiring;   // server thread only: closed, not yet ended
};

// Answers the pads' DirectInput device objects can be told to give instead of their own.
// DI_OK: the call behaves as it would. For acquireResult, S_FALSE acquires and then answers
// "already acquired".
struct CSimDeviceFaults
{
    HRESULT dataFormatResult = DI_OK;
    HRESULT cooperativeResult = DI_OK;
    HRESULT calibrationModeResult = DI_OK;
    HRESULT autoCenterResult = DI_OK;
    HRESULT bufferSizeResult = DI_OK;
    HRESULT createEffectResult = DI_OK;
    HRESULT acquireResult = DI_OK;
    HRESULT deviceStateResult = DI_OK;
    HRESULT deviceDataResult = DI_OK;
};

// Faults the DirectInput and Setup API stand-ins can be told to show.
struct CSimFaults
{
    CSimDeviceFaults device;           // of every pad's device objects
    HRESULT createResult = DI_OK;      // result of creating the DirectInput interface
    HRESULT enumResult = DI_OK;        // result of EnumDevices
    bool classDevsFail = false;        // the interface set cannot be opened
    bool createInterfaceFail = false;  // SetupDiCreateDeviceInterface fails
    bool detailFail = false;           // the interface detail cannot be read
    DWORD detailRequiredSize = 0;      // not 0: the size the detail claims to need
    bool regKeyFail = false;           // the interface key cannot be opened
};

// The simulated machine: which pads are plugged, and the faults of the stand-ins. One per
// process; it is never destroyed, so that device objects released at process exit still
// find it.
class CSimBench
{
public:
    static CSimBench& Get();
    static CSimPadOptions Kind(const std::string& kind);  // "wired", "wireless", "plain"

    int Plug(const std::string& kind);
    int Plug(const CSimPadOptions& options);
    void Unplug(int slot);
    // The pad in `slot` pulled out and plugged in again into the same port: the same device
    // instance, path and key (its values kept), announced as a removal, then an arrival.
    bool Replug(int slot);
    void UnplugAll();
    std::shared_ptr<CSimPad> Pad(int slot) const;
    std::vector<std::shared_ptr<CSimPad>> Pads() const;  // in plug order

    CSimFaults& Faults() { return m_faults; }
    void ResetFaults() { m_faults = CSimFaults(); }

    // Interfaces of Wine's own HID mouse and keyboard, which are in every list and match no pad.
    static const char* const kWineMousePath;
    static const char* const kWineKeyboardPath;

    // COM objects of the DirectInput stand-in alive right now, and interface sets not yet
    // destroyed: both go back to where they were when a program cleans up after itself.
    long LiveObjects() const { return m_nLiveObjects; }
    long LivePads() const { return m_nLivePads; }  // plugged, or unplugged but still referred to
    void PadCreated() { ++m_nLivePads; }
    void PadDestroyed() { --m_nLivePads; }
    // Connections whose cancelled operations had not ended when their pad left.
    long AbandonedConnections() const { return m_nAbandonedConnections; }
    void ConnectionAbandoned() { ++m_nAbandonedConnections; }
    void ObjectCreated() { ++m_nLiveObjects; }
    void ObjectDestroyed() { --m_nLiveObjects; }
    long OpenInterfaceSets() const { return m_nOpenSets; }
    void SetOpened() { ++m_nOpenSets; }
    void SetDestroyed() { --m_nOpenSets; }

    // A line for each reload and plug, for the demo.
    void SetLog(std::function<void(const std::string&)> log);
    // A window that gets WM_DEVICECHANGE arrivals and removals of HID interfaces, as a window
    // registered for device notifications gets them from the system.
    void SetArrivalWindow(HWND window) { m_hArrivalWindow = window; }

private:
    CSimBench() = default;
    int PlugAt(const CSimPadOptions& options, int slot);
    std::shared_ptr<CSimPad> Remove(int slot);
    std::string MakePath(const CSimPadOptions& options, int slot) const;
    void Announce(const std::string& path, WPARAM event) const;

    mutable std::mutex m_lock;
    std::vector<std::shared_ptr<CSimPad>> m_pads;
    int m_nNextSlot = 1;
    CSimFaults m_faults;
    std::atomic<long> m_nLiveObjects{0};
    std::atomic<long> m_nLivePads{0};
    std::atomic<long> m_nAbandonedConnections{0};
    std::atomic<long> m_nOpenSets{0};
    std::function<void(const std::string&)> m_log;
    HWND m_hArrivalWindow = nullptr;
};
