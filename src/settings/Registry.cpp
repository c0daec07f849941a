#include "settings/Registry.h"

#include <algorithm>

bool CRegistry::WriteBlock(const char* name, const CByteArray& block) const
{
    if (block.empty())
        return true;  // a block the model never sized has nothing to say
    const LSTATUS status = ::RegSetValueExA(m_hDeviceKey, name, 0, REG_BINARY, block.data(),
                                            static_cast<DWORD>(block.size()));
    return status == ERROR_SUCCESS;
}

int CRegistry::WriteValues()
{
    const struct
    {
        const char* name;
        const CByteArray* block;
    } order[] = {
        {"KeyConfig", &m_KeyConfig},         {"KeyMap", &m_KeyMap},
        {"Sensitivity", &m_Sensitivity},     {"RightAnalog", &m_RightAnalog},
        {"ForceFeedBack", &m_ForceFeedBack}, {"LeftAnalog", &m_LeftAnalog},
    };
    for (const auto& value : order) {
        if (!WriteBlock(value.name, *value.block))
            return 0;
    }
    // The driver reads this second copy of the left stick; it must match "LeftAnalog" exactly.
    const LSTATUS status = ::RegSetValueExA(m_hDeviceKey, "LALA", 0, REG_BINARY, m_LeftAnalog.data(),
                                            static_cast<DWORD>(m_LeftAnalog.size()));
    return status == ERROR_SUCCESS ? 1 : 0;
}

bool CRegistry::ReadBlock(const char* name, std::size_t bufferSize, std::size_t count, CByteArray& block) const
{
    std::uint8_t buffer[kKeyTableSize] = {};
    DWORD size = static_cast<DWORD>(bufferSize);
    const LSTATUS status = ::RegQueryValueExA(m_hDeviceKey, name, nullptr, nullptr, buffer, &size);
    if (status != ERROR_SUCCESS)
        return false;
    if (block.size() < count)
        block.resize(count);
    std::copy_n(buffer, count, block.begin());
    return true;
}

int CRegistry::ReadValues()
{
    // The calibration words of the stick blocks come from the live device, never from the
    // key, so only their flag byte is taken.
    const bool ok = ReadBlock("KeyMap", kKeyTableSize, kKeyTableSize, m_KeyMap) &&
                    ReadBlock("KeyConfig", kKeyTableSize, kKeyTableSize, m_KeyConfig) &&
                    ReadBlock("RightAnalog", kAnalogBlockSize, 1, m_RightAnalog) &&
                    ReadBlock("LeftAnalog", kAnalogBlockSize, 1, m_LeftAnalog) &&
                    ReadBlock("Sensitivity", kSensitivitySize, kSensitivitySize, m_Sensitivity) &&
                    ReadBlock("ForceFeedBack", kForceFeedBackSize, kForceFeedBackSize, m_ForceFeedBack);
    return ok ? 1 : 0;
}
