#include "command/CommandProtocol.h"

#include <algorithm>

#include <charconv>

std::vector<std::string> SplitFields(std::string_view line, char separator)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = line.find(separator, start);
        fields.emplace_back(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return fields;
        start = end + 1;
    }
}

std::string JoinFields(const std::vector<std::string>& fields, char separator)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += separator;
        line += fields[i];
    }
    return line;
}

std::string HexOf(const std::vector<std::uint8_t>& bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (std::uint8_t byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0xF];
    }
    return hex;
}

bool BytesOfHex(std::string_view hex, std::vector<std::uint8_t>& bytes)
{
    bytes.clear();
    if (hex.size() % 2 != 0)
        return false;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        std::uint8_t byte = 0;
        const auto [end, error] = std::from_chars(hex.data() + i, hex.data() + i + 2, byte, 16);
        if (error != std::errc() || end != hex.data() + i + 2)
            return false;
        bytes.push_back(byte);
    }
    return true;
}

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
