#include "ui/PadFixture.h"

#include "device/DeviceThread.h"
#include "device/DxInput.h"
#include "settings/Setting.h"
#include "settings/SettingsLayout.h"

void PadFixture::TearDown()
{
    CSimSheetFixture::TearDown();
    CSimBench::Get().ResetFaults();
    model->ClearAll();
}

void PadFixture::PlugAndLoad()
{
    pad = CSimBench::Get().Pad(CSimBench::Get().Plug("wired"));
    ASSERT_TRUE(pad);
    WriteUserSettings(pad->KeyPath());
    CSetting* model = CSetting::GetInstance();
    model->RefreshDevices();
    ASSERT_EQ(1, model->m_nDeviceCount);
    model->m_nCurrentDevice = 0;
    ASSERT_EQ(1, model->LoadCurrentDevice());
    model->SetDeviceActive(1);
    // As the General page loads a pad: the mouse stick's calibration words from the device.
    model->SelectAnalog(model->IsMouseEnabled() == 1 ? model->GetAnalogSelection() : -1);
    model->SaveCurrentDevice();  // the key as the model writes it: what a restore must give back
    userValues = KeyValues(pad->KeyPath());
    ASSERT_EQ(1, userValues["RightAnalog"].at(0));
    ASSERT_EQ(200, userValues["ForceFeedBack"].at(0)) << "the model read every value";
    g_nHandleSlots = kDeviceSlots;
    g_dwWaitTimeout = 0;
    CDeviceThread::GetInstance()->Start();
    Centre();
}

void PadFixture::WriteUserSettings(const std::string& keyPath)
{
    // A user's settings: every button bound to a key, the right stick as mouse, force on.
    Bytes kinds(32, 1), codes(32);
    for (int i = 0; i < 32; ++i)
        codes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0x10 + i);
    SetKeyValue(keyPath, "KeyConfig", kinds);
    SetKeyValue(keyPath, "KeyMap", codes);
    SetKeyValue(keyPath, "Sensitivity", {1, 120, 1});
    SetKeyValue(keyPath, "ForceFeedBack", {200, 1, 1});
    Bytes rightAnalog(21, 0);
    rightAnalog[0] = 1;
    SetKeyValue(keyPath, "RightAnalog", rightAnalog);
    SetKeyValue(keyPath, "LeftAnalog", Bytes(21, 0));
}

PadFixture::Values PadFixture::KeyValues(const std::string& keyPath)
{
    Values values;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (const CDriverValue& value : kDriverValues) {
        BYTE buffer[64];
        DWORD size = sizeof buffer;
        if (::RegQueryValueExA(key, value.name, nullptr, nullptr, buffer, &size) == ERROR_SUCCESS)
            values[value.name] = Bytes(buffer, buffer + size);
    }
    ::RegCloseKey(key);
    return values;
}

bool PadFixture::WaitForReload(std::size_t count) const
{
    return pad->WaitForReloads(count + 1, 5000);
}

PadFixture::Values PadFixture::LastReload() const
{
    const auto reloads = pad->Reloads();
    return reloads.empty() ? Values{} : reloads.back().values;
}

bool PadFixture::IsNeutral(const Values& values)
{
    const auto kinds = values.find("KeyConfig");
    const auto codes = values.find("KeyMap");
    const auto right = values.find("RightAnalog");
    if (kinds == values.end() || codes == values.end() || right == values.end() || kinds->second.size() < 28 ||
        codes->second.size() < 28 || right->second.empty())
        return false;
    for (std::size_t i = 0; i < 28; ++i) {
        if (kinds->second[i] != 0 || codes->second[i] != 0)
            return false;
    }
    return right->second[0] == 0;
}

void PadFixture::Move(const std::function<void(DIJOYSTATE2&)>& change) const
{
    DIJOYSTATE2 state = pad->State();
    change(state);
    pad->SetState(state);
}

void PadFixture::Centre() const
{
    Move([](DIJOYSTATE2& s) {
        s.lX = s.lY = s.lZ = s.lRz = 32767;
        s.rgdwPOV[0] = 0xFFFFFFFF;
        for (BYTE& button : s.rgbButtons)
            button = 0;
    });
}

std::vector<std::string> PadFixture::Shown() const
{
    std::vector<std::string> shown;
    for (const auto& message : messages.messages())
        shown.push_back("[" + message.caption + "] " + message.text);
    return shown;
}

int PadFixture::CountShown(const std::string& text) const
{
    int count = 0;
    for (const auto& message : messages.messages())
        count += message.text == text ? 1 : 0;
    return count;
}
