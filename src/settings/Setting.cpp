#include "settings/Setting.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <stdexcept>

#include "device/DeviceThread.h"
#include "framework/MessageBox.h"
#include "settings/ConfigFolder.h"

char g_szExeDir[MAX_PATH] = {};
char g_szConfigDir[MAX_PATH] = {};

namespace
{
void SizeBlocks(CRegistry& r)
{
    for (auto* block : {&r.m_LeftAnalog, &r.m_RightAnalog, &r.m_LeftAnalogBackup, &r.m_RightAnalogBackup})
        block->assign(kAnalogBlockSize, 0);
    for (auto* block : {&r.m_ForceFeedBack, &r.m_ForceFeedBackBackup})
        block->assign(kForceFeedBackSize, 0);
    for (auto* block : {&r.m_KeyConfig, &r.m_KeyMap, &r.m_KeyConfigBackup, &r.m_KeyMapBackup})
        block->assign(kKeyTableSize, 0);
    for (auto* block : {&r.m_Sensitivity, &r.m_SensitivityBackup})
        block->assign(kSensitivitySize, 0);
}

bool IsDirectory(const char* path)
{
    const DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
}

int PrepareConfigDir(const char* moduleFile)
{
    char path[MAX_PATH] = {};
    if (moduleFile)
        lstrcpynA(path, moduleFile, MAX_PATH);
    else
        ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* lastSlash = std::strrchr(path, '\\');
    if (lastSlash)
        lastSlash[1] = '\0';
    else
        path[0] = '\0';
    static const char kConfig[] = "config";
    if (std::strlen(path) + sizeof(kConfig) > MAX_PATH)
        return 0;
    std::strcpy(g_szExeDir, path);
    std::strcpy(g_szConfigDir, path);
    std::strcat(g_szConfigDir, kConfig);
    if (::CreateDirectoryA(g_szConfigDir, nullptr))
        return 1;
    // "Already exists" is only good news when what exists is a folder, not a file.
    return ::GetLastError() == ERROR_ALREADY_EXISTS && IsDirectory(g_szConfigDir) ? 1 : 0;
}

namespace
{
std::atomic<CSetting*> g_pMadeSetting{nullptr};
}

CSetting* CSetting::GetInstance()
{
    static CSetting instance;
    g_pMadeSetting.store(&instance);
    return &instance;
}

CSetting* CSetting::ExistingInstance()
{
    return g_pMadeSetting.load();
}

CSetting::CSetting(const char* moduleFile)
{
    SizeBlocks(*this);
    if (!PrepareConfigDir(moduleFile))
        throw std::runtime_error("Failed to create directory");
    ScanProfiles();
}

HKEY CSetting::GetDeviceKey(int index) const
{
    if (index < 0 || index >= m_nDeviceCount || index >= kDeviceSlots)
        return nullptr;
    return m_hDeviceKeys[index];
}

bool CSetting::IsProgrammablePad(int slot) const
{
    return slot >= 0 && slot < m_nDeviceCount && slot < kDeviceSlots && m_bProgrammable[slot] == 1 &&
           GetDeviceKey(slot) != nullptr;
}

void CSetting::SetDeviceActive(int active)
{
    m_bDeviceActive = active;
}

int CSetting::SaveCurrentDevice()
{
    m_hDeviceKey = GetDeviceKey(m_nCurrentDevice);
    if (!m_hDeviceKey) {
        CMessageBox::Show(nullptr, "InValid Registry Key from Current Device!", "", MB_OK);
        return 0;
    }
    if (!WriteValues())
        CMessageBox::Show(nullptr, "UpdateDataResgistry Failed!!!", "Error", MB_OK);
    return 1;
}

int CSetting::LoadCurrentDevice()
{
    m_hDeviceKey = GetDeviceKey(m_nCurrentDevice);
    if (m_hDeviceKey == reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE)) {
        CMessageBox::Show(nullptr, "INVALID HKEY HANDLE", "Error", MB_OK);
        return 0;
    }
    ReadValues();
    if (!m_strHeldPad.empty() && SlotOfPad(m_strHeldPad) == m_nCurrentDevice)
        m_heldBlocks.Into(*this);
    return 1;
}

int CSetting::WriteBlocksTo(int slot, const CSettingsBlocks& blocks)
{
    const HKEY key = GetDeviceKey(slot);
    if (!key)
        return 0;
    const CSettingsBlocks own = CSettingsBlocks::Of(*this);
    const HKEY ownKey = m_hDeviceKey;
    blocks.Into(*this);
    m_hDeviceKey = key;
    const int written = WriteValues();
    own.Into(*this);
    m_hDeviceKey = ownKey;
    return written;
}

void CSetting::TakeKeyWithPadWords()
{
    LoadCurrentDevice();
    ReadStickBlocks();
    SetLeftAnalog(-1);
    SetRightAnalog(-1);
    SaveCurrentDevice();
}

