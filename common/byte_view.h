#pragma once
// A bounded, read-only view of bytes. Reads outside the view give 0 and slices are clipped to it,
// so a decoder driven by hostile length fields can never read past what was captured.

#include <cstddef>
#include <cstdint>
#include <vector>

class ByteView {
public:
    ByteView() = default;
    ByteView(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}
    explicit ByteView(const std::vector<uint8_t>& bytes) : ByteView(bytes.data(), bytes.size()) {}

    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const uint8_t* begin() const { return data_; }
    const uint8_t* end() const { return data_ + size_; }

    // True when `length` bytes from `offset` lie inside the view.
    bool Has(size_t offset, size_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    uint8_t At(size_t offset) const { return offset < size_ ? data_[offset] : 0; }
    uint16_t Be16(size_t offset) const {
        return static_cast<uint16_t>((At(offset) << 8) | At(offset + 1));
    }
    uint32_t Be32(size_t offset) const {
        return (static_cast<uint32_t>(Be16(offset)) << 16) | Be16(offset + 2);
    }
    uint16_t Le16(size_t offset) const {
        return static_cast<uint16_t>(At(offset) | (At(offset + 1) << 8));
    }
    uint32_t Le32(size_t offset) const {
        return Le16(offset) | (static_cast<uint32_t>(Le16(offset + 2)) << 16);
    }
    // The bytes from `offset`, at most `length` of them; empty when offset is past the end.
    ByteView Sub(size_t offset, size_t length = SIZE_MAX) const {
        if (offset >= size_) {
            return ByteView();
        }
        const size_t room = size_ - offset;
        return ByteView(data_ + offset, length < room ? length : room);
    }
    std::vector<uint8_t> ToVector() const { return std::vector<uint8_t>(begin(), end()); }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};
