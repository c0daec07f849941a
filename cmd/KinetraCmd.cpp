// KinetraCmd: switches the running Kinetra's profiles from a command line, a launcher or a
// shortcut. It does nothing itself but ask Kinetra over the command pipe, so it needs no
// elevation and never touches a pad's settings behind Kinetra's back.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <string_view>
#include <vector>

#include "command/CommandProtocol.h"
#include "framework/Text.h"

namespace
{
constexpr DWORD kConnectMs = 1000;
// How long a busy Kinetra (a menu or a box of it open) is waited for, unless --wait says.
constexpr int kDefaultWaitSeconds = 5;

const char kUsage[] = "Usage:\n"
                      "  KinetraCmd list                      the profiles; * marks the pads each one is active on\n"
                      "  KinetraCmd status                    each pad: slot, name, status, active profile\n"
                      "  KinetraCmd load <profile> [--pad <n>]\n"
                      "                                       loads the profile (on every programmable pad when no\n"
                      "                                       pad is named)\n"
                      "  KinetraCmd run <profile> [--pad <n>] -- <program> [arguments]\n"
                      "                                       loads the profile, runs the program, puts back the\n"
                      "                                       settings each pad had before, and exits with the\n"
                      "                                       program's exit code\n"
                      "  KinetraCmd --help                    this text\n"
                      "\n"
                      "Every command takes --wait <seconds> (0 to 600, default 5): how long to wait for a Kinetra\n"
                      "that is busy (a pad arriving, say) before giving up. run starts the program even\n"
                      "when the profile could not be loaded, and says why on standard error.\n"
                      "\n"
                      "Exit codes: 0 done, 2 bad arguments, 3 Kinetra not running, 4 no such profile,\n"
                      "5 no programmable pad, 6 the load failed, 7 the configuration window has unapplied\n"
                      "changes (or a dialog open), 8 Kinetra did not answer, 9 the program could not be started.\n";

std::string Utf8Of(const std::wstring& text)
{
    return NarrowOf(text, CP_UTF8);
}

// UTF-8 text to a console as its characters, to a file or pipe as UTF-8.
void Write(DWORD which, const std::string& utf8)
{
    const HANDLE out = ::GetStdHandle(which);
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(out, &mode)) {
        const std::wstring wide = WideOf(utf8, CP_UTF8);
        ::WriteConsoleW(out, wide.c_str(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        ::WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    }
}

// What the system says of an error, with its number.
std::string SystemMessage(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                              FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring said = length ? std::wstring(text, length) : std::wstring();
    if (text)
        ::LocalFree(text);
    while (!said.empty() && std::wstring_view(L"\r\n .").find(said.back()) != std::wstring_view::npos)
        said.pop_back();
    return (said.empty() ? std::string("error") : Utf8Of(said)) + " (error " + std::to_string(error) + ").";
}

int Fail(int code, const std::string& message)
{
    Write(STD_ERROR_HANDLE, "KinetraCmd: " + message + "\n");
    return code;
}

struct CAnswer
{
    int code = kExitOk;
    std::string message;
    std::vector<std::string> lines;
};

// Opens the pipe; a Kinetra busy with another client gets a second to take this one.
HANDLE Connect(int& failure)
{
    const DWORD start = ::GetTickCount();
    while (true) {
        const HANDLE pipe = ::CreateFileW(kCommandPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                          nullptr);
        if (pipe != INVALID_HANDLE_VALUE)
            return pipe;
        const DWORD error = ::GetLastError();
        const DWORD spent = ::GetTickCount() - start;
        if (error != ERROR_PIPE_BUSY) {
            failure = kExitNotRunning;
            return nullptr;
        }
        if (spent >= kConnectMs || !::WaitNamedPipeW(kCommandPipeName, kConnectMs - spent)) {
            failure = kExitNoAnswer;
            return nullptr;
        }
    }
}

// Whether `text` holds a whole answer: it ends at its first empty line.
bool Complete(const std::string& text)
{
    return text.rfind("\n\n") != std::string::npos || text == "\n";
}

CAnswer AskOnce(const std::string& request)
{
    CAnswer answer;
    int failure = kExitOk;
    const HANDLE pipe = Connect(failure);
    if (!pipe) {
        answer.code = failure;
        answer.message = failure == kExitNotRunning ? "Kinetra is not running: start it first."
                                                    : "Kinetra did not answer within a second: try again.";
        return answer;
    }
    const std::string line = request + "\n";
    DWORD written = 0;
    ::WriteFile(pipe, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    std::string text;
    char buffer[1024];
    DWORD read = 0;
    while (!Complete(text) && ::ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    ::CloseHandle(pipe);
    std::vector<std::string> lines = SplitFields(text, '\n');
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    if (lines.empty() || !ReadAnswerHead(lines.front(), answer.code, answer.message)) {
        answer.code = kExitNoAnswer;
        answer.message = "Kinetra gave no answer.";
        return answer;
    }
    answer.lines.assign(lines.begin() + 1, lines.end());
    return answer;
}

DWORD g_dwWaitMs = kDefaultWaitSeconds * 1000;

// A busy Kinetra took nothing of the request: it is asked again until the wait is over.
CAnswer Ask(const std::string& request)
{
    const DWORD start = ::GetTickCount();
    while (true) {
        const CAnswer answer = AskOnce(request);
        if (answer.code != kExitNoAnswer || ::GetTickCount() - start >= g_dwWaitMs)
            return answer;
        ::Sleep(100);
    }
}

// Prints the answer's text, or its message on standard error when it failed.
int Report(const CAnswer& answer)
{
    if (answer.code != kExitOk)
        return Fail(answer.code, answer.message);
    for (const std::string& line : answer.lines)
        Write(STD_OUTPUT_HANDLE, line + "\n");
    return kExitOk;
}

// One argument as CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

struct CRequest
{
    std::wstring verb;
    std::wstring profile;
    int pad = 0;
    int waitSeconds = kDefaultWaitSeconds;
    std::vector<std::wstring> program;  // run's program and its arguments
};

// A whole number from `low` to `high`, written as such.
bool ReadNumber(const std::wstring& text, int low, int high, int& number)
{
    number = _wtoi(text.c_str());
    return number >= low && number <= high && std::to_wstring(number) == text;
}

// False (after saying why) when the arguments are not a request.
bool ParseArguments(const std::vector<std::wstring>& args, CRequest& request, std::string& problem)
{
    if (args.empty()) {
        problem = "no command given; KinetraCmd --help lists them.";
        return false;
    }
    request.verb = args[0];
    const bool takesProfile = request.verb == L"load" || request.verb == L"run";
    if (!takesProfile && request.verb != L"list" && request.verb != L"status") {
        problem = "unknown command \"" + Utf8Of(request.verb) + "\"; KinetraCmd --help lists them.";
        return false;
    }
    std::size_t i = 1;
    if (takesProfile) {
        if (args.size() < 2 || args[1].empty() || args[1].starts_with(L"--")) {
            problem = Utf8Of(request.verb) + " needs a profile name.";
            return false;
        }
        request.profile = args[1];
        i = 2;
    }
    for (; i < args.size(); ++i) {
        if (takesProfile && args[i] == L"--pad" && i + 1 < args.size()) {
            if (!ReadNumber(args[++i], 1, 6, request.pad)) {
                problem = "--pad takes a pad number from 1 to 6.";
                return false;
            }
        } else if (args[i] == L"--wait" && i + 1 < args.size()) {
            if (!ReadNumber(args[++i], 0, 600, request.waitSeconds)) {
                problem = "--wait takes a number of seconds from 0 to 600.";
                return false;
            }
        } else if (request.verb == L"run" && args[i] == L"--") {
            request.program.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        } else {
            problem = "unexpected argument \"" + Utf8Of(args[i]) + "\"; KinetraCmd --help lists the commands.";
            return false;
        }
    }
    if (request.verb == L"run" && request.program.empty()) {
        problem = "run needs -- and the program to run.";
        return false;
    }
    return true;
}

void Warn(const std::string& message)
{
    Write(STD_ERROR_HANDLE, "KinetraCmd: " + message + "\n");
}

// Starts the program and waits for it; its exit code, or kExitProgramNotStarted.
int RunProgram(const std::vector<std::wstring>& program)
{
    std::wstring commandLine;
    for (const std::wstring& argument : program)
        commandLine += (commandLine.empty() ? L"" : L" ") + Quoted(argument);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // The console's Ctrl+C ends the program, not KinetraCmd: the settings still go back.
    ::SetConsoleCtrlHandler(nullptr, TRUE);
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return Fail(kExitProgramNotStarted, "the program \"" + Utf8Of(program.front()) +
                                                "\" could not be started: " + SystemMessage(::GetLastError()));
    ::CloseHandle(process.hThread);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    ::CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}

// A player launching a game gets the game: the program starts whether or not the profile could
// be loaded, and what the load changed goes back once it has ended.
int Run(const CRequest& request)
{
    const CAnswer loaded = Ask(std::string(kVerbLoad) + "\t" + Utf8Of(request.profile) + "\t" +
                               std::to_string(request.pad) + "\t" + std::string(kKeepFlag));
    if (loaded.code != kExitOk)
        Warn("the profile was not loaded (" + loaded.message +
             "); the program starts with the settings the pads have.");
    const int code = RunProgram(request.program);
    for (const std::string& line : loaded.lines) {
        const std::vector<std::string> fields = SplitFields(line);
        if (fields.size() != 2 || fields[0] != kKeepFlag)
            continue;
        const CAnswer back = Ask(std::string(kVerbPutBack) + "\t" + fields[1]);
        if (back.code != kExitOk)
            Warn("the settings from before could not be put back: " + back.message);
        else if (!back.lines.empty() && back.lines.front() == "pending")
            Warn(back.message);
    }
    return code;
}

int Execute(const CRequest& request)
{
    if (request.verb == L"list")
        return Report(Ask(std::string(kVerbList)));
    if (request.verb == L"status")
        return Report(Ask(std::string(kVerbStatus)));
    if (request.verb == L"load") {
        const CAnswer answer = Ask(std::string(kVerbLoad) + "\t" + Utf8Of(request.profile) + "\t" +
                                   std::to_string(request.pad));
        return answer.code == kExitOk ? Report(answer) : Fail(answer.code, answer.message);
    }
    return Run(request);
}
}

int main()
{
    int count = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::wstring> args;
    for (int i = 1; argv && i < count; ++i)
        args.emplace_back(argv[i]);
    ::LocalFree(argv);
    if (!args.empty() && (args[0] == L"--help" || args[0] == L"-h" || args[0] == L"/?")) {
        Write(STD_OUTPUT_HANDLE, kUsage);
        return kExitOk;
    }
    CRequest request;
    std::string problem;
    if (!ParseArguments(args, request, problem))
        return Fail(kExitBadArguments, problem);
    // A name with a tab or a line break would be a request of its own.
    if (request.profile.find_first_of(L"\t\r\n") != std::wstring::npos)
        return Fail(kExitBadArguments, "a profile name has no tabs or line breaks.");
    g_dwWaitMs = static_cast<DWORD>(request.waitSeconds) * 1000;
    return Execute(request);
}
