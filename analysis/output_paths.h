#pragma once
// The files one run names, read or written, and whether two of them are one file: a second
// output on the same file would replace or mix into the first, an output on a capture or the
// map would destroy what is being read.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct NamedFile {
    std::string role;     // how it was named, for the message: "--summary", "log.txt", ...
    std::string path;     // relative to the current directory; "-" is a standard stream
    bool written = true;  // false: only read (a capture, the map)
};

struct FileCollision {
    size_t first;  // indexes into the list, first < second
    size_t second;
};

// The first two files that are the same file, at least one of them written: the same path once
// "." and ".." and symbolic links are resolved, or the same existing file by another name (a
// hard link). "-" and existing files that are no regular file (devices such as /dev/null, pipes)
// may be named any number of times.
std::optional<FileCollision> FindCollision(const std::vector<NamedFile>& files);
