#pragma once
// A text file written through one open handle and a large buffer; its writers give it CR LF line
// ends on every platform. Opened on the first write, so a run that writes nothing leaves no
// file. Every write is checked; once one fails, the file stays failed.
//
// Each write is one piece (a report block, a log line), and the file only ever ends after a
// whole piece: the buffer is written out before a piece would overflow it, never part of a
// piece, and when a write fails (a full disk) the file is cut back to the end of the last piece
// that reached it. The path "-" is standard output, which is never closed or cut.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class BufferedTextFile {
public:
    // `replace`: an existing file is written anew instead of appended to.
    explicit BufferedTextFile(std::string path, bool replace = false)
        : path_(std::move(path)), replace_(replace) {}
    ~BufferedTextFile() { Close(); }
    BufferedTextFile(const BufferedTextFile&) = delete;
    BufferedTextFile& operator=(const BufferedTextFile&) = delete;

    // Appends `bytes`, one whole piece, as they are. False when they could not be written.
    bool WriteBytes(const std::string& bytes);
    // Writes out what is buffered. False when that failed, now or before.
    bool Flush();
    // Flushes and closes. False when anything written could not be stored.
    bool Close();

    const std::string& Path() const { return path_; }

    static constexpr size_t kBufferSize = 1 << 20;

private:
    bool Open();
    // Hands `size` bytes to the system; on failure the file is closed and cut back.
    bool WriteOut(const char* data, size_t size);
    bool WriteBuffer();
    void Fail();
    // Cuts the file back to the end of the last whole piece that reached it.
    void CutBack();

    std::string path_;
    std::FILE* file_ = nullptr;
    bool replace_;
    bool failed_ = false;
    bool standardOutput_ = false;
    bool regular_ = false;  // only a regular file is cut back
    std::string buffer_;
    std::vector<size_t> pieceEnds_;  // where each piece in the buffer ends
    uint64_t stored_ = 0;            // the file's size when the buffer was last written out
};
