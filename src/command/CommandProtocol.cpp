#include "command/CommandProtocol.h"

#include <algorithm>

std::string AnswerHead(int code, std::string_view message)
{
    // One line, whatever the message holds: a line break would end the head there.
    std::string line = std::to_string(code) + "\t" + std::string(message);
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return line;
}

bool ReadAnswerHead(std::string_view line, int& code, std::string& message)
{
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab == 0)
        return false;
    const auto [end, error] = std::from_chars(line.data(), line.data() + tab, code);
    if (error != std::errc() || end != line.data() + tab)
        return false;
    message = std::string(line.substr(tab + 1));
    return true;
}
