#include "common/whole_file.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {

// Only a regular file (or a name that is nothing yet) is replaced by renaming.
bool IsStreamTarget(const std::string& path) {
    if (path == "-") {
        return true;
    }
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    return fs::exists(status) && !fs::is_regular_file(status);
}

}  // namespace

bool ReplaceFile(const std::string& from, const std::string& to) {
#ifdef _WIN32
    // rename() refuses an existing target on Windows.
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

bool WholeFile::Replaceable() const {
    return !IsStreamTarget(path_);
}

bool WholeFile::Write(const std::function<bool(BufferedTextFile&)>& write) {
    if (IsStreamTarget(path_)) {
        BufferedTextFile file(path_, true);
        const bool written = write(file);
        return file.Close() && written;
    }
    // A symbolic link stays: the file it leads to is replaced.
    std::error_code error;
    const std::string target =
        fs::is_symlink(path_, error) ? fs::canonical(path_, error).string() : path_;
    // Next to the document, so the rename stays on its file system.
    const std::string part = PartPathOf(target);
    BufferedTextFile file(part, true);
    const bool written = write(file) && file.Close();
    if (!written || !ReplaceFile(part, target)) {
        file.Close();
        std::remove(part.c_str());
        return false;
    }
    return true;
}
