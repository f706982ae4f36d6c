#pragma once
// A text file written through one open handle and a large buffer; its writers give it CR LF line
// ends on every platform. Opened on the first write, so a run that writes nothing leaves no
// file. Every write is checked; once one fails, the file stays failed.

#include <cstdio>
#include <string>

class BufferedTextFile {
public:
    // `replace`: an existing file is written anew instead of appended to.
    explicit BufferedTextFile(std::string path, bool replace = false)
        : path_(std::move(path)), replace_(replace) {}
    ~BufferedTextFile() { Close(); }
    BufferedTextFile(const BufferedTextFile&) = delete;
    BufferedTextFile& operator=(const BufferedTextFile&) = delete;

    // Appends `bytes` as they are. False when they could not be written.
    bool WriteBytes(const std::string& bytes);
    // Writes out what is buffered. False when that failed, now or before.
    bool Flush();
    // Flushes and closes. False when anything written could not be stored.
    bool Close();

    const std::string& Path() const { return path_; }

private:
    static constexpr size_t kBufferSize = 1 << 20;

    std::string path_;
    std::FILE* file_ = nullptr;
    bool replace_;
    bool failed_ = false;
};
