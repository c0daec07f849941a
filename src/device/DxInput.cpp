#include "device/DxInput.h"

#include "device/HidGuid.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "device/DeviceThread.h"
#include "framework/MessageBox.h"
#include "framework/Text.h"
#include "settings/Setting.h"

HDEVNOTIFY g_hDeviceNotify = nullptr;

namespace
{
// The two USB vendor/product pairs of the gamepads this program configures.
constexpr WORD kKnownPairs[][2] = {{0x1345, 0x0003}, {0x1267, 0xA00A}};

// First upper filter of a pad that runs under the gamepad's own driver.
constexpr const char* kFilterNames[] = {"KT_Gamepad", "KT_WL_Gamepad"};

// The upper-filter list is read into a buffer of this size; a longer list cannot be read.
constexpr DWORD kFilterBufferSize = 100;

// Discovery walks interface indices until setupapi says there are no more; an index that keeps
// failing with any other error must not keep it walking for ever.
constexpr DWORD kMaxInterfaceIndex = 4096;

void Show(const char* text, const char* caption, UINT type = MB_OK)
{
    CMessageBox::Show(nullptr, text, caption, type);
}

// Owns the interface set of one discovery, so every way out of the walk destroys it.
class CDevInfoSet
{
public:
    CDevInfoSet(IHidInterfaceSource& source, HDEVINFO set) : m_source(source), m_set(set) {}
    ~CDevInfoSet() { m_source.DestroyDeviceInfoList(m_set); }
    CDevInfoSet(const CDevInfoSet&) = delete;
    CDevInfoSet& operator=(const CDevInfoSet&) = delete;

private:
    IHidInterfaceSource& m_source;
    HDEVINFO m_set;
};

struct CLocalFree
{
    void operator()(void* memory) const { ::LocalFree(memory); }
};
using CDetailBuffer = std::unique_ptr<SP_DEVICE_INTERFACE_DETAIL_DATA_A, CLocalFree>;

bool IsValidKey(HKEY key)
{
    return key != nullptr && key != reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE);
}

bool IsValidFile(HANDLE file)
{
    return file != nullptr && file != INVALID_HANDLE_VALUE;
}

// Of two paths that ComparePaths matched, the one a pad is opened by: the one ending in the
// backslash when they differ.
std::string OpenedPath(const std::string& directInputPath, const char* setupApiPath)
{
    return directInputPath.size() >= std::strlen(setupApiPath) ? directInputPath : std::string(setupApiPath);
}

void EmptyDeviceTable()
{
    // Before the model exists there is no table to empty, and making it here would make the
    // config folder before the pads are matched.
    CSetting* model = CSetting::ExistingInstance();
    if (!model)
        return;
    model->m_nDeviceCount = 0;
    for (int slot = 0; slot < kDeviceSlots; ++slot) {
        model->m_hDeviceFile[slot] = nullptr;
        model->m_hDeviceKeys[slot] = nullptr;
        model->m_pszDeviceName[slot] = nullptr;
        model->m_bProgrammable[slot] = 0;
    }
}

void ShowCreateFailure(HRESULT result)
{
    if (result == DIERR_OLDDIRECTINPUTVERSION)
        Show("The application requires a newer version of DirectInput.", "CDxInput");
    else if (result == DIERR_OUTOFMEMORY)
        Show("DirectInput subsystem couldn't allocate sufficient memory to complete the call.", "CDxInput");
}

// "failed with error <last error>: <system text of the failing call's result>".
void ShowCalibrationFailure(HRESULT result)
{
    const DWORD lastError = ::GetLastError();
    char* text = nullptr;
    ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, static_cast<DWORD>(result), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                     reinterpret_cast<LPSTR>(&text), 0, nullptr);
    const char* shown = text ? text : "";
    std::string message(std::strlen(shown) + 40, '\0');
    const int length = std::snprintf(message.data(), message.size(), "failed with error %d: %s",
                                     static_cast<int>(lastError), shown);
    message.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    Show(message.c_str(), "Error");
    if (text)
        ::LocalFree(text);
}
}

// ---------------------------------------------------------------------------------------------
// CDIDevice

