#pragma once
#include <string>
#include <string_view>
#include <vector>

// Whole small files read and written with the system's own calls: the program's record files
// need no stream library, whose locale machinery would be most of the exe's code and a part of
// its memory at rest.

// The file's bytes as they stand; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& text);

// Writes the bytes to "<path>.tmp" and moves that over the file, so a reader never sees half a
// file and a failed write leaves the old one as it was; on failure GetLastError says why.
bool WriteFileReplacing(const std::string& path, const std::string& text);

// The next line of the text, without its LF or CR LF; the text then starts after it.
inline std::string_view NextLine(std::string_view& text)
{
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

// A line without the blanks (and a CR) around it.
inline std::string_view Trimmed(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    return line;
}

// The lines of a file a person may edit by hand, trimmed, offered to `read` one by one; blank
// lines and "#" comments are skipped. The 1-based numbers of the lines `read` did not take.
template <typename Read>
std::vector<int> ReadEditableLines(std::string_view text, Read read)
{
    std::vector<int> dropped;
    for (int number = 1; !text.empty(); ++number) {
        const std::string_view line = Trimmed(NextLine(text));
        if (!line.empty() && line.front() != '#' && !read(line))
            dropped.push_back(number);
    }
    return dropped;
}
