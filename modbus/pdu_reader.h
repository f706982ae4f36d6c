#pragma once
// A cursor over the bytes of a PDU for decoders of variable layouts: a read that does not fit
// gives nothing and marks the reader short, so a decoder keeps what was whole and can tell that
// the PDU ended early.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "common/byte_view.h"

class PduReader {
public:
    explicit PduReader(ByteView bytes) : bytes_(bytes) {}

    std::optional<uint8_t> Byte() {
        if (!Fits(1)) {
            return std::nullopt;
        }
        return bytes_.At(offset_++);
    }
    std::optional<uint16_t> Word() {
        if (!Fits(2)) {
            return std::nullopt;
        }
        offset_ += 2;
        return bytes_.Be16(offset_ - 2);
    }
    // The next `length` bytes, or all that are left (marking the reader short) when fewer are.
    ByteView Take(size_t length) {
        const ByteView taken = bytes_.Sub(offset_, length);
        Fits(length);
        offset_ += taken.size();
        return taken;
    }

    size_t Left() const { return bytes_.size() - offset_; }
    // A read asked for more than was left.
    bool Short() const { return short_; }

private:
    bool Fits(size_t length) {
        if (!bytes_.Has(offset_, length)) {
            short_ = true;
            return false;
        }
        return true;
    }

    ByteView bytes_;
    size_t offset_ = 0;
    bool short_ = false;
};