CDIDevice::CDIDevice()
{
    m_vidPid.diph.dwSize = sizeof(DIPROPDWORD);
    m_vidPid.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    m_vidPid.diph.dwObj = 0;
    m_vidPid.diph.dwHow = DIPH_DEVICE;
    m_guidAndPath.diph.dwSize = sizeof(DIPROPGUIDANDPATH);
    m_guidAndPath.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    m_guidAndPath.diph.dwObj = 0;
    m_guidAndPath.diph.dwHow = DIPH_DEVICE;
    m_calibProp.diph.dwSize = sizeof(DIPROPCAL);
    m_calibProp.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    m_calibProp.diph.dwObj = 0;
    m_calibProp.diph.dwHow = DIPH_BYOFFSET;
}

CDIDevice::~CDIDevice()
{
    if (m_pDevice) {
        m_pDevice->Unacquire();
        m_pDevice->Release();
    }
    if (IsValidKey(m_hKey))
        ::RegCloseKey(m_hKey);
    // Once in the worker's slot, the handle is closed by the worker's CloseDeviceHandles.
    if (IsValidFile(m_hFile) && !m_bFileHandedOver)
        ::CloseHandle(m_hFile);
}

int CDIDevice::IsKnownDevice()
{
    if (!m_pDevice || FAILED(m_pDevice->GetProperty(DIPROP_VIDPID, &m_vidPid.diph)))
        return 0;
    const WORD vendor = LOWORD(m_vidPid.dwData);
    const WORD product = HIWORD(m_vidPid.dwData);
    for (const auto& pair : kKnownPairs) {
        if (vendor == pair[0] && product == pair[1])
            return 1;
    }
    return 0;
}

std::string CDIDevice::GetDevicePath()
{
    if (!m_pDevice || FAILED(m_pDevice->GetProperty(DIPROP_GUIDANDPATH, &m_guidAndPath.diph)))
        return {};
    WCHAR* wide = m_guidAndPath.wszPath;
    wide[MAX_PATH - 1] = L'\0';
    return NarrowOf(wide, CP_ACP);
}

int CDIDevice::ReadCalibration()
{
    if (!m_pDevice)
        return 0;
    for (int axis = 1; axis <= kCalibratedAxes; ++axis) {
        m_calibProp.diph.dwObj = kAxisOffsets[axis];
        // Offsets name axes only relative to a data format: set the one they are taken from.
        m_pDevice->SetDataFormat(&c_dfDIJoystick);
        const HRESULT result = m_pDevice->GetProperty(DIPROP_CALIBRATION, &m_calibProp.diph);
        if (FAILED(result)) {
            ShowCalibrationFailure(result);
            return 0;
        }
        m_lCalibration[axis] = m_calibProp.lMax;
        m_lCalibration[5 + axis] = m_calibProp.lMin;
        m_lCalibration[10 + axis] = m_calibProp.lCenter;
    }
    return 1;
}

LONG CDIDevice::GetCalibration(int axis, int kind) const
{
    if (axis < 1 || axis > kCalibratedAxes)
        return 0;
    switch (kind) {
    case 0: return m_lCalibration[10 + axis];
    case 1: return m_lCalibration[axis];
    case 2: return m_lCalibration[5 + axis];
    default: return 0;
    }
}

// ---------------------------------------------------------------------------------------------
// CDxInput

CDxInput* CDxInput::GetInstance()
{
    static CDxInput instance;
    return &instance;
}

CDxInput::CDxInput() : m_source(CreateHidInterfaceSource())
{
    // HID.DLL is only checked for presence; the class GUID comes from its import.
    m_hHidDll = ::LoadLibraryA("HID.DLL");
    if (!m_hHidDll) {
        Show("Unable to open HID.DLL", "CDxInput", MB_ICONWARNING | MB_OK);
        return;
    }
    ::HidD_GetHidGuid(&m_hidGuid);
    m_hrCreate = CreateDirectInputInterface(::GetModuleHandleA(nullptr), &m_pDI);
    if (FAILED(m_hrCreate)) {
        m_pDI = nullptr;
        ShowCreateFailure(m_hrCreate);
    }
}

CDxInput::~CDxInput()
{
    // Only the device objects go: the model may already be gone at process exit.
    for (CDIDevice* device : m_devices)
        delete device;
    m_devices.clear();
    if (m_pDI)
        m_pDI->Release();
}

void CDxInput::ClearDevices()
{
    for (CDIDevice* device : m_devices)
        delete device;
    m_devices.clear();
    // The table's names point into the released devices and its keys are closed now.
    EmptyDeviceTable();
}

