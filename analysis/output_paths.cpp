#include "analysis/output_paths.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The system gives up on a chain of links this long too (ELOOP).
constexpr int kMostLinksFollowed = 40;

// Standard streams, devices and pipes: writing into one twice loses nothing that was stored.
bool IsExempt(const std::string& path) {
    if (path.empty() || path == "-") {
        return true;
    }
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    return fs::exists(status) && !fs::is_regular_file(status);
}

// The file a path leads to: absolute, links followed (also a last one whose target does not
// exist yet, which writing would create), "." and ".." gone.
fs::path Resolved(const std::string& name) {
    std::error_code error;
    fs::path path = fs::absolute(name, error);
    if (error) {
        return fs::path(name).lexically_normal();
    }
    for (int links = 0; links < kMostLinksFollowed; ++links) {
        if (!fs::is_symlink(fs::symlink_status(path, error))) {
            break;
        }
        const fs::path target = fs::read_symlink(path, error);
        if (error) {
            break;
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    const fs::path canonical = fs::weakly_canonical(path, error);
    return error ? path.lexically_normal() : canonical;
}

bool IsSameFile(const std::string& a, const fs::path& resolvedA, const std::string& b,
                const fs::path& resolvedB) {
    if (resolvedA == resolvedB) {
        return true;
    }
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;  // hard links; false when one does not exist
}

}  // namespace

std::optional<FileCollision> FindCollision(const std::vector<NamedFile>& files) {
    std::vector<fs::path> resolved;
    resolved.reserve(files.size());
    for (const NamedFile& file : files) {
        resolved.push_back(IsExempt(file.path) ? fs::path() : Resolved(file.path));
    }
    for (size_t i = 0; i < files.size(); ++i) {
        for (size_t j = i + 1; j < files.size(); ++j) {
            if ((files[i].written || files[j].written) && !resolved[i].empty() &&
                !resolved[j].empty() &&
                IsSameFile(files[i].path, resolved[i], files[j].path, resolved[j])) {
                return FileCollision{i, j};
            }
        }
    }
    return std::nullopt;
}
