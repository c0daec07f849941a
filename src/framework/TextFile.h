#pragma once
#include <string>

// Whole small files read and written with the system's own calls: the program's record files
// need no stream library, whose locale machinery would be most of the exe's code and a part of
// its memory at rest.

// The file's bytes as they stand; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& text);

// Writes the bytes to "<path>.tmp" and moves that over the file, so a reader never sees half a
// file and a failed write leaves the old one as it was; on failure GetLastError says why.
bool WriteFileReplacing(const std::string& path, const std::string& text);
