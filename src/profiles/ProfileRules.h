#pragma once
// Rules on profile names and profile file names. Kept free of <windows.h> so they can be
// checked on any host.
#include <cstddef>
#include <string>
#include <string_view>

// The longest path the profile procedures build, the terminating zero included.
constexpr std::size_t kProfilePathBuffer = 260;

// Why a name cannot become a profile file; empty when it can. `configDirLength` is the length
// of the profile folder's path, which the name's file path (folder + "\" + name + ".reg")
// shares the path buffer with. The text is what the page shows the user.
// The profile a file of the folder holds, as the Profile page lists it: its name up to the
// first dot ("a.b.reg" is "a").
std::string ProfileNameOfFile(const std::string& fileName);

std::string ProfileNameProblem(std::string_view name, std::size_t configDirLength);

// What the name box does with a key press (virtual-key code) before the edit control sees it.
enum class ENameKey {
    kPass,     // the edit control handles it
    kSwallow,  // dropped without a word
    kRefuse,   // dropped with the message of the name box
};
ENameKey NameKeyAction(unsigned virtualKey, bool shiftDown);

// The next name a copy takes when a file of `fileName` is already in the target folder:
// "X.reg" -> "Copy of X.reg" -> "Copy (1) of X.reg" -> "Copy (2) of X.reg" ...
std::string NextCopyName(const std::string& fileName);
