#pragma once
// A document that is always whole on disk: each version is written into a new file next to it
// and renamed over the old one, so a reader opens the previous version or the new one, never
// part of one. A path that is no regular file (standard output "-", a pipe, a device) cannot be
// replaced: it is written into directly, as a stream.

#include <functional>
#include <string>

#include "common/buffered_text_file.h"

// The name a version is written under, beside the document, before it is renamed into place.
inline std::string PartPathOf(const std::string& path) {
    return path + ".part";
}

// Renames `from` over `to`, replacing `to` if it exists, in one step. False when the system
// refused.
bool ReplaceFile(const std::string& from, const std::string& to);

class WholeFile {
public:
    explicit WholeFile(std::string path) : path_(std::move(path)) {}

    // Writes one version: `write` gets the file to fill. False when `write` failed or the
    // version could not be stored; the previous version then stays.
    bool Write(const std::function<bool(BufferedTextFile&)>& write);
    // Whether a version replaces the one before (false for a stream, which only ever takes
    // one).
    bool Replaceable() const;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};
