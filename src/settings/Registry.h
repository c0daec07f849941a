#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "settings/SettingsLayout.h"

// Growable byte array holding one settings block; sized once by the settings model.
using CByteArray = std::vector<std::uint8_t>;

// The six settings blocks of one gamepad, their backups, and their transfer to and from the
// REG_BINARY values under the gamepad's device-interface key.
class CRegistry
{
public:
    CRegistry() = default;
    virtual ~CRegistry() = default;

    // Writes "KeyConfig", "KeyMap", "Sensitivity", "RightAnalog", "ForceFeedBack",
    // "LeftAnalog" and "LALA" in that order; 0 at the first value that could not be set.
    int WriteValues();

    // Reads "KeyMap", "KeyConfig", the two stick flags, "Sensitivity" and "ForceFeedBack";
    // 0 at the first value that could not be read.
    int ReadValues();
    // The two stick blocks whole, calibration words too, as the key holds them: what a restored
    // profile brings, so that no step writes back words the model held for another pad (or
    // none). A value of another size leaves its block as it was.
    void ReadStickBlocks();

    CByteArray m_LeftAnalog;
    CByteArray m_RightAnalog;
    CByteArray m_ForceFeedBack;
    CByteArray m_KeyConfig;
    CByteArray m_KeyMap;
    CByteArray m_Sensitivity;
    HKEY m_hDeviceKey = nullptr;  // not owned: the device layer opens and keeps the key
    CByteArray m_LeftAnalogBackup;
    CByteArray m_RightAnalogBackup;
    CByteArray m_ForceFeedBackBackup;
    CByteArray m_KeyConfigBackup;
    CByteArray m_KeyMapBackup;
    CByteArray m_SensitivityBackup;

private:
    bool WriteBlock(const char* name, const CByteArray& block) const;
};

// The six settings blocks of one gamepad, taken out of a model or put into one.
struct CSettingsBlocks
{
    CByteArray leftAnalog, rightAnalog, forceFeedBack, keyConfig, keyMap, sensitivity;

    static CSettingsBlocks Of(const CRegistry& r)
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
