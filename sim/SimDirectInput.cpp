// A DirectInput 8 (ANSI) that reports the simulated pads, with Windows' mouse and keyboard
// beside them, through real COM vtables.
#include <windows.h>
#include <dinput.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <memory>

#include "SimBench.h"
#include "device/DxInput.h"
#include "device/HidGuid.h"

namespace
{
// A property GUID argument of DirectInput is either a small integer in disguise or a real GUID.
ULONG_PTR PropertyId(REFGUID property)
{
    const auto address = reinterpret_cast<ULONG_PTR>(&property);
    return address < 0x10000 ? address : 0;
}

ULONG_PTR Id(REFGUID property)
{
    return reinterpret_cast<ULONG_PTR>(&property);
}

// The calibrated axes by their offset in the joystick formats; 0 for none.
int AxisAtOffset(DWORD offset)
{
    for (int axis = 1; axis <= kCalibratedAxes; ++axis) {
        if (kAxisOffsets[axis] == offset)
            return axis;
    }
    return 0;
}

// The answer a test told the pads' device objects to give in place of their own, or DI_OK.
HRESULT Fault(HRESULT CSimDeviceFaults::*which)
{
    return CSimBench::Get().Faults().device.*which;
}

// Reference counting shared by the three object kinds; each counts itself on the bench.
template <class TInterface>
class CSimUnknown : public TInterface
{
public:
    CSimUnknown() { CSimBench::Get().ObjectCreated(); }
    virtual ~CSimUnknown() { CSimBench::Get().ObjectDestroyed(); }

    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_nReferences; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_nReferences;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    HRESULT Answer(REFIID asked, REFIID own, void** object)
    {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(asked, IID_IUnknown) || IsEqualIID(asked, own)) {
            *object = static_cast<TInterface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

private:
    std::atomic<ULONG> m_nReferences{1};
};

// The state one device object keeps apart from the pad it stands for.
struct CDeviceObjectState
{
    DWORD formatSize = 0;
    DWORD cooperativeFlags = 0;
    DWORD bufferSize = 0;
    bool acquired = false;
    DWORD readSequence = 0;  // buffered data up to here has been fetched
};

// ---------------------------------------------------------------------------------------------

class CSimEffect final : public CSimUnknown<IDirectInputEffect>
{
public:
    CSimEffect(std::shared_ptr<CSimPad> pad, std::shared_ptr<CDeviceObjectState> device)
        : m_pad(std::move(pad)), m_device(std::move(device))
    {}
    ~CSimEffect() override { Record("release"); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        return Answer(riid, IID_IDirectInputEffect, object);
    }
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD, REFGUID) override { return DI_OK; }
    HRESULT STDMETHODCALLTYPE GetEffectGuid(LPGUID guid) override
    {
        if (!guid)
            return E_POINTER;
        *guid = GUID_ConstantForce;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE GetParameters(LPDIEFFECT, DWORD) override { return DIERR_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE SetParameters(LPCDIEFFECT effect, DWORD flags) override
    {
        return Apply("set", effect, flags);
    }
    HRESULT STDMETHODCALLTYPE Start(DWORD iterations, DWORD) override
    {
        if (!m_device->acquired || !(m_device->cooperativeFlags & DISCL_EXCLUSIVE))
            return DIERR_NOTEXCLUSIVEACQUIRED;
        CSimEffectEvent event = m_last;
        event.what = "start";
        event.iterations = iterations;
        m_pad->RecordEffect(event);
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE Stop() override
    {
        if (!m_device->acquired)
            return DIERR_NOTEXCLUSIVEACQUIRED;
        Record("stop");
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE GetEffectStatus(LPDWORD status) override
    {
        if (!status)
            return E_POINTER;
        *status = 0;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE Download() override { return m_device->acquired ? DI_OK : DIERR_NOTEXCLUSIVEACQUIRED; }
    HRESULT STDMETHODCALLTYPE Unload() override { return DI_OK; }
    HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE) override { return DIERR_UNSUPPORTED; }

    HRESULT Apply(const char* what, LPCDIEFFECT effect, DWORD flags)
    {
        if (!effect || (effect->dwSize != sizeof(DIEFFECT) && effect->dwSize != sizeof(DIEFFECT_DX5)))
            return DIERR_INVALIDPARAM;
        CSimEffectEvent event = m_last;
        event.what = what;
        event.parameterFlags = flags;
        if (flags & DIEP_DURATION)
            event.duration = effect->dwDuration;
        if (flags & DIEP_GAIN)
            event.gain = effect->dwGain;
        if ((flags & DIEP_DIRECTION) && effect->rglDirection)
            event.direction.assign(effect->rglDirection, effect->rglDirection + effect->cAxes);
        if (flags & DIEP_TYPESPECIFICPARAMS) {
            if (effect->cbTypeSpecificParams != sizeof(DICONSTANTFORCE) || !effect->lpvTypeSpecificParams)
                return DIERR_INVALIDPARAM;
            event.magnitude = static_cast<const DICONSTANTFORCE*>(effect->lpvTypeSpecificParams)->lMagnitude;
        }
        m_last = event;
        m_pad->RecordEffect(event);
        return DI_OK;
    }

private:
    void Record(const char* what)
    {
        CSimEffectEvent event = m_last;
        event.what = what;
        m_pad->RecordEffect(event);
    }

    std::shared_ptr<CSimPad> m_pad;
    std::shared_ptr<CDeviceObjectState> m_device;
    CSimEffectEvent m_last;
};

// ---------------------------------------------------------------------------------------------

// A device object of one pad, or of the system mouse or keyboard (no pad).
class CSimInputDevice final : public CSimUnknown<IDirectInputDevice8A>
{
public:
    CSimInputDevice(std::shared_ptr<CSimPad> pad, const DIDEVICEINSTANCEA& instance)
        : m_pad(std::move(pad)), m_instance(instance), m_state(std::make_shared<CDeviceObjectState>())
    {}
    ~CSimInputDevice() override
    {
        if (m_state->acquired)
            Unacquire();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        return Answer(riid, IID_IDirectInputDevice8A, object);
    }

    HRESULT STDMETHODCALLTYPE GetCapabilities(LPDIDEVCAPS caps) override
    {
        if (!caps)
            return E_POINTER;
        if (caps->dwSize != sizeof(DIDEVCAPS) && caps->dwSize != sizeof(DIDEVCAPS_DX3))
            return DIERR_INVALIDPARAM;
        const DWORD size = caps->dwSize;
        std::memset(caps, 0, size);
        caps->dwSize = size;
        caps->dwFlags = DIDC_ATTACHED | DIDC_EMULATED;
        caps->dwDevType = m_instance.dwDevType;
        if (m_pad) {
            caps->dwFlags |= m_pad->Options().forceFeedback ? DIDC_FORCEFEEDBACK : 0;
            caps->dwAxes = 4;
            caps->dwButtons = 12;
            caps->dwPOVs = 1;
        }
        return DI_OK;
    }

    HRESULT STDMETHODCALLTYPE EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID context, DWORD flags) override
    {
        if (!callback)
            return DIERR_INVALIDPARAM;
        if (!m_pad)
            return DI_OK;
        static const struct
        {
            const GUID* type;
            DWORD offset;
            const char* name;
        } kAxes[] = {{&GUID_XAxis, DIJOFS_X, "X Axis"},
                     {&GUID_YAxis, DIJOFS_Y, "Y Axis"},
                     {&GUID_ZAxis, DIJOFS_Z, "Z Axis"},
                     {&GUID_RzAxis, DIJOFS_RZ, "Z Rotation"}};
        if (flags == DIDFT_ALL || (flags & DIDFT_AXIS)) {
            for (int i = 0; i < 4; ++i) {
                DIDEVICEOBJECTINSTANCEA object = {};
                object.dwSize = sizeof object;
                object.guidType = *kAxes[i].type;
                object.dwOfs = kAxes[i].offset;
                object.dwType = DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(i);
                lstrcpynA(object.tszName, kAxes[i].name, MAX_PATH);
                if (callback(&object, context) == DIENUM_STOP)
                    return DI_OK;
            }
        }
        if (flags == DIDFT_ALL || (flags & DIDFT_BUTTON)) {
            for (int i = 0; i < 12; ++i) {
                DIDEVICEOBJECTINSTANCEA object = {};
                object.dwSize = sizeof object;
                object.guidType = GUID_Button;
                object.dwOfs = DIJOFS_BUTTON(i);
                object.dwType = DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(i);
                wsprintfA(object.tszName, "Button %d", i + 1);
                if (callback(&object, context) == DIENUM_STOP)
                    return DI_OK;
            }
        }
        return DI_OK;
    }

    HRESULT STDMETHODCALLTYPE GetProperty(REFGUID property, LPDIPROPHEADER header) override
    {
        if (!header)
            return E_POINTER;
        if (header->dwHeaderSize != sizeof(DIPROPHEADER))
            return DIERR_INVALIDPARAM;
        if (!PropertyId(property))
            return DIERR_UNSUPPORTED;
        if (!m_pad)
            return DIERR_UNSUPPORTED;
        const ULONG_PTR id = Id(property);
        if (id == Id(DIPROP_VIDPID))
            return GetVidPid(header);
        if (id == Id(DIPROP_GUIDANDPATH))
            return GetGuidAndPath(header);
        if (id == Id(DIPROP_CALIBRATION))
            return GetCalibration(header);
        if (id == Id(DIPROP_BUFFERSIZE) || id == Id(DIPROP_AUTOCENTER) || id == Id(DIPROP_CALIBRATIONMODE))
            return GetDword(id, header);
        return DIERR_UNSUPPORTED;
    }

    HRESULT STDMETHODCALLTYPE SetProperty(REFGUID property, LPCDIPROPHEADER header) override
    {
        if (!header)
            return E_POINTER;
        if (header->dwHeaderSize != sizeof(DIPROPHEADER))
            return DIERR_INVALIDPARAM;
        if (!PropertyId(property) || !m_pad)
            return DIERR_UNSUPPORTED;
        const ULONG_PTR id = Id(property);
        if (id == Id(DIPROP_RANGE) || id == Id(DIPROP_DEADZONE) || id == Id(DIPROP_SATURATION))
            return DI_OK;  // scaling of the state; the simulated state is set already scaled
        if (header->dwSize != sizeof(DIPROPDWORD) || header->dwHow != DIPH_DEVICE)
            return DIERR_INVALIDPARAM;
        const DWORD value = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
        if (const HRESULT fault = PropertyFault(id); fault != DI_OK)
            return fault;
        if (id == Id(DIPROP_BUFFERSIZE))
            return SetBufferSize(value);
        if (id == Id(DIPROP_AUTOCENTER))
            return SetChoice(value, DIPROPAUTOCENTER_OFF, DIPROPAUTOCENTER_ON,
                             [value](CSimDeviceSettings& s) { s.autoCenter = value; });
        if (id == Id(DIPROP_CALIBRATIONMODE))
            return SetChoice(value, DIPROPCALIBRATIONMODE_COOKED, DIPROPCALIBRATIONMODE_RAW,
                             [value](CSimDeviceSettings& s) { s.calibrationMode = value; });
        return DIERR_UNSUPPORTED;
    }

    HRESULT STDMETHODCALLTYPE Acquire() override
    {
        if (!m_state->formatSize)
            return DIERR_INVALIDPARAM;
        if (m_pad && m_pad->Unplugged())
            return DIERR_UNPLUGGED;
        const HRESULT fault = m_pad ? Fault(&CSimDeviceFaults::acquireResult) : DI_OK;
        if (FAILED(fault))
            return fault;
        if (m_state->acquired)
            return S_FALSE;
        m_state->acquired = true;
        if (m_pad) {
            m_state->readSequence = m_pad->LastSequence();
            m_pad->UpdateSettings([](CSimDeviceSettings& s) { ++s.acquired; });
        }
        return fault;
    }

    HRESULT STDMETHODCALLTYPE Unacquire() override
    {
        if (!m_state->acquired)
            return DI_NOEFFECT;
        m_state->acquired = false;
        if (m_pad)
            m_pad->UpdateSettings([](CSimDeviceSettings& s) { --s.acquired; });
        return DI_OK;
    }

    HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD size, LPVOID data) override
    {
        if (!data)
            return E_POINTER;
        if (!m_state->acquired)
            return DIERR_NOTACQUIRED;
        if (size != m_state->formatSize)
            return DIERR_INVALIDPARAM;
        if (!m_pad) {
            std::memset(data, 0, size);
            return DI_OK;
        }
        if (m_pad->Unplugged())
            return DIERR_INPUTLOST;
        if (const HRESULT fault = Fault(&CSimDeviceFaults::deviceStateResult); fault != DI_OK)
            return fault;
        const DIJOYSTATE2 state = m_pad->State();
        std::memcpy(data, &state, size);  // DIJOYSTATE is the head of DIJOYSTATE2
        return DI_OK;
    }

    HRESULT STDMETHODCALLTYPE GetDeviceData(DWORD objectSize, LPDIDEVICEOBJECTDATA data, LPDWORD inOut,
                                            DWORD flags) override
    {
        if (!inOut)
            return E_POINTER;
        if (objectSize != sizeof(DIDEVICEOBJECTDATA) && objectSize != sizeof(DIDEVICEOBJECTDATA_DX3))
            return DIERR_INVALIDPARAM;
        if (!m_state->acquired)
            return DIERR_NOTACQUIRED;
        if (!m_state->bufferSize)
            return DIERR_NOTBUFFERED;
        if (!m_pad) {
            *inOut = 0;
            return DI_OK;
        }
        if (m_pad->Unplugged())
            return DIERR_INPUTLOST;
        if (const HRESULT fault = Fault(&CSimDeviceFaults::deviceDataResult); fault != DI_OK)
            return fault;
        auto events = m_pad->EventsAfter(m_state->readSequence);
        HRESULT result = DI_OK;
        if (events.size() > m_state->bufferSize) {
            // The device's buffer holds bufferSize events; what came after was lost.
            events.resize(m_state->bufferSize);
            result = DI_BUFFEROVERFLOW;
        }
        const DWORD count = std::min<DWORD>(*inOut, static_cast<DWORD>(events.size()));
        for (DWORD i = 0; data && i < count; ++i) {
            auto* record = reinterpret_cast<DIDEVICEOBJECTDATA*>(reinterpret_cast<BYTE*>(data) + i * objectSize);
            std::memset(record, 0, objectSize);
            record->dwOfs = events[i].offset;
            record->dwData = events[i].data;
            record->dwTimeStamp = ::GetTickCount();
            record->dwSequence = events[i].sequence;
        }
        if (!(flags & DIGDD_PEEK)) {
            if (result == DI_BUFFEROVERFLOW && count == events.size())
                m_state->readSequence = m_pad->LastSequence();
            else if (count)
                m_state->readSequence = events[count - 1].sequence;
        }
        *inOut = count;
        return result;
    }

    HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT format) override
    {
        if (!format)
            return E_POINTER;
        if (m_state->acquired)
            return DIERR_ACQUIRED;
        if (m_pad && Fault(&CSimDeviceFaults::dataFormatResult) != DI_OK)
            return Fault(&CSimDeviceFaults::dataFormatResult);
        if (format->dwSize != sizeof(DIDATAFORMAT) || format->dwObjSize != sizeof(DIOBJECTDATAFORMAT))
            return DIERR_INVALIDPARAM;
        if (m_pad && format->dwDataSize != sizeof(DIJOYSTATE) && format->dwDataSize != sizeof(DIJOYSTATE2))
            return DIERR_INVALIDPARAM;
        m_state->formatSize = format->dwDataSize;
        if (m_pad)
            m_pad->UpdateSettings([size = format->dwDataSize](CSimDeviceSettings& s) { s.dataFormatSize = size; });
        return DI_OK;
    }

    HRESULT STDMETHODCALLTYPE SetEventNotification(HANDLE) override { return DI_POLLEDDEVICE; }

    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override
    {
        const DWORD exclusive = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
        const DWORD ground = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
        if ((exclusive != DISCL_EXCLUSIVE && exclusive != DISCL_NONEXCLUSIVE) ||
            (ground != DISCL_FOREGROUND && ground != DISCL_BACKGROUND))
            return DIERR_INVALIDPARAM;
        if ((window && !::IsWindow(window)) || (!window && ground == DISCL_FOREGROUND))
            return E_HANDLE;
        if (m_pad && Fault(&CSimDeviceFaults::cooperativeResult) != DI_OK)
            return Fault(&CSimDeviceFaults::cooperativeResult);
        if (m_state->acquired)
            return DIERR_ACQUIRED;
        m_state->cooperativeFlags = flags;
        if (m_pad)
            m_pad->UpdateSettings([window, flags](CSimDeviceSettings& s) {
                s.cooperativeFlags = flags;
                s.cooperativeWindow = window;
            });
        return DI_OK;
    }

    HRESULT STDMETHODCALLTYPE GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA, DWORD, DWORD) override
    {
        return DIERR_UNSUPPORTED;
    }

