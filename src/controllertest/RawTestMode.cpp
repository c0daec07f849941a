#include "controllertest/RawTestMode.h"

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
    if (!device || !device->m_pDevice)
        return false;
    m_pDevice = device->m_pDevice;
    m_pDevice->AddRef();
    m_strPadId = model.CurrentPadId();
    m_bActive = true;
    model.Backup();
    m_user = CSettingsBlocks::Of(model);
    model.m_strHeldPad = m_strPadId;
    model.m_heldBlocks = m_user;
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
    model.m_strHeldPad.clear();
    const int slot = model.SlotOfPad(m_strPadId);
    const bool stillCurrent = model.m_bDeviceActive == 1 && model.m_nDeviceCount > 0 && slot >= 0 &&
                              slot == model.m_nCurrentDevice;
    if (stillCurrent) {
        // The entry's own copy, not the model's backup: nothing that ran meanwhile can have
        // changed it.
        m_user.Into(model);
        model.SaveCurrentDevice();
        model.RequestDriverUpdate();
        ReleaseDevice();
        return;
    }
    // The sheet moved on meanwhile (another pad loaded, or none): the tested pad's own key
    // gets its settings back while it is still there, and a model that now holds another
    // pad keeps that pad's values; an idle model must not keep the neutral ones.
    if (slot >= 0) {
        model.WriteBlocksTo(slot, m_user);
        model.RequestDriverUpdate();
    }
    if (model.m_bDeviceActive != 1)
        m_user.Into(model);
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
    return m_pDevice && Model().SlotOfPad(m_strPadId) >= 0;
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