BOOL CALLBACK CDxInput::EnumDeviceThunk(LPCDIDEVICEINSTANCEA instance, LPVOID context)
{
    return static_cast<CDxInput*>(context)->OnEnumDevice(instance) ? DIENUM_CONTINUE : DIENUM_STOP;
}

HRESULT CDxInput::EnumGameControllers()
{
    ClearDevices();
    if (!m_pDI)
        return E_FAIL;  // the constructor has said why, if there was anything to say
    const HRESULT result = m_pDI->EnumDevices(DI8DEVCLASS_GAMECTRL, &CDxInput::EnumDeviceThunk, this,
                                              DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK);
    if (result != DI_OK) {
        Show("EnumDevice Failed!!", "CDIDevice");
        return E_FAIL;
    }
    return S_OK;
}

BOOL CDxInput::OnEnumDevice(const DIDEVICEINSTANCEA* instance)
{
    auto* device = new (std::nothrow) CDIDevice;
    if (!device)
        return FALSE;
    std::memcpy(&device->m_instance, instance, sizeof(DIDEVICEINSTANCEA));
    if (FAILED(m_pDI->CreateDevice(instance->guidInstance, &device->m_pDevice, nullptr))) {
        device->m_pDevice = nullptr;
        delete device;
        return FALSE;
    }
    if (device->IsKnownDevice())
        m_devices.push_back(device);
    else
        delete device;
    return TRUE;
}

int CDxInput::ComparePaths(const char* directInputPath, const char* setupApiPath)
{
    if (!directInputPath || !setupApiPath)
        return 0;
    if (std::strcmp(directInputPath, setupApiPath) == 0)
        return 1;
    const std::size_t a = std::strlen(directInputPath);
    const std::size_t b = std::strlen(setupApiPath);
    const char* longer = a > b ? directInputPath : setupApiPath;
    const char* shorter = a > b ? setupApiPath : directInputPath;
    const std::size_t shortLength = a > b ? b : a;
    const std::size_t longLength = a > b ? a : b;
    return longLength == shortLength + 1 && longer[shortLength] == '\\' &&
           std::strncmp(longer, shorter, shortLength) == 0;
}

int CDxInput::FindallknownDevice()
{
    const HDEVINFO set = m_source ? m_source->GetClassDevs(&m_hidGuid, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)
                                  : INVALID_HANDLE_VALUE;
    if (set == INVALID_HANDLE_VALUE) {
        Show("Invalid Handle!!!", "CDiDevice");
        return 0;
    }
    CDevInfoSet owner(*m_source, set);
    for (DWORD index = 0; index < kMaxInterfaceIndex; ++index) {
        const EStep step = MatchInterface(set, index);
        if (step == EStep::kDone)
            return 1;
        if (step == EStep::kFailed)
            return 0;
    }
    return 1;
}

CDxInput::EStep CDxInput::MatchInterface(HDEVINFO set, DWORD index)
{
    SP_DEVICE_INTERFACE_DATA interfaceData = {};
    interfaceData.cbSize = sizeof(SP_DEVICE_INTERFACE_DATA);
    if (!m_source->EnumDeviceInterfaces(set, &m_hidGuid, index, &interfaceData))
        return ::GetLastError() == ERROR_NO_MORE_ITEMS ? EStep::kDone : EStep::kNextIndex;
    SP_DEVINFO_DATA deviceInfo = {};
    deviceInfo.cbSize = sizeof(SP_DEVINFO_DATA);
    if (!m_source->EnumDeviceInfo(set, index, &deviceInfo))
        return EStep::kNextIndex;
    if (!m_source->CreateDeviceInterface(set, &deviceInfo, &m_hidGuid, &interfaceData)) {
        Show("Create Device Interface fail", "CDxInput");
        return EStep::kFailed;
    }
    DWORD required = 0;
    m_source->GetDeviceInterfaceDetail(set, &interfaceData, nullptr, 0, &required);
    // Never smaller than the fixed part, which is written before the detail is fetched.
    const DWORD size = required > sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) ? required
                                                                            : sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    CDetailBuffer detail(static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(::LocalAlloc(LPTR, size)));
    if (!detail) {
        Show("Cannot create functionClassDeviceData in FindallknownDevice", "Error");
        return EStep::kFailed;
    }
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!m_source->GetDeviceInterfaceDetail(set, &interfaceData, detail.get(), size, nullptr)) {
        Show("Get DeviceInterfaceDetial Fail!!", "CDxInput");
        return EStep::kFailed;
    }
    // The path ends within the buffer even if the list source wrote it without an end.
    reinterpret_cast<char*>(detail.get())[size - 1] = '\0';
    const char* setupApiPath = detail->DevicePath;
    for (CDIDevice* device : m_devices) {
        const std::string directInputPath = device->GetDevicePath();
        if (!ComparePaths(directInputPath.c_str(), setupApiPath))
            continue;
        const int completed = CompleteDevice(*device, set, interfaceData, deviceInfo,
                                             OpenedPath(directInputPath, setupApiPath));
        return completed ? EStep::kNextIndex : EStep::kFailed;
    }
    return EStep::kNextIndex;
}

