#include "controllertest/RawTestMode.h"

#include <iterator>

#include "device/DxInput.h"
#include "framework/MessageBox.h"
#include "settings/Setting.h"

const char* const kTestWindowCaption = "Kinetra";
const char* const kOtherAppHasPriorityText =
    "Another application has a higher priority level, preventing this call from succeeding. This value is equal "
    "to the E_ACCESSDENIED standard COM return value. This error can be returned when an application has only "
    "foreground access to a device but is attempting to acquire the device while in the background. ";

namespace
{
// A device lost while the test runs is acquired again at most this often per tick, so a
// device that keeps answering "input lost" cannot hold the user-interface thread.
constexpr int kReacquireTries = 8;

CSetting& Model()
{
    return *CSetting::GetInstance();
}

// Position of `device` in the device table; -1 when it is no longer there.
int SlotOf(IDirectInputDevice8A* device)
{
    int slot = 0;
    for (const CDIDevice* element : CDxInput::GetInstance()->m_devices) {
        if (element->m_pDevice == device)
            return slot;
        ++slot;
    }
    return -1;
}

// The settings blocks of the model, set aside while another pad's bytes pass through it.
struct CBlocks
{
    CByteArray leftAnalog, rightAnalog, forceFeedBack, keyConfig, keyMap, sensitivity;

    static CBlocks Of(const CRegistry& r)
    {
        return {r.m_LeftAnalog, r.m_RightAnalog, r.m_ForceFeedBack, r.m_KeyConfig, r.m_KeyMap, r.m_Sensitivity};
    }
    void Into(CRegistry& r) const
    {
        r.m_LeftAnalog = leftAnalog;
        r.m_RightAnalog = rightAnalog;
        r.m_ForceFeedBack = forceFeedBack;
        r.m_KeyConfig = keyConfig;
        r.m_KeyMap = keyMap;
        r.m_Sensitivity = sensitivity;
    }
};
}

CRawTestMode::~CRawTestMode()
{
    ReleaseDevice();
}

bool CRawTestMode::Enter()
{
    CSetting& model = Model();
    if (m_bActive || model.m_bDeviceActive != 1 || model.m_nDeviceCount <= 0)
        return false;
    CDIDevice* device = model.GetCurrentDevice();
    m_pDevice = device ? device->m_pDevice : nullptr;
    if (m_pDevice)
        m_pDevice->AddRef();
    m_bActive = true;
    model.Backup();
    model.ResetMapping();
    model.SaveCurrentDevice();
    model.RequestDriverUpdate();
    return true;
}

void CRawTestMode::Leave()
{
    if (!m_bActive)
        return;
    m_bActive = false;
    CSetting& model = Model();
    const int slot = SlotOf(m_pDevice);
    const bool stillCurrent = model.m_bDeviceActive == 1 && model.m_nDeviceCount > 0 && slot >= 0 &&
                              slot == model.m_nCurrentDevice;
    if (stillCurrent) {
        model.Restore();
        model.SaveCurrentDevice();
        model.RequestDriverUpdate();
        ReleaseDevice();
        return;
    }
    // The sheet moved on meanwhile (another pad loaded, or none): the tested pad's own key
    // gets its settings back while it is still there, and a model that now holds another
    // pad keeps that pad's values; an idle model must not keep the neutral ones.
    const bool otherPadLoaded = model.m_bDeviceActive == 1;
    const CBlocks current = CBlocks::Of(model);
    const HKEY currentKey = model.m_hDeviceKey;
    model.Restore();
    if (slot >= 0) {
        model.m_hDeviceKey = model.GetDeviceKey(slot);
        if (model.m_hDeviceKey)
            model.WriteValues();
        model.RequestDriverUpdate();
    }
    if (otherPadLoaded)
        current.Into(model);
    model.m_hDeviceKey = currentKey;
    ReleaseDevice();
}

void CRawTestMode::ReleaseDevice()
{
    if (m_pDevice)
        m_pDevice->Release();
    m_pDevice = nullptr;
}

bool CRawTestMode::DeviceKnown() const
{
    return m_pDevice && SlotOf(m_pDevice) >= 0;
}

HRESULT CRawTestMode::AcquireAndReport(HWND owner, const CAcquireTexts& texts) const
{
    if (!m_pDevice)
        return E_POINTER;
    const HRESULT result = m_pDevice->Acquire();
    const CResultText table[] = {{S_FALSE, texts.alreadyAcquired},
                                 {Code(DIERR_OTHERAPPHASPRIO), kOtherAppHasPriorityText},
                                 {Code(DIERR_NOTINITIALIZED), texts.notInitialized},
                                 {Code(E_INVALIDARG), texts.invalidArgument}};
    const char* text = TextOf(result, table);
    if (text)
        CMessageBox::Show(owner, text, kTestWindowCaption, MB_OK);
    return result;
}

HRESULT CRawTestMode::ReadState(DIJOYSTATE2& state, bool& read) const
{
    read = false;
    if (!m_pDevice)
        return 0;
    if (!DeviceKnown())
        return Code(DIERR_UNPLUGGED);
    if (FAILED(m_pDevice->Poll())) {
        HRESULT result = Code(DIERR_INPUTLOST);
        for (int tries = 0; tries < kReacquireTries && result == Code(DIERR_INPUTLOST); ++tries)
            result = m_pDevice->Acquire();
        // An unplugged pad never comes back through this interface: the test ends.
        return result == Code(DIERR_UNPLUGGED) ? result : 0;
    }
    const HRESULT result = m_pDevice->GetDeviceState(sizeof(state), &state);
    read = SUCCEEDED(result);
    return FAILED(result) ? result : 0;
}

HRESULT SetDeviceProperty(IDirectInputDevice8A* device, REFGUID property, DWORD value)
{
    DIPROPDWORD dword = {};
    dword.diph.dwSize = sizeof(DIPROPDWORD);
    dword.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    dword.diph.dwObj = 0;
    dword.diph.dwHow = DIPH_DEVICE;
    dword.dwData = value;
    return device->SetProperty(property, &dword.diph);
}
