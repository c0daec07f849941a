#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "settings/Registry.h"
#include "settings/SettingsLayout.h"

struct IDirectInputDevice8A;
class CDIDevice;

extern char g_szExeDir[MAX_PATH];     // the program's folder, with a trailing backslash
extern char g_szConfigDir[MAX_PATH];  // g_szExeDir + "config", where the profiles live

// The one model of the selected gamepad's settings, the device table, and the profile folder.
class CSetting : public CRegistry
{
public:
    static CSetting* GetInstance();
    // The one model if something has made it already, else null: discovery must not make it
    // (and with it the config folder) before the pads are matched.
    static CSetting* ExistingInstance();

    // Builds a model whose folders derive from `moduleFile` (the program file when null).
    // Throws std::runtime_error("Failed to create directory") when the config folder cannot
    // be made; that is the only failure the model reports by exception.
    explicit CSetting(const char* moduleFile = nullptr);

    // Device table and current device
    HKEY GetDeviceKey(int index) const;
    void SetDeviceActive(int active);
    CDIDevice* GetCurrentDevice() const;
    int HasDevice(IDirectInputDevice8A* device) const;
    // Whether a profile can be loaded into the pad in `slot`: a programmable pad whose key is open.
    bool IsProgrammablePad(int slot) const;
    // A pad's identity, which outlives device refreshes: empty for an empty slot.
    std::string PadIdOf(int slot) const;
    // The identity of the loaded pad; empty when none is loaded.
    std::string CurrentPadId() const;
    // The slot the pad `id` is in now; -1 when it is not in the table (or `id` is empty).
    int SlotOfPad(const std::string& id) const;
    // Closes the worker's handles, rediscovers the pads and rebuilds the table; 0 when
    // matching or the table update failed (after its message). The model is made by the
    // table update, not before, so a failure before it leaves no config folder behind.
    static int RefreshDevices();

    // Persistence
    int SaveCurrentDevice();
    int LoadCurrentDevice();
    // The current pad's key read, both sticks given the pad's own calibration words (the key's
    // may be another pad's, or none), and written back: how a load leaves the key.
    void TakeKeyWithPadWords();
    void RequestDriverUpdate();
    // Writes `blocks` into the key of the pad in `slot`; the model's own blocks and key stay
    // as they are. 0 when the slot has no key or a value could not be written.
    int WriteBlocksTo(int slot, const CSettingsBlocks& blocks);

    // Editing
    void SetKeyConfig(int index, int kind);
    void SetKeyMap(int index, BYTE code);
    void SetSensitivity(int keystroke, int speed, int third);
    void SetForceFeedback(int enable, int level, int mode);
    void SelectAnalog(int stick);
    void SetLeftAnalog(int mode);
    void SetRightAnalog(int mode);
    void ClearAll();
    void ResetMapping();
    void Backup();
    void Restore();

    // Queries
    int IsMouseEnabled() const;
    int GetAnalogSelection() const;
    int GetSensitivity(int which) const;
    int GetKeystrokeMode() const;
    int IsForceFeedbackEnabled() const;
    int GetForceFeedback(int which) const;

    // Profile folder
    void ScanProfiles();

    short m_nDeviceCount = 0;
    short m_nCurrentDevice = 0;
    int m_bDeviceActive = 0;
    HANDLE m_hDeviceFile[kDeviceSlots] = {};
    HKEY m_hDeviceKeys[kDeviceSlots] = {};
    const char* m_pszDeviceName[kDeviceSlots] = {};  // into the device objects; not owned
    int m_bProgrammable[kDeviceSlots] = {};
    int m_nProfileCount = 0;
    // While a test window runs, the tested pad's key holds the neutral settings. Its user's
    // own are held here, and a load of that pad (the sheet taking it again after a device
    // refresh) reads them instead, so that neutral bytes never pass for the user's.
    std::string m_strHeldPad;
    CSettingsBlocks m_heldBlocks;
    std::vector<std::string> m_ProfileFiles;

private:
    // Sets the stick's flag byte (1, 0, or -1 to keep it) and refreshes its calibration
    // words from the current device's axes `firstAxis` and `firstAxis + 1`.
    void SetAnalog(CByteArray& block, int mode, int firstAxis);
};

// The one settings model, as every page, dialog and the shell reach it.
inline CSetting& Model()
{
    return *CSetting::GetInstance();
}

// Derives g_szExeDir and g_szConfigDir from the program file's path and makes sure the
// config folder exists; 0 when it does not and cannot be created.
int PrepareConfigDir(const char* moduleFile);
