// The model's operations that reach the devices: the current device, stick calibration words
// and the device refresh sequence.
#include "settings/Setting.h"

#include <iterator>

#include "device/DeviceThread.h"
#include "device/DxInput.h"
#include "framework/MessageBox.h"

namespace
{
CDIDevice* DeviceAt(int position)
{
    const auto& devices = CDxInput::GetInstance()->m_devices;
    if (position < 0 || position >= static_cast<int>(devices.size()))
        return nullptr;
    return *std::next(devices.begin(), position);
}

AxisCalibration AxisOf(const CDIDevice& device, int axis)
{
    AxisCalibration calibration;
    calibration.centre = device.GetCalibration(axis, 0);
    calibration.maximum = device.GetCalibration(axis, 1);
    calibration.minimum = device.GetCalibration(axis, 2);
    return calibration;
}
}

CDIDevice* CSetting::GetCurrentDevice() const
{
    if (m_bDeviceActive != 1 || m_nDeviceCount <= 0)
        return nullptr;
    return DeviceAt(m_nCurrentDevice);
}

int CSetting::HasDevice(IDirectInputDevice8A* device) const
{
    for (const CDIDevice* element : CDxInput::GetInstance()->m_devices) {
        if (element->m_pDevice == device)
            return 1;
    }
    return 0;
}

std::string CSetting::PadIdOf(int slot) const
{
    if (slot < 0 || slot >= m_nDeviceCount || slot >= kDeviceSlots)
        return {};
    const CDIDevice* device = DeviceAt(slot);
    return device ? device->m_strInterfacePath : std::string();
}

std::string CSetting::CurrentPadId() const
{
    return m_bDeviceActive == 1 ? PadIdOf(m_nCurrentDevice) : std::string();
}

int CSetting::SlotOfPad(const std::string& id) const
{
    if (id.empty())
        return -1;
    for (int slot = 0; slot < m_nDeviceCount && slot < kDeviceSlots; ++slot) {
        // Windows' device paths ignore case.
        if (::lstrcmpiA(PadIdOf(slot).c_str(), id.c_str()) == 0)
            return slot;
    }
    return -1;
}

int CSetting::RefreshDevices()
{
    CDeviceThread* worker = CDeviceThread::GetInstance();
    worker->CloseDeviceHandles();
    worker->ResetDeviceSlots();
    CDxInput* devices = CDxInput::GetInstance();
    if (FAILED(devices->EnumGameControllers()))
        return 1;  // no game controllers this time: the table stays empty
    if (!devices->FindallknownDevice()) {
        CMessageBox::Show(nullptr, "DxInput AssignDevInfo Fail!", "Main.h", MB_OK);
        return 0;
    }
    if (!devices->UpdateDeviceTable()) {
        CMessageBox::Show(nullptr, "DxInput UpDate Fail!", "Main.h", MB_OK);
        return 0;
    }
    return 1;
}

void CSetting::SetAnalog(CByteArray& block, int mode, int firstAxis)
{
    if (mode == 0 || mode == 1)
        block[0] = static_cast<std::uint8_t>(mode);
    CDIDevice* device = DeviceAt(m_nCurrentDevice);
    if (!device || !device->ReadCalibration()) {
        CMessageBox::Show(nullptr, "SetCurrentAnalogToKey Fail, Please Check!", "CSetting", MB_OK);
        return;
    }
    FillAnalogWords(block.data(), AxisOf(*device, firstAxis), AxisOf(*device, firstAxis + 1));
}