void CSetting::RequestDriverUpdate()
{
    // The worker is held still so the flag never lands in the middle of its cycle.
    CDeviceThread* worker = CDeviceThread::GetInstance();
    worker->Suspend();
    g_nUpdateRegistry.store(1);
    worker->Resume();
}

void CSetting::SetKeyConfig(int index, int kind)
{
    const int value = KeyConfigByteForKind(kind);
    if (value >= 0)
        m_KeyConfig[index] = static_cast<std::uint8_t>(value);
}

void CSetting::SetKeyMap(int index, BYTE code)
{
    m_KeyMap[index] = code;
}

void CSetting::SetSensitivity(int keystroke, int speed, int third)
{
    m_Sensitivity[0] = static_cast<std::uint8_t>(keystroke);
    m_Sensitivity[1] = static_cast<std::uint8_t>(speed);
    m_Sensitivity[2] = static_cast<std::uint8_t>(third);
}

void CSetting::SetForceFeedback(int enable, int level, int mode)
{
    // Switching vibration off keeps the level and mode for when it is switched on again.
    if (enable == 0) {
        m_ForceFeedBack[2] = 0;
        return;
    }
    m_ForceFeedBack[2] = 1;
    m_ForceFeedBack[1] = static_cast<std::uint8_t>(mode);
    m_ForceFeedBack[0] = static_cast<std::uint8_t>(level);
}

void CSetting::SelectAnalog(int stick)
{
    switch (stick) {
    case 0:
        SetRightAnalog(0);
        SetLeftAnalog(1);
        break;
    case 1:
        SetRightAnalog(1);
        SetLeftAnalog(0);
        break;
    case -1:
        SetRightAnalog(0);
        SetLeftAnalog(0);
        break;
    default: break;
    }
}

void CSetting::SetLeftAnalog(int mode)
{
    SetAnalog(m_LeftAnalog, mode, 1);
}

void CSetting::SetRightAnalog(int mode)
{
    SetAnalog(m_RightAnalog, mode, 3);
}

void CSetting::ClearAll()
{
    for (auto* block : {&m_LeftAnalog, &m_RightAnalog, &m_ForceFeedBack, &m_KeyConfig, &m_KeyMap, &m_Sensitivity})
        std::fill(block->begin(), block->end(), 0);
}

void CSetting::ResetMapping()
{
    if (m_bDeviceActive == 0 || m_nDeviceCount <= 0)
        return;
    SetRightAnalog(0);
    SetLeftAnalog(0);
    // Button, direction pad, tilt and the four further inputs; 28..31 are left as stored.
    for (int index = 0; index < 28; ++index) {
        SetKeyConfig(index, 3);
        SetKeyMap(index, 0);
    }
}

void CSetting::Backup()
{
    m_LeftAnalogBackup = m_LeftAnalog;
    m_RightAnalogBackup = m_RightAnalog;
    m_ForceFeedBackBackup = m_ForceFeedBack;
    m_KeyConfigBackup = m_KeyConfig;
    m_KeyMapBackup = m_KeyMap;
    m_SensitivityBackup = m_Sensitivity;
}

void CSetting::Restore()
{
    m_LeftAnalog = m_LeftAnalogBackup;
    m_RightAnalog = m_RightAnalogBackup;
    m_ForceFeedBack = m_ForceFeedBackBackup;
    m_KeyConfig = m_KeyConfigBackup;
    m_KeyMap = m_KeyMapBackup;
    m_Sensitivity = m_SensitivityBackup;
}

int CSetting::IsMouseEnabled() const
{
    return (m_LeftAnalog[0] == 1 || m_RightAnalog[0] == 1) ? 1 : 0;
}

int CSetting::GetAnalogSelection() const
{
    if (m_LeftAnalog[0] == 1 && m_RightAnalog[0] == 0)
        return 0;
    if (m_LeftAnalog[0] == 0 && m_RightAnalog[0] == 1)
        return 1;
    return -1;
}

int CSetting::GetSensitivity(int which) const
{
    return m_Sensitivity[which];
}

int CSetting::GetKeystrokeMode() const
{
    return KeystrokeModeFromByte(m_Sensitivity[0]);
}

int CSetting::IsForceFeedbackEnabled() const
{
    return m_ForceFeedBack[2] != 0 ? 1 : 0;
}

int CSetting::GetForceFeedback(int which) const
{
    if (which == 1)
        return m_ForceFeedBack[1];
    // A stored level of 0 reads back as 254.
    return m_ForceFeedBack[0] == 0 ? 254 : m_ForceFeedBack[0];
}

void CSetting::ScanProfiles()
{
    m_ProfileFiles.clear();
    m_nProfileCount = 0;
    char pattern[MAX_PATH + 2];
    wsprintfA(pattern, "%s\\*", g_szConfigDir);
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;  // also skips "." and ".."
        if (::lstrcmpiA(found.cFileName, kProgramRulesFile) == 0 || ::lstrcmpiA(found.cFileName, kShortcutsFile) == 0)
            continue;  // the Programs and Shortcuts pages' files, no profiles
        m_ProfileFiles.emplace_back(found.cFileName);
        ++m_nProfileCount;
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
}
