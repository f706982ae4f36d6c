#include "capture/pcap_source.h"

#include <cstdio>

namespace {

constexpr size_t kFileHeaderSize = 24;
constexpr size_t kRecordHeaderSize = 16;
constexpr uint32_t kMicrosecondMagic = 0xA1B2C3D4;
constexpr uint32_t kNanosecondMagic = 0xA1B23C4D;
// The link type field's upper bits carry FCS information, not the link type.
constexpr uint32_t kLinkTypeMask = 0x03FFFFFF;

uint32_t Swapped(uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24);
}

}  // namespace

bool PcapSource::IsMagic(const uint8_t* first4) {
    const uint32_t magic = ByteView(first4, 4).Le32(0);
    for (uint32_t known : {kMicrosecondMagic, kNanosecondMagic}) {
        if (magic == known || magic == Swapped(known)) {
            return true;
        }
    }
    return false;
}

bool PcapSource::Start(std::string& error) {
    uint8_t bytes[kFileHeaderSize];
    if (Input().Read(bytes, sizeof(bytes)) != StreamReader::Fill::Whole) {
        error = Input().Error().empty() ? "the pcap file header is cut short"
                                        : "reading failed: " + Input().Error();
        return false;
    }
    const ByteView header(bytes, sizeof(bytes));
    const uint32_t magic = header.Le32(0);
    order_.bigEndian = magic == Swapped(kMicrosecondMagic) || magic == Swapped(kNanosecondMagic);
    const uint32_t nativeMagic = order_.bigEndian ? Swapped(magic) : magic;
    fractionDigits_ = nativeMagic == kNanosecondMagic ? 9 : 6;

    const uint16_t major = order_.U16(header, 4);
    const uint16_t minor = order_.U16(header, 6);
    if (major != 2) {
        char text[64];
        std::snprintf(text, sizeof(text), "pcap version %u.%u is not read", major, minor);
        error = text;
        return false;
    }
    const uint32_t snapLength = order_.U32(header, 16);
    recordLimit_ = snapLength == 0 || snapLength > kMaxRecordBytes ? kMaxRecordBytes : snapLength;
    linkType_ = order_.U32(header, 20) & kLinkTypeMask;
    return true;
}

CaptureOutcome PcapSource::ReadRecord(CaptureRecord& record) {
    const int64_t start = Input().Offset();
    uint8_t bytes[kRecordHeaderSize];
    const StreamReader::Fill fill = Input().Read(bytes, sizeof(bytes));
    if (fill == StreamReader::Fill::End) {
        return CaptureOutcome::End;
    }
    if (fill != StreamReader::Fill::Whole) {
        return Unfinished(fill, start, "a record header");
    }
    const ByteView header(bytes, sizeof(bytes));
    const uint32_t captured = order_.U32(header, 8);
    if (captured > recordLimit_) {
        char text[96];
        std::snprintf(text, sizeof(text), "record length %u exceeds the %s of %u bytes", captured,
                      recordLimit_ == kMaxRecordBytes ? "limit" : "snapshot length", recordLimit_);
        return Stop(CaptureOutcome::Damaged, start, text);
    }
    // No writer captures more than was on the wire: such a length is corrupt, not cut short.
    const uint32_t original = order_.U32(header, 12);
    if (captured > original) {
        char text[96];
        std::snprintf(text, sizeof(text), "record length %u exceeds its original length %u",
                      captured, original);
        return Stop(CaptureOutcome::Damaged, start, text);
    }
    data_.resize(captured);
    const StreamReader::Fill body = Input().Read(data_.data(), captured);
    if (body != StreamReader::Fill::Whole) {
        return Unfinished(body, start, "a record");
    }
    record.fileOffset = start;
    record.time.seconds = order_.U32(header, 0);
    record.time.fraction = order_.U32(header, 4);
    record.time.fractionDigits = fractionDigits_;
    record.linkType = linkType_;
    record.originalLength = original;
    record.bytes = ByteView(data_.data(), captured);
    return CaptureOutcome::Record;
}
