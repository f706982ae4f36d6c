#include "settings/text_mode_reader.h"

#include <cstdio>

namespace {

constexpr char kEndOfFile = '\x1A';

// The file's bytes up to the first Ctrl-Z.
bool ReadUpToEndOfFileMark(const std::string& fileName, std::string& bytes) {
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    char buffer[4096];
    size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, count);
    }
    std::fclose(file);
    const size_t mark = bytes.find(kEndOfFile);
    if (mark != std::string::npos) {
        bytes.resize(mark);
    }
    return true;
}

}  // namespace

bool ReadTextModeLines(const std::string& fileName, std::vector<std::string>& lines) {
    std::string bytes;
    if (!ReadUpToEndOfFileMark(fileName, bytes)) {
        return false;
    }
    size_t begin = 0;
    while (begin < bytes.size()) {
        size_t end = bytes.find('\n', begin);
        const bool hasLineEnd = end != std::string::npos;
        if (!hasLineEnd) {
            end = bytes.size();
        }
        std::string line = bytes.substr(begin, end - begin);
        if (hasLineEnd && !line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        begin = end + 1;
    }
    return true;
}
