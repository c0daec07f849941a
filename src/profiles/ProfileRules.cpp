#include "profiles/ProfileRules.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace
{
// Names Windows keeps for devices, whatever extension follows them; COM and LPT followed by one
// digit also count, the superscripts 1, 2 and 3 of the code page among the digits.
constexpr std::array<std::string_view, 6> kReservedNames = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
constexpr std::string_view kDevicePortDigits = "0123456789\xB9\xB2\xB3";

bool IsForbiddenChar(unsigned char c)
{
    // The list shows a file's name up to its first dot, so a name with a dot could never be
    // loaded by the name it is listed under.
    return c < 0x20 || std::string_view("\\/:*?\"<>|.").find(static_cast<char>(c)) != std::string_view::npos;
}

std::string UpperCase(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

bool IsReserved(std::string_view name)
{
    const std::string stem = UpperCase(ProfileNameOfFile(std::string(name)));
    if (stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
        kDevicePortDigits.find(stem[3]) != std::string_view::npos)
        return true;
    return std::find(kReservedNames.begin(), kReservedNames.end(), stem) != kReservedNames.end();
}
}

std::string ProfileNameProblem(std::string_view name, std::size_t configDirLength)
{
    if (name.empty())
        return "Nothing input!";
    if (std::any_of(name.begin(), name.end(), [](char c) { return IsForbiddenChar(static_cast<unsigned char>(c)); }))
        return "A Profile Name may not contain a dot, \\ / : * ? \" < > | or control characters!";
    if (name.back() == ' ')
        return "A Profile Name may not end with a space!";
    if (IsReserved(name)) {
        std::string text(1, '"');
        text.append(name);
        text += "\" is a name Windows keeps for a device; please choose another Profile Name!";
        return text;
    }
    // folder + "\" + name + ".reg" + the terminating zero
    if (configDirLength + 1 + name.size() + 4 + 1 > kProfilePathBuffer)
        return "The Profile Name is too long!";
    return {};
}

ENameKey NameKeyAction(unsigned virtualKey, bool shiftDown)
{
    // Shift, Ctrl, Alt and Caps Lock type nothing on their own: Shift+A must be able to type A
    // without the box coming up for the Shift first.
    const bool modifier = (virtualKey >= 0x10 && virtualKey <= 0x12) || virtualKey == 0x14 ||
                          (virtualKey >= 0xA0 && virtualKey <= 0xA5);
    if (modifier)
        return ENameKey::kPass;
    const bool letter = virtualKey >= 0x41 && virtualKey <= 0x5A;
    const bool allowed = letter || (virtualKey >= 0x30 && virtualKey <= 0x39) ||
                         (virtualKey >= 0x60 && virtualKey <= 0x69) || virtualKey == 0x08 || virtualKey == 0x0D ||
                         virtualKey == 0x1B || virtualKey == 0x2D || virtualKey == 0x5F;
    if (!allowed)
        return ENameKey::kRefuse;
    if (!letter && shiftDown)
        return ENameKey::kSwallow;
    return ENameKey::kPass;
}

std::string NextCopyName(const std::string& fileName)
{
    static const std::string kCopyOf = "Copy of ";
    if (fileName.find("Copy ") == std::string::npos)
        return kCopyOf + fileName;
    const std::size_t open = fileName.find('(');
    if (open == std::string::npos)
        return "Copy (1) of " + (fileName.size() > 8 ? fileName.substr(8) : std::string());
    const std::size_t close = fileName.find(')', open);
    if (close == std::string::npos)
        return kCopyOf + fileName;
    // "Copy (" n ") of " rest
    const std::string head = fileName.substr(0, open + 1);
    // A number of any length may stand there in a file someone named: one out of range counts as 0.
    errno = 0;
    long long number = std::strtoll(fileName.c_str() + open + 1, nullptr, 10);
    if (errno == ERANGE || number == LLONG_MAX)
        number = 0;
    const std::string tail = fileName.substr(close);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld", number + 1);
    return head + buffer + tail;
}

std::string ProfileNameOfFile(const std::string& fileName)
{
    return fileName.substr(0, fileName.find('.'));
}
