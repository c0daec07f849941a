// Kinetra on simulated pads and driver: the whole program, for a machine with no pad.
// Standard input takes one command a line:
//   plug wired|wireless|plain [quiet]   a pad arrives (the hidden window hears it as from
//                               Windows; quiet: no broadcast reaches the window)
//   unplug <pad> [quiet]        that pad leaves (quiet: no broadcast reaches the window)
//   replug <pad>                that pad pulled out and plugged into the same port again: the
//                               same device and key; prints "replugged <pad>"
//   eject                       a storage volume leaves: a removal broadcast that is no pad's;
//                               prints "ejected" once the window handled it
//   config                      the tray's "&Configuration"
//   status                      prints "status devices=<n> timeout=<ms> active=<0|1>"
//   table                       prints "table devices=<n> names=<a>|<b>..." (the device table's
//                               names, slot by slot)
//   resources                   prints "resources handles=<n> gdi=<n> user=<n> probed-handles=<n>
//                               probed-gdi=<n> windows=<n> gdi-kinds=pen:<n>,... handle-kinds=
//                               key:<n>,...,other:<n>(Event:<n>,...) sim-objects=<n> sim-pads=<n>
//                               sim-abandoned=<n>": the system's counts of this process's handles
//                               and GDI and USER objects, the same found by trying every handle
//                               value (also by kind, other handles by object type) and counting
//                               the process's windows, and the simulator's live objects, pads and
//                               connections left running when their pad left
//   windows                     prints "window <class> "<caption>" visible|hidden enabled|disabled"
//                               for each top-level window of this process, then "windows end"
//   page <n>                    the open sheet shows its tab n; prints "page <n> <tab caption>"
//                               or "page <n> none" (scripts/screenshots walks the tabs so)
//   click <id>                  clicks control <id> of the sheet's current page, or of the
//                               sheet itself (12321: Apply)
//   select <row>                selects that row of the General page's pad list, as a click would
//   close <caption>             closes the dialog of that caption as its Cancel would
//   axis <pad> X|Y|Z|Rz <0-65535>   a stick moves (Z and Rz: the right stick)
//   press <pad> <1-12>          a button goes down
//   release <pad> <1-12>        it comes up again
//   hat <pad> <0-31500|centre>  the direction pad, in hundredths of a degree from up
//   calibration <pad> fails|reads   whether the pad's axis calibration can be read
//   quit                        the tray's "&Quit"
// KINETRA_SIM_FAULTS=interfaces makes the HID interface set refuse to open, so matching the
// pads fails from the start.
// Every driver reload prints one line "reload <pad> KeyConfig=<hex> ... LALA=<hex>", and every
// change of the force a pad receives one line "effect <pad> magnitude=<m> direction=<a>,<b>
// gain=<g>".
#include <windows.h>

#include <commctrl.h>
#include <dbt.h>
#include <winternl.h>

#include <atomic>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "SimBench.h"
#include "app/AppGlobals.h"
#include "device/DeviceThread.h"
#include "app/Main.h"
#include "resource.h"
#include "settings/Setting.h"

