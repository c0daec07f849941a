#include "settings/Registry.h"

#include <algorithm>
#include <utility>

#include "settings/ValueRead.h"

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

int CRegistry::ReadValues()
{
    CByteArray* const blocks[kValueReadCount] = {&m_KeyMap,     &m_KeyConfig,   &m_RightAnalog,
                                                 &m_LeftAnalog, &m_Sensitivity, &m_ForceFeedBack};
    // The stored type is not looked at: a value is its bytes.
    return ReadValueSet(blocks, [this](const char* name, std::span<std::uint8_t> buffer) -> std::optional<std::size_t> {
        DWORD size = static_cast<DWORD>(buffer.size());
        const LSTATUS status = ::RegQueryValueExA(m_hDeviceKey, name, nullptr, nullptr, buffer.data(), &size);
        if (status == ERROR_SUCCESS)
            return size;
        // Too long for the buffer, whatever length the call reports with it.
        if (status == ERROR_MORE_DATA)
            return std::max<std::size_t>(size, buffer.size() + 1);
        return std::nullopt;
    });
}

void CRegistry::ReadStickBlocks()
{
    for (auto [name, block] : {std::pair{"LeftAnalog", &m_LeftAnalog}, std::pair{"RightAnalog", &m_RightAnalog}}) {
        CByteArray bytes(kAnalogBlockSize);
        DWORD size = static_cast<DWORD>(bytes.size());
        if (::RegQueryValueExA(m_hDeviceKey, name, nullptr, nullptr, bytes.data(), &size) == ERROR_SUCCESS &&
            size == bytes.size())
            *block = bytes;
    }
}