    HRESULT STDMETHODCALLTYPE GetDeviceInfo(LPDIDEVICEINSTANCEA instance) override
    {
        if (!instance)
            return E_POINTER;
        if (instance->dwSize != sizeof(DIDEVICEINSTANCEA))
            return DIERR_INVALIDPARAM;
        *instance = m_instance;
        return DI_OK;
    }

    HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return DIERR_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD, REFGUID) override { return DI_OK; }

    HRESULT STDMETHODCALLTYPE CreateEffect(REFGUID kind, LPCDIEFFECT effect, LPDIRECTINPUTEFFECT* created,
                                           LPUNKNOWN outer) override
    {
        if (!created)
            return E_POINTER;
        *created = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        if (!m_pad || !m_pad->Options().forceFeedback)
            return DIERR_UNSUPPORTED;
        if (!IsEqualGUID(kind, GUID_ConstantForce))
            return DIERR_DEVICENOTREG;
        if (const HRESULT fault = Fault(&CSimDeviceFaults::createEffectResult); fault != DI_OK)
            return fault;
        auto* object = new CSimEffect(m_pad, m_state);
        CSimEffectEvent event;
        event.what = "create";
        m_pad->RecordEffect(event);
        if (effect) {
            const HRESULT result = object->Apply("set", effect, DIEP_ALLPARAMS);
            if (FAILED(result)) {
                object->Release();
                return result;
            }
        }
        *created = object;
        return DI_OK;
    }