int CDxInput::CompleteDevice(CDIDevice& device, HDEVINFO set, SP_DEVICE_INTERFACE_DATA& interfaceData,
                             SP_DEVINFO_DATA& deviceInfo, const std::string& path)
{
    // A second interface that matches the same pad replaces what the first one opened.
    if (IsValidKey(device.m_hKey))
        ::RegCloseKey(device.m_hKey);
    if (IsValidFile(device.m_hFile) && !device.m_bFileHandedOver)
        ::CloseHandle(device.m_hFile);
    device.m_hKey = nullptr;
    device.m_hFile = nullptr;
    device.m_bFileHandedOver = false;

    const HKEY key = m_source->CreateDeviceInterfaceRegKey(set, &interfaceData, KEY_ALL_ACCESS);
    if (!IsValidKey(key)) {
        Show("Invalud Registry Key!", "Error");
        return 0;
    }
    device.m_hKey = key;
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Show("INVALID FILE HANDLE (CreateFile)", "CDxInput");
        return 0;
    }
    device.m_hFile = file;
    device.m_strInterfacePath = path;
    device.m_bProgrammable = ReadProgrammable(set, deviceInfo);
    return 1;
}

int CDxInput::ReadProgrammable(HDEVINFO set, SP_DEVINFO_DATA& deviceInfo)
{
    BYTE buffer[kFilterBufferSize + 1] = {};  // one spare byte keeps a full buffer terminated
    DWORD type = 0;
    if (!m_source->GetDeviceRegistryProperty(set, &deviceInfo, SPDRP_UPPERFILTERS, &type, buffer, kFilterBufferSize,
                                             nullptr))
        return 0;
    if (type != REG_MULTI_SZ)
        return 0;
    // Only the first filter of the list decides.
    const char* first = reinterpret_cast<const char*>(buffer);
    for (const char* name : kFilterNames) {
        if (std::strcmp(first, name) == 0)
            return 1;
    }
    return 0;
}

int CDxInput::UpdateDeviceTable()
{
    CSetting& model = *CSetting::GetInstance();
    int slot = 0;
    for (CDIDevice* device : m_devices) {
        // Six slots: a seventh pad keeps its handle and key to itself until it is released.
        if (slot == kDeviceSlots)
            break;
        model.m_hDeviceFile[slot] = device->m_hFile;
        model.m_hDeviceKeys[slot] = device->m_hKey;
        model.m_pszDeviceName[slot] = device->m_instance.tszInstanceName;
        model.m_bProgrammable[slot] = device->m_bProgrammable;
        g_hDeviceHandles[slot].store(device->m_hFile);
        device->m_bFileHandedOver = IsValidFile(device->m_hFile);
        ++slot;
    }
    for (int rest = slot; rest < kDeviceSlots; ++rest) {
        model.m_hDeviceFile[rest] = nullptr;
        model.m_hDeviceKeys[rest] = nullptr;
        model.m_pszDeviceName[rest] = nullptr;
        model.m_bProgrammable[rest] = 0;
    }
    model.m_nDeviceCount = static_cast<short>(slot);
    return 1;
}

void CDxInput::RegisterNotification(HWND window)
{
    m_notifyFilter = {};
    m_notifyFilter.dbcc_size = sizeof(DEV_BROADCAST_DEVICEINTERFACE_A);
    m_notifyFilter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    ::HidD_GetHidGuid(&m_notifyFilter.dbcc_classguid);
    g_hDeviceNotify = ::RegisterDeviceNotificationA(window, &m_notifyFilter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (!g_hDeviceNotify)
        Show("RegisterDeviceNotificaton fail in Refresh device!", "Error");
}

short CDxInput::GetDeviceCount()
{
    return CSetting::GetInstance()->m_nDeviceCount;
}
