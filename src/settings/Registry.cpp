#include "settings/Registry.h"

#include <algorithm>
#include <iterator>
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
    // The blocks in the order of kDriverValues. The driver reads "LALA" as a second copy of the
    // left stick: it must match "LeftAnalog" exactly.
    const CByteArray* const blocks[] = {&m_KeyConfig,     &m_KeyMap,     &m_Sensitivity, &m_RightAnalog,
                                        &m_ForceFeedBack, &m_LeftAnalog, &m_LeftAnalog};
    static_assert(std::size(blocks) == std::size(kDriverValues));
    for (std::size_t i = 0; i < std::size(blocks); ++i) {
        if (!WriteBlock(kDriverValues[i].name, *blocks[i]))
            return 0;
    }
    return 1;
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
