#include "analysis/modbus_extraction.h"

#include <cstring>

#include "capture/capture_source.h"
#include "common/logging.h"
#include "modbus/length_direction.h"
#include "modbus/rtu_frame.h"
#include "network/link_types.h"
#include "network/segment_decoder.h"
#include "session/mbap.h"

namespace {

// Transaction id, protocol id, length; the unit id counts in the length.
constexpr int kModbusHeader = static_cast<int>(mbap::kLengthFieldEnd);

const char* FirstPassRejectionText(RejectReason reason) {
    switch (reason) {
        case RejectReason::PayloadBeyondRecord:
            return "ERROR: Programing bug, The data length int he IP header is greater then the "
                   "actual packet";
        case RejectReason::ShorterThanHeader:
            return "ERROR: Programing bug, The data length is less then the modbus header";
        case RejectReason::LengthBeyondPayload:
            return "ERROR: Programing bug, The data length in the mobus header is larger then the "
                   "modbus packet";
        case RejectReason::None:
            break;
    }
    return "";
}

std::string SecondPassRejectionText(const MessageExtraction& e) {
    switch (e.reason) {
        case RejectReason::PayloadBeyondRecord:
            return Format(
                "ERROR: Programing bug, The data length is greater then the actual packet "
                "iPacketSize=[%d] iDataLength=[%d]",
                e.recordSize, e.dataLength);
        case RejectReason::ShorterThanHeader:
            return Format(
                "ERROR: Programing bug, The data length is less then the modbus header size "
                "iDataLength=[%d] modbus header size=[%d]",
                e.dataLength, kModbusHeader);
        case RejectReason::LengthBeyondPayload:
            return Format(
                "ERROR: Programing bug, The data length in the mobus header is larger then the "
                "modbus packet, Mobus header length=[%d] modbus packet size=[%d]",
                e.headerLength, e.dataLength - kModbusHeader);
        case RejectReason::None:
            break;
    }
    return std::string();
}

}  // namespace

MessageExtraction ExtractMessage(const TcpSegment& tcp, int32_t recordSize) {
    MessageExtraction e;
    e.located = true;
    e.recordSize = recordSize;
    e.dataLength = static_cast<int32_t>(tcp.declaredPayloadLength);
    if (tcp.declaredPayloadLength <= 0) {
        return e;
    }
    e.message.source = {tcp.source, tcp.sourcePort};
    e.message.destination = {tcp.destination, tcp.destinationPort};
    e.outcome = ExtractResult::Rejected;
    if (static_cast<int64_t>(tcp.payload.size()) < tcp.declaredPayloadLength) {
        e.reason = RejectReason::PayloadBeyondRecord;
        return e;
    }
    const ByteView data = tcp.payload;
    if (e.dataLength < kModbusHeader) {
        e.reason = RejectReason::ShorterThanHeader;
        return e;
    }
    const MbapHeader header = ReadMbapHeader(data.Sub(0, static_cast<size_t>(e.dataLength)));
    e.transactionId = header.transactionId;
    e.protocolId = header.protocolId;
    e.headerLength = header.length;
    e.unit = header.unit;
    if (e.headerLength > e.dataLength - kModbusHeader) {
        e.reason = RejectReason::LengthBeyondPayload;
        return e;
    }
    e.outcome = ExtractResult::Accepted;
    e.message.transactionId = e.transactionId;
    e.message.protocolId = e.protocolId;
    e.message.unit = static_cast<uint8_t>(e.unit);
    e.message.frame = RtuFrameOf(data.Sub(kModbusHeader, static_cast<size_t>(e.headerLength)));
    return e;
}

