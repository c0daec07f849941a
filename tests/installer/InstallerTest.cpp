// The Windows setup that scripts/package builds from this tree, installed, upgraded over a
// running Kinetra and uninstalled in silent mode, in a scratch Wine prefix that
// tests/installer/run prepares (it passes KINETRA_SETUP, KINETRA_STAGE and KINETRA_VERSION).
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#define SECURITY_WIN32
#include <security.h>

#include <fstream>
#include <iterator>
#include <string>

#include "support/ChildProcess.h"
#include "support/DemoProcess.h"
#include "support/TestSupport.h"

namespace
{
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kinetra";
constexpr WPARAM kQuit = 40002;

std::string Env(const char* name)
{
    char value[MAX_PATH] = {};
    ::GetEnvironmentVariableA(name, value, MAX_PATH);
    return value;
}

std::string Folder(int csidl)
{
    char path[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// Where the setup installs: the program folder of the setup's word size, which is this test's.
std::string InstallDir()
{
    return Folder(CSIDL_PROGRAM_FILES) + "\\Kinetra";
}

bool Exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A text file as UTF-8, whether it was written as UTF-16 with its mark or as UTF-8.
std::string ReadText(const std::string& path)
{
    const std::string bytes = ReadBytes(path);
    if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE')
        return bytes;
    const std::wstring wide(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    std::string text(wide.size() * 3, '\0');
    text.resize(::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(),
                                      static_cast<int>(text.size()), nullptr, nullptr));
    return text;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string UninstallValue(const char* name)
{
    char value[MAX_PATH] = {};
    DWORD size = sizeof value;
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return "";
    return value;
}

bool UninstallKeyExists()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

// The definition Wine's task scheduler service stored when the task was registered.
std::string StoredTaskPath()
{
    char system[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    return std::string(system) + "\\tasks\\Kinetra";
}

std::string Shortcut()
{
    return Folder(CSIDL_COMMON_PROGRAMS) + "\\Kinetra.lnk";
}

// A started process, ended with the test when it still runs.
class CChild : public CChildProcess
{
public:
    explicit CChild(const std::string& command, const char* folder = nullptr)
        : CChildProcess(command, CChildOptions{folder})
    {}
    ~CChild() { Terminate(); }
};

DWORD RunToEnd(const std::string& command)
{
    return CChild(command).WaitForExit(60000);
}

DWORD InstallSilently()
{
    return RunToEnd("\"" + Env("KINETRA_SETUP") + "\" /S");
}

// The uninstaller copies itself to the temporary folder and runs from there, so its own
// process ends at once; it is done when the program and its uninstall entry are gone.
bool UninstallSilently(const char* options = "")
{
    if (RunToEnd("\"" + InstallDir() + "\\uninstall.exe\" /S " + options) != 0)
        return false;
    return WaitUntil([] { return !UninstallKeyExists() && !Exists(InstallDir() + "\\uninstall.exe"); }, 30000);
}

// Kinetra.exe started from the program folder, as the Start menu or the logon task starts it.
class CInstalledKinetra : public CChild
{
public:
    CInstalledKinetra() : CChild("\"" + InstallDir() + "\\Kinetra.exe\"", "C:\\") {}

    // Its hidden window, once it has one.
    HWND Window() const
    {
        HWND found = nullptr;
        WaitUntil(
            [&] {
                found = FindKinetraWindow(0);
                DWORD owner = 0;
                ::GetWindowThreadProcessId(found, &owner);
                return found && owner == Id();
            },
            15000);
        return found;
    }
};

struct CWizardSearch
{
    std::string caption;
    HWND found = nullptr;
};

BOOL CALLBACK FindWizardWindow(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<CWizardSearch*>(lParam);
    char title[64] = {};
    ::GetWindowTextA(window, title, sizeof title);
    if (std::string(title).rfind(search->caption, 0) == 0 && ::IsWindowVisible(window))
        search->found = window;
    return search->found ? FALSE : TRUE;
}

// The setup's or the uninstaller's wizard; NSIS puts a space after the caption.
HWND FindWizard(const char* caption)
{
    CWizardSearch search{caption};
    WaitUntil(
        [&] {
            ::EnumWindows(FindWizardWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        15000);
    return search.found;
}

std::string UserName()
{
    char name[256] = {};
    ULONG size = sizeof name;
    ::GetUserNameExA(NameSamCompatible, name, &size);
    return name;
}

struct InstallerFixture : testing::Test
{
    void SetUp() override
    {
        ASSERT_FALSE(Env("KINETRA_SETUP").empty()) << "tests/installer/run passes the setup to test";
        ASSERT_FALSE(Exists(InstallDir())) << "the scratch prefix already holds an install";
    }
    void TearDown() override
    {
        if (Exists(InstallDir() + "\\uninstall.exe"))
            UninstallSilently("/REMOVEPROFILES");
        WaitUntil([] { return !Exists(InstallDir()); }, 10000);
    }

    const std::string dir = InstallDir();
    const std::string profile = InstallDir() + "\\config\\mine.reg";
};

void ExpectInstalled(const std::string& dir)
{
    for (const char* program : {"\\Kinetra.exe", "\\KinetraCmd.exe"})
        EXPECT_EQ(ReadBytes(Env("KINETRA_STAGE") + program), ReadBytes(dir + program)) << program;
    EXPECT_TRUE(Exists(dir + "\\config"));
    EXPECT_TRUE(Exists(dir + "\\uninstall.exe"));
    EXPECT_EQ(Exists(Env("KINETRA_STAGE") + "\\usermanual\\index.html"), Exists(dir + "\\usermanual\\index.html"));
    EXPECT_TRUE(Exists(Shortcut()));
    EXPECT_EQ(Env("KINETRA_VERSION"), UninstallValue("DisplayVersion"));
    EXPECT_EQ("Kinetra", UninstallValue("DisplayName"));
    EXPECT_EQ(dir + "\\Kinetra.exe,0", UninstallValue("DisplayIcon"));
    EXPECT_EQ(dir, UninstallValue("InstallLocation"));
    EXPECT_EQ("\"" + dir + "\\uninstall.exe\" /S", UninstallValue("QuietUninstallString"));
}

// What the logon task is made of, as the setup handed it to schtasks /Create /XML.
void ExpectLogonTaskDefinition(const std::string& dir)
{
    const std::string task = ReadText(dir + "\\logon-task.xml");
    const std::string user = UserName();
    ASSERT_FALSE(user.empty());
    EXPECT_NE(std::string::npos, task.find("<LogonTrigger><Enabled>true</Enabled><UserId>" + user + "</UserId>"))
        << task;
    EXPECT_NE(std::string::npos, task.find("<RunLevel>HighestAvailable</RunLevel>")) << task;
    EXPECT_NE(std::string::npos, task.find("<LogonType>InteractiveToken</LogonType>")) << task;
    EXPECT_NE(std::string::npos, task.find("<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>")) << task;
    EXPECT_NE(std::string::npos, task.find("<Command>" + dir + "\\Kinetra.exe</Command>")) << task;
}

// Wine's schtasks knows /Create (with /XML) and /Delete only; /Query prints a "fixme" and
// succeeds with no output. Its scheduler service keeps the task under system32\tasks, but
// rewrites the definition from what it parsed, and it parses no triggers, principal or
// actions: the stored copy shows that a task "Kinetra" is registered, with its description
// and settings, not that it starts Kinetra at logon elevated; Wine runs no logon tasks at all.
void ExpectTaskRegistered()
{
    const std::string stored = ReadText(StoredTaskPath());
    ASSERT_FALSE(stored.empty()) << "no task \"Kinetra\" registered";
    EXPECT_NE(std::string::npos, stored.find("Starts Kinetra in the notification area at logon.")) << stored;
    EXPECT_NE(std::string::npos, stored.find("<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>")) << stored;
}
}

TEST_F(InstallerFixture, InstallRunUpgradeOverTheRunningProgramAndUninstallKeepingProfiles)
{
    ASSERT_EQ(0u, InstallSilently());
    ExpectInstalled(dir);
    ExpectLogonTaskDefinition(dir);
    ExpectTaskRegistered();

    // The installed program makes its profile folder beside itself, wherever it is started from.
    ASSERT_TRUE(::RemoveDirectoryA((dir + "\\config").c_str()));
    {
        CInstalledKinetra kinetra;
        const HWND window = kinetra.Window();
        ASSERT_NE(nullptr, window) << "the installed Kinetra.exe showed no hidden window";
        EXPECT_FALSE(::IsWindowVisible(window));
        // Start-up makes the folder after the window, when the settings are first needed.
        EXPECT_TRUE(WaitUntil([&] { return Exists(dir + "\\config"); }, 10000));
        ::PostMessageA(window, WM_COMMAND, kQuit, 0);
        EXPECT_EQ(0u, kinetra.WaitForExit(10000));
    }

    // Upgrade while it runs: the setup stops it, puts back what it installs and leaves the
    // profiles alone.
    WriteBytes(profile, "a profile");
    WriteBytes(dir + "\\logon-task.xml", "");
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", REG_SZ, "0.1", 4));
    {
        CInstalledKinetra running;
        ASSERT_NE(nullptr, running.Window());
        ASSERT_EQ(0u, InstallSilently());
        EXPECT_EQ(0u, running.WaitForExit(0)) << "the setup left the old Kinetra running";
    }
    ExpectInstalled(dir);
    ExpectLogonTaskDefinition(dir);
    ExpectTaskRegistered();
    EXPECT_EQ("a profile", ReadBytes(profile));

    // Uninstalling stops a running Kinetra too and keeps the profiles, and only them.
    CInstalledKinetra running;
    ASSERT_NE(nullptr, running.Window());
    ASSERT_TRUE(UninstallSilently());
    EXPECT_EQ(0u, running.WaitForExit(10000));
    EXPECT_EQ("a profile", ReadBytes(profile));
    for (const char* gone :
         {"\\Kinetra.exe", "\\KinetraCmd.exe", "\\uninstall.exe", "\\logon-task.xml", "\\usermanual"})
        EXPECT_FALSE(Exists(dir + gone)) << gone;
    EXPECT_FALSE(Exists(Shortcut()));
    EXPECT_FALSE(Exists(StoredTaskPath())) << "the task \"Kinetra\" is still registered";
    EXPECT_FALSE(UninstallKeyExists());

    // Installing again finds the kept profiles in place.
    ASSERT_EQ(0u, InstallSilently());
    EXPECT_EQ("a profile", ReadBytes(profile));
}

TEST_F(InstallerFixture, UninstallWithTheOptionAlsoRemovesTheProfiles)
{
    ASSERT_EQ(0u, InstallSilently());
    WriteBytes(profile, "a profile");
    ASSERT_TRUE(UninstallSilently("/REMOVEPROFILES"));
    EXPECT_TRUE(WaitUntil([&] { return !Exists(dir); }, 10000)) << "the program folder is still there";
    EXPECT_FALSE(Exists(StoredTaskPath()));
}

// The pages a person sees: the option to start at logon, on by default, and the uninstaller's
// option to remove the profiles, off by default.
TEST_F(InstallerFixture, SetupAndUninstallerOfferTheirOptions)
{
    ASSERT_EQ(0u, InstallSilently());
    const CChild wizard("\"" + Env("KINETRA_SETUP") + "\"");
    const HWND setup = FindWizard("Kinetra Setup");
    ASSERT_NE(nullptr, setup);
    ::Sleep(1000);
    SaveScreenshot("setup-components");
    ::PostMessageA(setup, WM_CLOSE, 0, 0);
    EXPECT_NE(static_cast<DWORD>(STILL_ACTIVE), wizard.WaitForExit(10000));

    // The uninstaller's own process ends once its copy in the temporary folder runs.
    EXPECT_EQ(0u, RunToEnd("\"" + dir + "\\uninstall.exe\""));
    const HWND uninstall = FindWizard("Kinetra Uninstall");
    ASSERT_NE(nullptr, uninstall);
    ::Sleep(500);
    ::PostMessageA(uninstall, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(uninstall, IDOK)));
    ::Sleep(1000);
    SaveScreenshot("uninstall-components");
    ::PostMessageA(uninstall, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(uninstall); }, 10000));
    EXPECT_TRUE(UninstallKeyExists()) << "closing the uninstaller removed Kinetra";
}