namespace
{
constexpr UINT WM_DEMO_STATUS = WM_APP + 0x4B;

std::mutex g_outputLock;
std::atomic<bool> g_bQuitting{false};
WNDPROC g_pfnMainProc = nullptr;

void PrintLine(const std::string& line)
{
    std::lock_guard<std::mutex> hold(g_outputLock);
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string ReloadLine(int pad, const CSimReload& reload)
{
    std::string line = "reload " + std::to_string(pad);
    for (const CDriverValue& value : kDriverValues) {
        const auto read = reload.values.find(value.name);
        line += std::string(" ") + value.name + "=" + (read == reload.values.end() ? "" : HexBytes(read->second));
    }
    return line;
}

std::string EffectLine(int pad, const CSimEffectEvent& event)
{
    std::string direction;
    for (std::size_t i = 0; i < event.direction.size(); ++i) {
        if (i)
            direction += ',';
        direction += std::to_string(event.direction[i]);
    }
    return "effect " + std::to_string(pad) + " magnitude=" + std::to_string(event.magnitude) +
           " direction=" + direction + " gain=" + std::to_string(event.gain);
}

// The force a pad receives changes with a parameter update that sends other values than the
// last one printed; the same values sent again at every tick are not news.
void PrintEffectChanges(const CSimPad& pad, std::size_t& done, std::string& last)
{
    const auto effects = pad.EffectEvents();
    for (; done < effects.size(); ++done) {
        if (effects[done].what != "set")
            continue;
        const std::string line = EffectLine(pad.Slot(), effects[done]);
        if (line != last)
            PrintLine(line);
        last = line;
    }
}

// Follows every pad's driver and force effects and prints each reload and each change of
// force once, in the order they happen per pad.
void WatchPads()
{
    struct CWatched
    {
        std::weak_ptr<CSimPad> pad;
        std::size_t reloads = 0;
        std::size_t effects = 0;
        std::string lastEffect;
    };
    std::map<int, CWatched> watched;
    while (!g_bQuitting) {
        for (const auto& pad : CSimBench::Get().Pads()) {
            CWatched& seen = watched[pad->Slot()];
            // A pad plugged in again is another device object with a record of its own.
            if (seen.pad.lock() != pad) {
                seen = CWatched();
                seen.pad = pad;
            }
            const auto reloads = pad->Reloads();
            for (; seen.reloads < reloads.size(); ++seen.reloads)
                PrintLine(ReloadLine(pad->Slot(), reloads[seen.reloads]));
            PrintEffectChanges(*pad, seen.effects, seen.lastEffect);
        }
        ::Sleep(10);
    }
}

// A person's hand on the pad: one change of its state, which DirectInput also buffers.
bool MovePad(const std::string& command, const std::string& padText, const std::string& what, const std::string& value)
{
    const auto pad = CSimBench::Get().Pad(std::atoi(padText.c_str()));
    if (!pad)
        return false;
    DIJOYSTATE2 state = pad->State();
    const int number = std::atoi(what.c_str());
    if (command == "axis") {
        const LONG position = std::atol(value.c_str());
        if (position < 0 || position > 65535)
            return false;
        LONG* axis = what == "X"    ? &state.lX
                     : what == "Y"  ? &state.lY
                     : what == "Z"  ? &state.lZ
                     : what == "Rz" ? &state.lRz
                                    : nullptr;
        if (!axis)
            return false;
        *axis = position;
    } else if (command == "press" || command == "release") {
        if (number < 1 || number > 12)
            return false;
        state.rgbButtons[number - 1] = command == "press" ? 0x80 : 0;
    } else {  // hat
        const long angle = std::atol(what.c_str());
        const bool centre = what == "centre";
        const bool digits = !what.empty() && what.find_first_not_of("0123456789") == std::string::npos;
        if (!centre && (!digits || angle > 31500 || angle % 4500 != 0))
            return false;
        state.rgdwPOV[0] = centre ? 0xFFFFFFFFu : static_cast<DWORD>(angle);
    }
    pad->SetState(state);
    return true;
}

// Answers "status" on the window's own thread, where the device table lives.
LRESULT CALLBACK DemoWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_DEMO_STATUS)
        return ::CallWindowProcA(g_pfnMainProc, window, message, wParam, lParam);
    const CSetting* model = CSetting::GetInstance();
    if (wParam == 1) {
        std::string names;
        for (int slot = 0; slot < model->m_nDeviceCount && slot < kDeviceSlots; ++slot)
            names += std::string(slot ? "|" : "") + (model->m_pszDeviceName[slot] ? model->m_pszDeviceName[slot] : "");
        PrintLine("table devices=" + std::to_string(model->m_nDeviceCount) + " names=" + names);
        return 0;
    }
    PrintLine("status devices=" + std::to_string(model->m_nDeviceCount) + " timeout=" +
              std::to_string(g_dwWaitTimeout.load()) + " active=" + std::to_string(model->m_bDeviceActive));
    return 0;
}

