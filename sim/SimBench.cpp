// The simulated machine: plugging and unplugging pads.
#include "SimBench.h"

#include <dbt.h>

#include "device/HidGuid.h"

#include <cstdio>
#include <cstring>

const char* const CSimBench::kWineMousePath =
    "\\\\?\\hid#vid_845e&pid_0001#0&0000&0&0#{4d1e55b2-f16f-11cf-88cb-001111000030}";
const char* const CSimBench::kWineKeyboardPath =
    "\\\\?\\hid#vid_845e&pid_0002#0&0000&0&0#{4d1e55b2-f16f-11cf-88cb-001111000030}";

namespace
{
const char kKeyRoot[] = "Software\\KinetraSim";
const char kInterfaceTail[] = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}

CSimBench& CSimBench::Get()
{
    static CSimBench* bench = new CSimBench;  // never destroyed: see the class comment
    return *bench;
}

CSimPadOptions CSimBench::Kind(const std::string& kind)
{
    CSimPadOptions options;
    options.kind = kind;
    if (kind == "wireless") {
        options.vendorId = 0x1267;
        options.productId = 0xA00A;
        options.upperFilters = {"KT_WL_Gamepad"};
        options.instanceName = "Kinetra Wireless Gamepad";
    } else if (kind == "plain") {
        options.upperFilters.clear();
        options.instanceName = "Kinetra Gamepad (no driver)";
    }
    return options;
}

std::string CSimBench::MakePath(const CSimPadOptions& options, int slot) const
{
    char head[160];
    std::snprintf(head, sizeof head, "\\\\.\\pipe\\KinetraSim-%lu#hid#vid_%04x&pid_%04x#",
                  static_cast<unsigned long>(::GetCurrentProcessId()), options.vendorId, options.productId);
    char tail[64];
    std::snprintf(tail, sizeof tail, "%d&0&%04d%s", 7, slot, kInterfaceTail);
    std::string path = head;
    // A stretched path grows in its middle, so paths of two pads differ only near their ends.
    const std::size_t natural = path.size() + std::strlen(tail);
    if (options.pathLength > natural)
        path.append(options.pathLength - natural, 'k');
    return path + tail;
}

int CSimBench::Plug(const std::string& kind)
{
    return Plug(Kind(kind));
}

int CSimBench::Plug(const CSimPadOptions& options)
{
    int slot = 0;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        slot = m_nNextSlot++;
    }
    return PlugAt(options, slot);
}

int CSimBench::PlugAt(const CSimPadOptions& options, int slot)
{
    const std::string path = MakePath(options, slot);
    const std::string withBackslash = path + "\\";
    const bool setupLonger = options.pathStyle == EPathStyle::kSetupApiBackslash;
    const bool inputLonger = options.pathStyle == EPathStyle::kDirectInputBackslash;
    char key[96];
    std::snprintf(key, sizeof key, "%s\\%lu-pad%d", kKeyRoot, static_cast<unsigned long>(::GetCurrentProcessId()),
                  slot);
    HKEY created = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr) ==
        ERROR_SUCCESS)
        ::RegCloseKey(created);
    // The device file carries the longer name when the two paths differ, as the program opens that one.
    auto pad = std::make_shared<CSimPad>(slot, options, setupLonger || inputLonger ? withBackslash : path,
                                         inputLonger ? withBackslash : path, setupLonger ? withBackslash : path, key);
    std::function<void(const std::string&)> log;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        log = m_log;
    }
    pad->Start(log);
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_pads.push_back(pad);
    }
    if (log)
        log("pad " + std::to_string(slot) + " plugged (" + options.kind + ")");
    Announce(pad->SetupApiPath(), DBT_DEVICEARRIVAL);
    return slot;
}

std::shared_ptr<CSimPad> CSimBench::Remove(int slot)
{
    std::shared_ptr<CSimPad> pad;
    std::function<void(const std::string&)> log;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        for (auto it = m_pads.begin(); it != m_pads.end(); ++it) {
            if ((*it)->Slot() == slot) {
                pad = *it;
                m_pads.erase(it);
                break;
            }
        }
        log = m_log;
    }
    if (!pad)
        return nullptr;
    pad->Stop();
    if (log)
        log("pad " + std::to_string(slot) + " unplugged");
    Announce(pad->SetupApiPath(), DBT_DEVICEREMOVECOMPLETE);
    return pad;
}

void CSimBench::Unplug(int slot)
{
    if (const std::shared_ptr<CSimPad> pad = Remove(slot)) {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, pad->KeyPath().c_str());
        ::RegDeleteKeyA(HKEY_CURRENT_USER, pad->KeyPath().c_str());
    }
}

bool CSimBench::Replug(int slot)
{
    const std::shared_ptr<CSimPad> pad = Remove(slot);
    return pad && PlugAt(pad->Options(), slot) == slot;
}

void CSimBench::UnplugAll()
{
    for (const auto& pad : Pads())
        Unplug(pad->Slot());
}

std::shared_ptr<CSimPad> CSimBench::Pad(int slot) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    for (const auto& pad : m_pads) {
        if (pad->Slot() == slot)
            return pad;
    }
    return nullptr;
}

std::vector<std::shared_ptr<CSimPad>> CSimBench::Pads() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_pads;
}

void CSimBench::SetLog(std::function<void(const std::string&)> log)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_log = std::move(log);
}

void CSimBench::Announce(const std::string& path, WPARAM event) const
{
    if (!m_hArrivalWindow)
        return;
    // The broadcast carries the interface path after its fixed part, as the system's does.
    std::vector<char> buffer(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) + path.size() + 1, '\0');
    auto* broadcast = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(buffer.data());
    broadcast->dbcc_size = static_cast<DWORD>(buffer.size());
    broadcast->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    ::HidD_GetHidGuid(&broadcast->dbcc_classguid);
    std::memcpy(broadcast->dbcc_name, path.c_str(), path.size() + 1);
    ::SendMessageA(m_hArrivalWindow, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(broadcast));
}

std::string HexBytes(const std::vector<std::uint8_t>& bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (auto b : bytes) {
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 0x0F]);
    }
    return hex;
}
