#include "capture/input_file.h"

#include <cerrno>
#include <cstring>

std::FILE* OpenInputFile(const std::string& path, std::string& reason) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        reason = std::strerror(errno);
    }
    return file;
}