// The object type of a handle ("Event", "Semaphore", ...), so that a growth of "other" handles
// can be told apart; empty when the system does not say.
std::string ObjectTypeOf(HANDLE handle)
{
    using QueryObject = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    // Through void*: the name's type is only known here, not to GetProcAddress.
    static const auto query = reinterpret_cast<QueryObject>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
    constexpr int kObjectTypeInformation = 2;
    alignas(8) BYTE buffer[1024] = {};
    ULONG length = 0;
    if (!query || query(handle, kObjectTypeInformation, buffer, sizeof buffer, &length) < 0)
        return "";
    const auto* name = reinterpret_cast<const UNICODE_STRING*>(buffer);
    std::string type;
    for (USHORT i = 0; name->Buffer && i < name->Length / 2; ++i)
        type += static_cast<char>(name->Buffer[i]);
    return type;
}

// Kernel handles are multiples of four; one that answers GetHandleInformation is open.
// `kinds` gets how many of them are registry keys, files and pipes, threads, and other objects
// (these by object type).
int ProbeHandles(std::string& kinds)
{
    int count = 0, keys = 0, files = 0, threads = 0;
    std::map<std::string, int> others;  // by object type
    DWORD flags = 0;
    for (ULONG_PTR value = 4; value < 0x40000; value += 4) {
        const auto handle = reinterpret_cast<HANDLE>(value);
        if (!::GetHandleInformation(handle, &flags))
            continue;
        ++count;
        DWORD subkeys = 0;
        if (::RegQueryInfoKeyA(reinterpret_cast<HKEY>(handle), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
            ++keys;
        else if (::GetFileType(handle) != FILE_TYPE_UNKNOWN || ::GetLastError() == NO_ERROR)
            ++files;
        else if (::GetThreadId(handle))
            ++threads;
        else
            ++others[ObjectTypeOf(handle)];
    }
    std::string types;
    for (const auto& [type, n] : others)
        types += (types.empty() ? "" : ",") + type + ":" + std::to_string(n);
    kinds = "key:" + std::to_string(keys) + ",file:" + std::to_string(files) + ",thread:" + std::to_string(threads) +
            ",other:" + std::to_string(count - keys - files - threads) + "(" + types + ")";
    return count;
}

// Wine finds a GDI object by the low word of its handle alone; Windows wants the whole handle,
// so there this finds nothing and GetGuiResources is the figure to read.
// `kinds` gets the count of each kind found, as "pen:3,brush:2,...", so a growth can be told apart.
int ProbeGdiObjects(std::string& kinds)
{
    static const char* const kKindNames[] = {"?",     "pen",    "brush",     "dc",          "metadc",
                                             "pal",   "font",   "bitmap",    "region",      "metafile",
                                             "memdc", "extpen", "enhmetadc", "enhmetafile", "colorspace"};
    constexpr DWORD kKinds = sizeof kKindNames / sizeof kKindNames[0];
    int count = 0, perKind[kKinds] = {};
    for (ULONG_PTR value = 1; value < 0x10000; ++value) {
        const DWORD kind = ::GetObjectType(reinterpret_cast<HGDIOBJ>(value));
        count += kind ? 1 : 0;
        ++perKind[kind < kKinds ? kind : 0];
    }
    for (DWORD kind = 1; kind < kKinds; ++kind)
        if (perKind[kind])
            kinds += std::string(kinds.empty() ? "" : ",") + kKindNames[kind] + ":" + std::to_string(perKind[kind]);
    return count;
}

BOOL CALLBACK CountChildWindow(HWND, LPARAM lParam)
{
    ++*reinterpret_cast<int*>(lParam);
    return TRUE;
}

BOOL CALLBACK CountOwnWindow(HWND window, LPARAM lParam)
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != ::GetCurrentProcessId())
        return TRUE;
    ++*reinterpret_cast<int*>(lParam);
    ::EnumChildWindows(window, CountChildWindow, lParam);
    return TRUE;
}

BOOL CALLBACK PrintOwnWindow(HWND window, LPARAM)
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    char className[64] = {}, title[128] = {};
    ::GetClassNameA(window, className, sizeof className);
    ::GetWindowTextA(window, title, sizeof title);
    if (process == ::GetCurrentProcessId())
        PrintLine(std::string("window ") + className + " \"" + title + "\"" +
                  (::IsWindowVisible(window) ? " visible" : " hidden") +
                  (::IsWindowEnabled(window) ? " enabled" : " disabled"));
    return TRUE;
}

