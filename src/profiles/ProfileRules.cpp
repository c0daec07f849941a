#include "profiles/ProfileRules.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace
{
// Names Windows keeps for devices, whatever extension follows them.
constexpr std::array<std::string_view, 22> kReservedNames = {
    "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
    "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};

bool IsForbiddenChar(unsigned char c)
{
    // The list shows a file's name up to its first dot, so a name with a dot could never be
    // loaded by the name it is listed under.
    return c < 0x20 || std::string_view("\\/:*?\"<>|.").find(static_cast<char>(c)) != std::string_view::npos;
}

bool IsReserved(std::string_view name)
{
    const std::string_view stem = name.substr(0, name.find('.'));
    return std::any_of(kReservedNames.begin(), kReservedNames.end(), [stem](std::string_view reserved) {
        return stem.size() == reserved.size() &&
               std::equal(stem.begin(), stem.end(), reserved.begin(),
                          [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; });
    });
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
    const int number = std::atoi(fileName.c_str() + open + 1);
    const std::string tail = fileName.substr(close);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d", number + 1);
    return head + buffer + tail;
}