    HRESULT STDMETHODCALLTYPE EnumEffects(LPDIENUMEFFECTSCALLBACKA callback, LPVOID context, DWORD type) override
    {
        if (!callback)
            return DIERR_INVALIDPARAM;
        if (!m_pad || !m_pad->Options().forceFeedback)
            return DI_OK;
        if (type != DIEFT_ALL && DIEFT_GETTYPE(type) != DIEFT_CONSTANTFORCE)
            return DI_OK;
        DIEFFECTINFOA info = {};
        info.dwSize = sizeof info;
        info.guid = GUID_ConstantForce;
        info.dwEffType = DIEFT_CONSTANTFORCE;
        info.dwStaticParams = info.dwDynamicParams = DIEP_ALLPARAMS;
        lstrcpynA(info.tszName, "Constant Force", MAX_PATH);
        callback(&info, context);
        return DI_OK;
    }

    HRESULT STDMETHODCALLTYPE GetEffectInfo(LPDIEFFECTINFOA, REFGUID) override { return DIERR_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE GetForceFeedbackState(LPDWORD state) override
    {
        if (!state)
            return E_POINTER;
        *state = DIGFFS_POWERON | DIGFFS_ACTUATORSON;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD) override
    {
        return m_state->acquired ? DI_OK : DIERR_NOTEXCLUSIVEACQUIRED;
    }
    HRESULT STDMETHODCALLTYPE EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID, DWORD) override
    {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE) override { return DIERR_UNSUPPORTED; }