void PrintResources()
{
    const HANDLE self = ::GetCurrentProcess();
    DWORD handles = 0;
    if (!::GetProcessHandleCount(self, &handles))
        handles = 0;
    int windows = 0;
    std::string kinds;
    const int gdi = ProbeGdiObjects(kinds);
    std::string handleKinds;
    const int probedHandles = ProbeHandles(handleKinds);
    ::EnumWindows(CountOwnWindow, reinterpret_cast<LPARAM>(&windows));
    PrintLine("resources handles=" + std::to_string(handles) +
              " gdi=" + std::to_string(::GetGuiResources(self, GR_GDIOBJECTS)) +
              " user=" + std::to_string(::GetGuiResources(self, GR_USEROBJECTS)) +
              " probed-handles=" + std::to_string(probedHandles) + " probed-gdi=" + std::to_string(gdi) +
              " windows=" + std::to_string(windows) + " gdi-kinds=" + kinds + " handle-kinds=" + handleKinds +
              " sim-objects=" + std::to_string(CSimBench::Get().LiveObjects()) +
              " sim-pads=" + std::to_string(CSimBench::Get().LivePads()) +
              " sim-abandoned=" + std::to_string(CSimBench::Get().AbandonedConnections()));
}

// What Windows broadcasts when a storage volume leaves.
void AnnounceVolumeRemoval(HWND window)
{
    DEV_BROADCAST_VOLUME volume = {};
    volume.dbcv_size = sizeof volume;
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = 1u << ('E' - 'A');
    ::SendMessageA(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&volume));
}

HWND WaitForMainWindow()
{
    while (!g_hMainWnd && !g_bQuitting)
        ::Sleep(20);
    return g_hMainWnd;
}

HWND OpenSheet()
{
    return ::FindWindowA(MAKEINTATOM(32770), "Kinetra");
}

std::string TabCaption(HWND sheet, int index)
{
    char text[128] = {};
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    HWND tabs = reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    if (!tabs || !::SendMessageA(tabs, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item)))
        return "none";
    return text;
}

void ShowPage(int index)
{
    HWND sheet = OpenSheet();
    const std::string caption = sheet ? TabCaption(sheet, index) : "none";
    if (caption != "none")
        ::SendMessageA(sheet, PSM_SETCURSEL, index, 0);
    PrintLine("page " + std::to_string(index) + " " + caption);
}

void ClickOnPage(int id)
{
    HWND sheet = OpenSheet();
    HWND page = sheet ? reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)) : nullptr;
    HWND control = page ? ::GetDlgItem(page, id) : nullptr;
    ::PostMessageA(control ? control : ::GetDlgItem(sheet, id), BM_CLICK, 0, 0);
    PrintLine("clicked " + std::to_string(id));
}

void SelectRow(int row)
{
    HWND sheet = OpenSheet();
    HWND page = sheet ? reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)) : nullptr;
    HWND list = page ? ::GetDlgItem(page, IDC_DEVICE_LIST) : nullptr;
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    ::SendMessageA(list, LVM_SETSELECTIONMARK, 0, row);
    PrintLine("selected " + std::to_string(row) + (list ? "" : " none"));
}

