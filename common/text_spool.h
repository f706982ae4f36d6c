#pragma once
// Text kept aside until a file is assembled: in a temporary file, so a long list costs no
// memory, or in memory where no temporary file can be made.

#include <cstdio>
#include <functional>
#include <string>

class TextSpool {
public:
    TextSpool() : file_(std::tmpfile()) {}
    ~TextSpool();
    TextSpool(const TextSpool&) = delete;
    TextSpool& operator=(const TextSpool&) = delete;

    // False when the text could not be kept (a full disk).
    bool Append(const std::string& text);
    uint64_t Size() const { return size_; }
    // Hands the kept text back in pieces, in order; false when it could not all be read back or
    // `take` refused a piece.
    bool ReadBack(const std::function<bool(const std::string&)>& take);

private:
    std::FILE* file_;
    std::string memory_;  // when there is no file
    uint64_t size_ = 0;
};