    HRESULT STDMETHODCALLTYPE Poll() override
    {
        if (!m_state->acquired)
            return DIERR_NOTACQUIRED;
        if (m_pad && m_pad->Unplugged())
            return DIERR_INPUTLOST;
        return DI_OK;
    }

    HRESULT STDMETHODCALLTYPE SendDeviceData(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) override
    {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE EnumEffectsInFile(LPCSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID, DWORD) override
    {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE WriteEffectToFile(LPCSTR, DWORD, LPDIFILEEFFECT, DWORD) override
    {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE BuildActionMap(LPDIACTIONFORMATA, LPCSTR, DWORD) override { return DIERR_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE SetActionMap(LPDIACTIONFORMATA, LPCSTR, DWORD) override { return DIERR_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE GetImageInfo(LPDIDEVICEIMAGEINFOHEADERA) override { return DIERR_UNSUPPORTED; }

private:
    HRESULT GetVidPid(LPDIPROPHEADER header)
    {
        if (header->dwSize != sizeof(DIPROPDWORD) || header->dwHow != DIPH_DEVICE)
            return DIERR_INVALIDPARAM;
        const auto& options = m_pad->Options();
        reinterpret_cast<DIPROPDWORD*>(header)->dwData = MAKELONG(options.vendorId, options.productId);
        return DI_OK;
    }

    HRESULT GetGuidAndPath(LPDIPROPHEADER header)
    {
        if (header->dwSize != sizeof(DIPROPGUIDANDPATH) || header->dwHow != DIPH_DEVICE)
            return DIERR_INVALIDPARAM;
        auto* property = reinterpret_cast<DIPROPGUIDANDPATH*>(header);
        ::HidD_GetHidGuid(&property->guidClass);
        const std::string& path = m_pad->DirectInputPath();
        const int written = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, property->wszPath, MAX_PATH);
        if (!written)
            property->wszPath[0] = L'\0';
        return DI_OK;
    }

    HRESULT GetCalibration(LPDIPROPHEADER header)
    {
        if (header->dwSize != sizeof(DIPROPCAL))
            return DIERR_INVALIDPARAM;
        if (header->dwHow != DIPH_BYOFFSET)
            return DIERR_UNSUPPORTED;
        // An offset names an object only within the data format that is set.
        const int axis = m_state->formatSize ? AxisAtOffset(header->dwObj) : 0;
        if (!axis)
            return DIERR_NOTFOUND;
        const auto& options = m_pad->Options();
        if (axis == m_pad->FailCalibrationAxis()) {
            ::SetLastError(options.calibrationLastError);
            return options.calibrationError;
        }
        const CSimAxisCalibration calibration = m_pad->Calibration(axis);
        auto* property = reinterpret_cast<DIPROPCAL*>(header);
        property->lMin = calibration.minimum;
        property->lCenter = calibration.centre;
        property->lMax = calibration.maximum;
        return DI_OK;
    }

    HRESULT GetDword(ULONG_PTR id, LPDIPROPHEADER header)
    {
        if (header->dwSize != sizeof(DIPROPDWORD) || header->dwHow != DIPH_DEVICE)
            return DIERR_INVALIDPARAM;
        const CSimDeviceSettings settings = m_pad->Settings();
        DWORD value = m_state->bufferSize;
        if (id == Id(DIPROP_AUTOCENTER))
            value = settings.autoCenter;
        else if (id == Id(DIPROP_CALIBRATIONMODE))
            value = settings.calibrationMode;
        reinterpret_cast<DIPROPDWORD*>(header)->dwData = value;
        return DI_OK;
    }

    static HRESULT PropertyFault(ULONG_PTR id)
    {
        if (id == Id(DIPROP_BUFFERSIZE))
            return Fault(&CSimDeviceFaults::bufferSizeResult);
        if (id == Id(DIPROP_AUTOCENTER))
            return Fault(&CSimDeviceFaults::autoCenterResult);
        if (id == Id(DIPROP_CALIBRATIONMODE))
            return Fault(&CSimDeviceFaults::calibrationModeResult);
        return DI_OK;
    }

    HRESULT SetBufferSize(DWORD value)
    {
        if (m_state->acquired)
            return DIERR_ACQUIRED;
        m_state->bufferSize = value;
        m_pad->UpdateSettings([value](CSimDeviceSettings& s) { s.bufferSize = value; });
        return DI_OK;
    }

    HRESULT SetChoice(DWORD value, DWORD first, DWORD second, const std::function<void(CSimDeviceSettings&)>& change)
    {
        if (value != first && value != second)
            return DIERR_INVALIDPARAM;
        m_pad->UpdateSettings(change);
        return DI_OK;
    }

    std::shared_ptr<CSimPad> m_pad;
    DIDEVICEINSTANCEA m_instance;
    std::shared_ptr<CDeviceObjectState> m_state;
};

// ---------------------------------------------------------------------------------------------

DIDEVICEINSTANCEA PadInstance(const CSimPad& pad)
{
    DIDEVICEINSTANCEA instance = {};
    instance.dwSize = sizeof instance;
    instance.guidInstance = pad.InstanceGuid();
    instance.guidProduct = pad.ProductGuid();
    instance.dwDevType = DI8DEVTYPE_GAMEPAD | (DI8DEVTYPEGAMEPAD_STANDARD << 8) | DIDEVTYPE_HID;
    lstrcpynA(instance.tszInstanceName, pad.Options().instanceName.c_str(), MAX_PATH);
    lstrcpynA(instance.tszProductName, pad.Options().instanceName.c_str(), MAX_PATH);
    if (pad.Options().forceFeedback)
        instance.guidFFDriver = pad.ProductGuid();
    instance.wUsagePage = 0x01;
    instance.wUsage = 0x05;
    return instance;
}

DIDEVICEINSTANCEA SystemInstance(const GUID& guid, DWORD type, const char* name)
{
    DIDEVICEINSTANCEA instance = {};
    instance.dwSize = sizeof instance;
    instance.guidInstance = guid;
    instance.guidProduct = guid;
    instance.dwDevType = type;
    lstrcpynA(instance.tszInstanceName, name, MAX_PATH);
    lstrcpynA(instance.tszProductName, name, MAX_PATH);
    return instance;
}

DWORD ClassOf(DWORD deviceType)
{
    switch (GET_DIDEVICE_TYPE(deviceType)) {
    case DI8DEVTYPE_MOUSE: return DI8DEVCLASS_POINTER;
    case DI8DEVTYPE_KEYBOARD: return DI8DEVCLASS_KEYBOARD;
    case DI8DEVTYPE_JOYSTICK:
    case DI8DEVTYPE_GAMEPAD:
    case DI8DEVTYPE_DRIVING:
    case DI8DEVTYPE_FLIGHT:
    case DI8DEVTYPE_1STPERSON: return DI8DEVCLASS_GAMECTRL;
    default: return DI8DEVCLASS_DEVICE;
    }
}

bool Wanted(DWORD filter, DWORD deviceType)
{
    if (filter == DI8DEVCLASS_ALL)
        return true;
    if (filter <= DI8DEVCLASS_GAMECTRL)
        return ClassOf(deviceType) == filter;
    return GET_DIDEVICE_TYPE(deviceType) == filter;  // a device type in place of a class
}

class CSimDirectInput final : public CSimUnknown<IDirectInput8A>
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        return Answer(riid, IID_IDirectInput8A, object);
    }

    HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICE8A* device, LPUNKNOWN outer) override
    {
        if (!device)
            return E_POINTER;
        *device = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        if (IsEqualGUID(guid, GUID_SysMouse) || IsEqualGUID(guid, GUID_SysKeyboard)) {
            *device = new CSimInputDevice(nullptr, SystemDevice(guid));
            return DI_OK;
        }
        for (const auto& pad : CSimBench::Get().Pads()) {
            if (!IsEqualGUID(guid, pad->InstanceGuid()))
                continue;
            if (pad->Options().failCreateDevice)
                return DIERR_DEVICENOTREG;
            *device = new CSimInputDevice(pad, PadInstance(*pad));
            return DI_OK;
        }
        return DIERR_DEVICENOTREG;
    }

    HRESULT STDMETHODCALLTYPE EnumDevices(DWORD filter, LPDIENUMDEVICESCALLBACKA callback, LPVOID context,
                                          DWORD flags) override
    {
        if (!callback)
            return DIERR_INVALIDPARAM;
        constexpr DWORD kKnownFlags = DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK | DIEDFL_INCLUDEALIASES |
                                      DIEDFL_INCLUDEPHANTOMS | DIEDFL_INCLUDEHIDDEN;
        if (flags & ~kKnownFlags)
            return DIERR_INVALIDPARAM;
        const HRESULT fault = CSimBench::Get().Faults().enumResult;
        if (fault != DI_OK)
            return fault;
        for (const DIDEVICEINSTANCEA& instance : Instances()) {
            if (!Wanted(filter, instance.dwDevType))
                continue;
            if ((flags & DIEDFL_FORCEFEEDBACK) && IsEqualGUID(instance.guidFFDriver, GUID_NULL))
                continue;
            if (callback(&instance, context) == DIENUM_STOP)
                break;
        }
        return DI_OK;
    }

    HRESULT STDMETHODCALLTYPE GetDeviceStatus(REFGUID guid) override
    {
        for (const auto& pad : CSimBench::Get().Pads()) {
            if (IsEqualGUID(guid, pad->InstanceGuid()))
                return DI_OK;
        }
        return DI_NOTATTACHED;
    }
    HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return DI_OK; }
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD) override { return DI_OK; }
    HRESULT STDMETHODCALLTYPE FindDevice(REFGUID, LPCSTR, LPGUID) override { return DIERR_DEVICENOTREG; }
    HRESULT STDMETHODCALLTYPE EnumDevicesBySemantics(LPCSTR, LPDIACTIONFORMATA, LPDIENUMDEVICESBYSEMANTICSCBA, LPVOID,
                                                     DWORD) override
    {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE ConfigureDevices(LPDICONFIGUREDEVICESCALLBACK, LPDICONFIGUREDEVICESPARAMSA, DWORD,
                                               LPVOID) override
    {
        return DIERR_UNSUPPORTED;
    }

private:
    static DIDEVICEINSTANCEA SystemDevice(REFGUID guid)
    {
        if (IsEqualGUID(guid, GUID_SysMouse))
            return SystemInstance(GUID_SysMouse, DI8DEVTYPE_MOUSE | (DI8DEVTYPEMOUSE_UNKNOWN << 8), "Mouse");
        return SystemInstance(GUID_SysKeyboard, DI8DEVTYPE_KEYBOARD | (DI8DEVTYPEKEYBOARD_PCENH << 8), "Keyboard");
    }

    // The system's mouse and keyboard first, then the plugged pads in plug order.
    static std::vector<DIDEVICEINSTANCEA> Instances()
    {
        std::vector<DIDEVICEINSTANCEA> instances{SystemDevice(GUID_SysMouse), SystemDevice(GUID_SysKeyboard)};
        for (const auto& pad : CSimBench::Get().Pads())
            instances.push_back(PadInstance(*pad));
        return instances;
    }
};
}

HRESULT CreateDirectInputInterface(HINSTANCE, IDirectInput8A** directInput)
{
    if (!directInput)
        return E_POINTER;
    *directInput = nullptr;
    const HRESULT fault = CSimBench::Get().Faults().createResult;
    if (FAILED(fault))
        return fault;
    *directInput = new CSimDirectInput;
    return DI_OK;
}
