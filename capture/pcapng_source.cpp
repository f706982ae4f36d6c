#include "capture/pcapng_source.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr uint32_t kSectionHeaderBlock = 0x0A0D0D0A;
constexpr uint32_t kInterfaceDescriptionBlock = 1;
constexpr uint32_t kPacketBlock = 2;  // obsolete, still written by old tools
constexpr uint32_t kSimplePacketBlock = 3;
constexpr uint32_t kEnhancedPacketBlock = 6;
constexpr uint32_t kByteOrderMagic = 0x1A2B3C4D;

constexpr uint16_t kOptionEnd = 0;
constexpr uint16_t kOptionTsresol = 9;
constexpr uint16_t kOptionTsoffset = 14;

constexpr size_t kBlockHeader = 8;   // type and total length
constexpr size_t kBlockTrailer = 4;  // the total length again
// Room for the largest record plus its fixed fields and options.
constexpr uint32_t kMaxBlockBytes = kMaxRecordBytes + 64 * 1024;

struct BlockRule {
    uint32_t type;
    uint32_t minimumLength;
    bool read;  // false: stepped over without being held
};

// Fixed parts: SHB byte-order magic, version, section length; IDB link type, reserved,
// snaplen; EPB/PB interface, time, lengths; SPB original length.
constexpr BlockRule kBlockRules[] = {
    {kSectionHeaderBlock, 28, true},  {kInterfaceDescriptionBlock, 20, true},
    {kPacketBlock, 32, true},         {kSimplePacketBlock, 16, true},
    {kEnhancedPacketBlock, 32, true},
};
constexpr BlockRule kOtherBlock = {0, 12, false};

const BlockRule& RuleFor(uint32_t type) {
    for (const BlockRule& rule : kBlockRules) {
        if (rule.type == type) {
            return rule;
        }
    }
    return kOtherBlock;
}

std::string Text(const char* format, unsigned long long a, unsigned long long b = 0) {
    char text[128];
    std::snprintf(text, sizeof(text), format, a, b);
    return text;
}

}  // namespace

bool PcapngSource::IsMagic(const uint8_t* first4) {
    return ByteView(first4, 4).Be32(0) == kSectionHeaderBlock;
}

bool PcapngSource::Start(std::string& error) {
    Block block;
    if (ReadBlock(block) != CaptureOutcome::Record) {
        error = Failure().message;
        return false;
    }
    return StartSection(block, error);
}

CaptureOutcome PcapngSource::ReadRecord(CaptureRecord& record) {
    for (;;) {
        Block block;
        const CaptureOutcome outcome = ReadBlock(block);
        if (outcome != CaptureOutcome::Record) {
            return outcome;
        }
        std::string error;
        switch (block.type) {
            case kSectionHeaderBlock:
                if (!StartSection(block, error)) {
                    return Stop(CaptureOutcome::Damaged, block.offset, error);
                }
                break;
            case kInterfaceDescriptionBlock:
                if (!AddInterface(block, error)) {
                    return Stop(CaptureOutcome::Damaged, block.offset, error);
                }
                break;
            case kEnhancedPacketBlock:
            case kPacketBlock:
            case kSimplePacketBlock:
                return DeliverPacket(block, record);
            default:
                break;
        }
    }
}

CaptureOutcome PcapngSource::ReadBlock(Block& block) {
    block.offset = Input().Offset();
    uint8_t header[kBlockHeader];
    const StreamReader::Fill fill = Input().Read(header, sizeof(header));
    if (fill == StreamReader::Fill::End) {
        return CaptureOutcome::End;
    }
    if (fill != StreamReader::Fill::Whole) {
        return Unfinished(fill, block.offset, "a block header");
    }
    const ByteView head(header, sizeof(header));
    size_t alreadyRead = 0;
    if (head.Be32(0) == kSectionHeaderBlock) {
        // A new section may change the byte order: its byte-order magic tells.
        body_.resize(4);
        const StreamReader::Fill magic = Input().Read(body_.data(), 4);
        if (magic != StreamReader::Fill::Whole) {
            return Unfinished(magic, block.offset, "a block");
        }
        const ByteView bom(body_.data(), 4);
        if (bom.Be32(0) != kByteOrderMagic && bom.Le32(0) != kByteOrderMagic) {
            return Stop(CaptureOutcome::Damaged, block.offset,
                        "section header block without the byte-order magic");
        }
        order_.bigEndian = bom.Be32(0) == kByteOrderMagic;
        alreadyRead = 4;
    }
    block.type = order_.U32(head, 0);
    const uint32_t length = order_.U32(head, 4);
    const BlockRule& rule = RuleFor(block.type);
    if (length % 4 != 0 || length < rule.minimumLength) {
        return Stop(CaptureOutcome::Damaged, block.offset,
                    Text(length % 4 != 0 ? "block length %llu is not a multiple of 4"
                                         : "block length %llu is too small for block type %llu",
                         length, block.type));
    }
    if (!rule.read) {
        const StreamReader::Fill skipped = Input().Skip(length - kBlockHeader - kBlockTrailer);
        if (skipped != StreamReader::Fill::Whole) {
            return Unfinished(skipped, block.offset, "a block");
        }
        return ReadBlockBody(block, length, 0, 0);
    }
    if (length > kMaxBlockBytes) {
        return Stop(
            CaptureOutcome::Damaged, block.offset,
            Text("block length %llu exceeds the limit of %llu bytes", length, kMaxBlockBytes));
    }
    return ReadBlockBody(block, length, length - kBlockHeader - kBlockTrailer, alreadyRead);
}

