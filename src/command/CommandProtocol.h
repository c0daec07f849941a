#pragma once
// What KinetraCmd and the running Kinetra say to each other over the command pipe. Kept free
// of <windows.h> so the encoding can be checked on any host.
//
// A request is one line of UTF-8, its fields separated by tabs. The answer is one line
// "<exit code>\t<message>", then the lines of the answer's text (none of them empty), then one
// empty line: the client reads up to it and closes, so neither end waits on the other.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Fields.h"

// The pipe's name; only the interactive user's processes on this computer may open it.
constexpr wchar_t kCommandPipeName[] = L"\\\\.\\pipe\\Kinetra.Command";

// KinetraCmd's exit codes; `run` exits with the program's own once the program has run.
enum ECommandExit : int {
    kExitOk = 0,
    kExitBadArguments = 2,
    kExitNotRunning = 3,
    kExitNoSuchProfile = 4,
    kExitNoPad = 5,
    kExitLoadFailed = 6,
    kExitSheetBusy = 7,
    kExitNoAnswer = 8,
    kExitProgramNotStarted = 9,
};

// The request verbs.
constexpr std::string_view kVerbList = "list";
constexpr std::string_view kVerbStatus = "status";
// load <name> <pad: 0 for every programmable pad> [keep]: with "keep", Kinetra keeps what each
// pad the load changed had before, and answers one "keep <token>" line for each.
constexpr std::string_view kVerbLoad = "load";
constexpr std::string_view kKeepFlag = "keep";
// putback <token>: what a load with "keep" kept goes back into its pad. The answer's one line is
// "done", or "pending" when Kinetra cannot put it back now and will as soon as it can.
constexpr std::string_view kVerbPutBack = "putback";

// The longest request Kinetra reads: a put-back line with every block, and some room.
constexpr std::size_t kMaxRequest = 4096;

// The answer's first line, and its reading; false when the line is no answer.
std::string AnswerHead(int code, std::string_view message);
bool ReadAnswerHead(std::string_view line, int& code, std::string& message);
