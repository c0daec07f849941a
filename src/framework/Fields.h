#pragma once
// Lines of fields and bytes as hex, for the pipe's words and the record files alike. Header only
// and free of <windows.h>: KinetraCmd, the program and the host tests share it.
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline std::vector<std::string> SplitFields(std::string_view line, char separator = '\t')
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

inline std::string JoinFields(const std::vector<std::string>& fields, char separator = '\t')
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += separator;
        line += fields[i];
    }
    return line;
}

inline std::string HexOf(const std::vector<std::uint8_t>& bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (std::uint8_t byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0xF];
    }
    return hex;
}

// False when `hex` is not an even run of hex digits.
inline bool BytesOfHex(std::string_view hex, std::vector<std::uint8_t>& bytes)
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