// Reads the rest of the block's body (`alreadyRead` of its `bodySize` bytes are in body_), then
// the trailing length, which must repeat the leading one.
CaptureOutcome PcapngSource::ReadBlockBody(Block& block, uint32_t length, size_t bodySize,
                                           size_t alreadyRead) {
    body_.resize(bodySize + kBlockTrailer);
    const size_t toRead = body_.size() - alreadyRead;
    const StreamReader::Fill fill = Input().Read(body_.data() + alreadyRead, toRead);
    if (fill != StreamReader::Fill::Whole) {
        return Unfinished(fill, block.offset, "a block");
    }
    const uint32_t trailing = order_.U32(ByteView(body_), bodySize);
    if (trailing != length) {
        return Stop(
            CaptureOutcome::Damaged, block.offset,
            Text("the block's two length fields disagree (%llu and %llu)", length, trailing));
    }
    block.body = ByteView(body_.data(), bodySize);
    return CaptureOutcome::Record;
}

bool PcapngSource::StartSection(const Block& block, std::string& error) {
    const uint16_t major = order_.U16(block.body, 4);
    const uint16_t minor = order_.U16(block.body, 6);
    if (major != 1) {
        error = Text("pcapng version %llu.%llu is not read", major, minor);
        return false;
    }
    interfaces_.clear();  // interface numbers start again in every section
    return true;
}

bool PcapngSource::AddInterface(const Block& block, std::string& error) {
    Interface interface;
    interface.linkType = order_.U16(block.body, 0);
    interface.snapLength = order_.U32(block.body, 4);
    if (interface.snapLength != 0 && interface.snapLength < kMaxRecordBytes) {
        interface.recordLimit = interface.snapLength;
    }
    // Options: code, length, value padded to 4 bytes; a malformed tail is ignored.
    size_t at = 8;
    while (block.body.Has(at, 4)) {
        const uint16_t code = order_.U16(block.body, at);
        const uint16_t size = order_.U16(block.body, at + 2);
        const ByteView value = block.body.Sub(at + 4, size);
        if (code == kOptionEnd || value.size() < size) {
            break;
        }
        if (code == kOptionTsresol && size >= 1 &&
            !TimestampResolution::FromTsresol(value.At(0), interface.resolution)) {
            error =
                Text("timestamp resolution code 0x%02llx (if_tsresol) is not read", value.At(0));
            return false;
        }
        if (code == kOptionTsoffset && size == 8) {
            interface.offsetSeconds = static_cast<int64_t>(order_.U64(value, 0));
        }
        at += 4 + ((size + 3u) & ~size_t{3});
    }
    interfaces_.push_back(interface);
    return true;
}

CaptureOutcome PcapngSource::DeliverPacket(const Block& block, CaptureRecord& record) {
    const ByteView& body = block.body;
    uint32_t interfaceId = 0;
    uint64_t units = 0;
    uint32_t captured = 0;
    size_t dataOffset = 0;
    bool timed = true;
    if (block.type == kEnhancedPacketBlock) {
        interfaceId = order_.U32(body, 0);
        units = order_.U64Halves(body, 4);
        captured = order_.U32(body, 12);
        record.originalLength = order_.U32(body, 16);
        dataOffset = 20;
    } else if (block.type == kPacketBlock) {
        interfaceId = order_.U16(body, 0);  // then a 16-bit drop count
        units = order_.U64Halves(body, 4);
        captured = order_.U32(body, 12);
        record.originalLength = order_.U32(body, 16);
        dataOffset = 20;
    } else {  // Simple Packet Block: interface 0, no time, captured length implied
        record.originalLength = order_.U32(body, 0);
        dataOffset = 4;
        timed = false;
    }
    if (interfaceId >= interfaces_.size()) {
        return Stop(
            CaptureOutcome::Damaged, block.offset,
            Text("packet of interface %llu, which the section does not describe", interfaceId));
    }
    const Interface& interface = interfaces_[interfaceId];
    const size_t room = body.size() - dataOffset;
    if (!timed) {
        captured = static_cast<uint32_t>(std::min<uint64_t>(record.originalLength, room));
        if (interface.snapLength != 0) {
            captured = std::min(captured, interface.snapLength);
        }
    }
    if (captured > room) {
        return Stop(
            CaptureOutcome::Damaged, block.offset,
            Text("captured length %llu exceeds the %llu bytes its block holds", captured, room));
    }
    if (captured > record.originalLength) {
        return Stop(CaptureOutcome::Damaged, block.offset,
                    Text("captured length %llu exceeds the original length %llu", captured,
                         static_cast<uint64_t>(record.originalLength)));
    }
    if (captured > interface.recordLimit) {
        return Stop(CaptureOutcome::Damaged, block.offset,
                    Text("record length %llu exceeds the snapshot length of %llu bytes", captured,
                         interface.recordLimit));
    }
    record.fileOffset = block.offset;
    record.time =
        timed ? interface.resolution.Convert(units, interface.offsetSeconds) : CaptureTimestamp();
    record.linkType = interface.linkType;
    record.bytes = body.Sub(dataOffset, captured);
    return CaptureOutcome::Record;
}