MessageExtraction ExtractFromRecord(const CaptureRecord& record, ExtractPass pass) {
    MessageExtraction none;
    const int32_t size = static_cast<int32_t>(record.bytes.size());
    none.recordSize = size;
    if (record.bytes.size() > kAddressPairingRecordLimit) {
        DebugLog("Record larger than the buffer skipped, Size=[%d] Buffer=[%u] Record=[%llu]", size,
                 kAddressPairingRecordLimit, static_cast<unsigned long long>(record.number));
        return none;
    }
    TcpSegment segment;
    if (DecodeTcpSegment(record.linkType, record.bytes, segment) != LinkDecodeResult::Segment) {
        return none;
    }
    const int64_t fromIp = static_cast<int64_t>(record.bytes.size() - segment.ipOffset);
    const int32_t shortest =
        pass == ExtractPass::First ? kShortestFirstPassPacket : kShortestSecondPassPacket;
    if (fromIp < shortest) {
        return none;  // too short to carry a Modbus/TCP message
    }
    return ExtractMessage(segment, size);
}

void MessageCounts::Count(ExtractPass pass, MessageExtraction& extraction) {
    if (extraction.outcome == ExtractResult::NoPayload) {
        return;
    }
    extraction.message.number = static_cast<uint64_t>(++messages);
    if (extraction.outcome == ExtractResult::Rejected && pass == ExtractPass::Second) {
        ++ignored;
    }
}

void LogExtraction(ExtractPass pass, const MessageExtraction& e, const CaptureRecord& record) {
    if (!IsDebugLogEnabled() || !e.located) {
        return;
    }
    const long long position = static_cast<long long>(record.PcapEndOffset());
    if (pass == ExtractPass::First) {
        DebugLog("iDataLength=[%d], File offset=[%lld]", e.dataLength, position);
        if (e.reason != RejectReason::None) {
            DebugLog("%s", FirstPassRejectionText(e.reason));
        }
        return;
    }
    if (e.outcome == ExtractResult::NoPayload) {
        return;
    }
    if (e.reason != RejectReason::PayloadBeyondRecord) {
        DebugLog("Found a modbus message [%d], File offset=[%lld]",
                 static_cast<int32_t>(e.message.number), position);
        DebugLog("\tFrom [%s] To [%s]", e.message.source.address.ToString().c_str(),
                 e.message.destination.address.ToString().c_str());
    }
    if (e.reason != RejectReason::PayloadBeyondRecord &&
        e.reason != RejectReason::ShorterThanHeader) {
        DebugLog(
            "\tTransaction Identifier=[%d], Protocol Identifier=[%d], Length=[%d], Unit "
            "Identifier=[%d]",
            e.transactionId, e.protocolId, e.headerLength, e.unit);
    }
    if (e.outcome == ExtractResult::Rejected) {
        DebugLog("%s", SecondPassRejectionText(e).c_str());
        return;
    }
    const std::string text = FrameTextOf(ByteView(e.message.frame));
    DebugLog("\tModbus Message Len=[%d] Msg=[%s]", static_cast<int>(text.size()), text.c_str());
}

ServerDiscovery FindServer(CaptureSource& source,
                           const std::function<bool(int32_t messages)>& afterRecord) {
    ServerDiscovery found;
    MessageCounts counts;
    CaptureRecord record;
    while (source.Next(record) == CaptureOutcome::Record) {
        MessageExtraction extraction = ExtractFromRecord(record, ExtractPass::First);
        counts.Count(ExtractPass::First, extraction);
        found.messageCount = counts.messages;
        LogExtraction(ExtractPass::First, extraction, record);
        if (afterRecord && !afterRecord(counts.messages)) {
            return found;
        }
        if (extraction.outcome != ExtractResult::Accepted) {
            continue;
        }
        const CModbusMessage& message = extraction.message;
        switch (ClassifyFrame(FrameView(ByteView(message.frame)))) {
            case FrameClass::Poll:
                found.client = message.source.address;
                found.server = message.destination.address;
                return found;
            case FrameClass::Response:
                found.server = message.source.address;
                found.client = message.destination.address;
                return found;
            case FrameClass::Undecided:
                break;
        }
    }
    return found;
}