void RunCommand(HWND window, const std::string& line)
{
    std::istringstream words(line);
    std::string command, argument;
    words >> command >> argument;
    if (command == "plug") {
        std::string quiet;
        words >> quiet;
        if (quiet == "quiet")
            CSimBench::Get().SetArrivalWindow(nullptr);
        const int pad = CSimBench::Get().Plug(argument.empty() ? std::string("wired") : argument);
        CSimBench::Get().SetArrivalWindow(window);
        PrintLine("plugged " + std::to_string(pad) + " " + argument);
    } else if (command == "eject") {
        AnnounceVolumeRemoval(window);
        PrintLine("ejected");
    } else if (command == "resources") {
        PrintResources();
    } else if (command == "windows") {
        ::EnumWindows(PrintOwnWindow, 0);
        PrintLine("windows end");
    } else if (command == "unplug") {
        std::string quiet;
        words >> quiet;
        if (quiet == "quiet")
            CSimBench::Get().SetArrivalWindow(nullptr);
        CSimBench::Get().Unplug(std::atoi(argument.c_str()));
        CSimBench::Get().SetArrivalWindow(window);
        PrintLine("unplugged " + argument);
    } else if (command == "replug") {
        const bool replugged = CSimBench::Get().Replug(std::atoi(argument.c_str()));
        PrintLine(replugged ? "replugged " + argument : "bad replug: " + line);
    } else if (command == "config") {
        ::PostMessageA(window, WM_COMMAND, ID_CONFIGURATION, 0);
    } else if (command == "status") {
        ::SendMessageA(window, WM_DEMO_STATUS, 0, 0);
    } else if (command == "table") {
        ::SendMessageA(window, WM_DEMO_STATUS, 1, 0);
    } else if (command == "page") {
        ShowPage(std::atoi(argument.c_str()));
    } else if (command == "click") {
        ClickOnPage(std::atoi(argument.c_str()));
    } else if (command == "select") {
        SelectRow(std::atoi(argument.c_str()));
    } else if (command == "close") {
        const std::string caption = line.substr(line.find(' ') + 1);
        ::PostMessageA(::FindWindowA(MAKEINTATOM(32770), caption.c_str()), WM_COMMAND, IDCANCEL, 0);
        PrintLine("closed " + caption);
    } else if (command == "calibration") {
        // A pad whose calibration cannot be read: every load's refresh of the stick words fails.
        std::string how;
        words >> how;
        const auto pad = CSimBench::Get().Pad(std::atoi(argument.c_str()));
        if (pad)
            pad->SetFailCalibrationAxis(how == "fails" ? 1 : 0);
        PrintLine(pad ? "calibration " + argument + " " + how : "bad calibration: " + line);
    } else if (command == "axis" || command == "press" || command == "release" || command == "hat") {
        std::string what, value;
        words >> what >> value;
        if (!MovePad(command, argument, what, value))
            PrintLine("bad " + command + ": " + line);
    } else if (command == "quit") {
        ::PostMessageA(window, WM_COMMAND, ID_QUIT, 0);
    } else if (!command.empty()) {
        PrintLine("unknown command: " + command);
    }
}

void ReadCommands()
{
    const HWND window = WaitForMainWindow();
    if (!window)
        return;
    g_pfnMainProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DemoWndProc)));
    CSimBench::Get().SetArrivalWindow(window);
    PrintLine("ready");
    std::string line;
    while (!g_bQuitting && std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        RunCommand(window, line);
    }
}

void PlugStartingPads()
{
    const char* list = std::getenv("KINETRA_SIM_PADS");
    std::stringstream kinds(list && *list ? list : "wired");  // "none": start with no pad
    std::string kind;
    while (std::getline(kinds, kind, ','))
        if (!kind.empty() && kind != "none")
            PrintLine("plugged " + std::to_string(CSimBench::Get().Plug(kind)) + " " + kind);
}

void ApplyStartingFaults()
{
    const char* faults = std::getenv("KINETRA_SIM_FAULTS");
    if (faults && std::string(faults).find("interfaces") != std::string::npos)
        CSimBench::Get().Faults().classDevsFail = true;
}
}

int main()
{
    // Nobody reads the tray here: each tip and balloon is a line, its line breaks as " | ".
    g_pfnTrayShown = [](const char* what, const std::string& text) {
        std::string line = std::string(what) + " " + text;
        for (std::size_t at = line.find('\n'); at != std::string::npos; at = line.find('\n', at))
            line.replace(at, 1, " | ");
        PrintLine(line);
    };
    ApplyStartingFaults();
    PlugStartingPads();
    std::thread watcher(WatchPads);
    // Standard input may never close (a terminal): the reader is left to end with the process.
    std::thread(ReadCommands).detach();
    const int result = KinetraMain(::GetModuleHandleA(nullptr));
    g_bQuitting = true;
    watcher.join();
    // The program has ended: nobody hears the pads leave, as when Windows shuts down.
    CSimBench::Get().SetArrivalWindow(nullptr);
    CSimBench::Get().UnplugAll();
    return result;
}
