#pragma once
#include <windows.h>
#include <dinput.h>

#include <cstddef>
#include <string>

#include "settings/Registry.h"

// What the two controller test windows share: while one of them runs, the pad's driver
// stops translating input (neutral settings saved and reloaded), and the window reads the
// plain joystick through DirectInput. Leaving puts the user's settings back exactly, once
// for each entry, whichever way the window is left.
//
// The test is bound to the pad's identity, not to a device object: a device refresh (any HID
// device arriving or leaving) makes every device object anew, and the pad under test is still
// the same pad for as long as the table holds its identity. The window holds its own reference
// on the device interface for the length of the test, so a refresh never leaves it with a
// released interface; DirectInput keeps that interface working while the pad is there.
class CRawTestMode
{
public:
    CRawTestMode() = default;
    ~CRawTestMode();
    CRawTestMode(const CRawTestMode&) = delete;
    CRawTestMode& operator=(const CRawTestMode&) = delete;

    // With a selected programmable pad: backup, neutral settings, save, driver reload; the
    // pad's device interface is kept. false (and nothing done) when no pad is selected, it has
    // no device interface (nothing could be read, so nothing is neutralised), or a test runs
    // already.
    bool Enter();
    // Puts the user's settings back into the tested pad's key and its driver, wherever the
    // pad now sits in the table, and into the model unless it holds another pad by now;
    // nothing when no test runs. The interface is let go.
    void Leave();

    bool IsActive() const { return m_bActive; }
    IDirectInputDevice8A* Device() const { return m_pDevice; }
    // The device table still holds the pad under test (false once it has left).
    bool DeviceKnown() const;

    // The texts a window shows for the answers of Acquire.
    struct CAcquireTexts
    {
        const char* alreadyAcquired;
        const char* notInitialized;
        const char* invalidArgument;
    };
    // Acquires the device and reports the answers of the table; the answer.
    HRESULT AcquireAndReport(HWND owner, const CAcquireTexts& texts) const;

    // One reading of the state; `read` tells whether `state` was filled. 0 with nothing read:
    // no device, or it was lost and acquired again this tick. A failure: the state cannot be
    // read (also once the pad is unplugged or no longer in the device table), and the caller
    // stops polling.
    HRESULT ReadState(DIJOYSTATE2& state, bool& read) const;

private:
    void ReleaseDevice();

    bool m_bActive = false;
    IDirectInputDevice8A* m_pDevice = nullptr;  // own reference while m_bActive
    std::string m_strPadId;                     // the pad under test
    CSettingsBlocks m_user;                     // its user's settings, as they were on entry
};

// The text a window shows for one answer of a DirectInput call.
struct CResultText
{
    HRESULT result;
    const char* text;
};
// The text of `result` in `table`; null when the table has none.
template <std::size_t N>
const char* TextOf(HRESULT result, const CResultText (&table)[N])
{
    for (const CResultText& entry : table) {
        if (entry.result == result)
            return entry.text;
    }
    return nullptr;
}
// DirectInput's codes are unsigned literals; HRESULT is signed.
constexpr HRESULT Code(unsigned long value)
{
    return static_cast<HRESULT>(value);
}

// Sets a DWORD property of the whole device.
HRESULT SetDeviceProperty(IDirectInputDevice8A* device, REFGUID property, DWORD value);

// The caption of a window's message box where the table names none.
extern const char* const kTestWindowCaption;
// The text both test windows show for a refused Acquire of another application's priority.
extern const char* const kOtherAppHasPriorityText;
