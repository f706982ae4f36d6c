#include "analysis/modbus_extraction.h"

#include <cstring>

#include "common/CLibPCaps.h"
#include "common/logging.h"
#include "modbus/length_direction.h"

namespace {

constexpr int kEthernetHeader = 14;
constexpr int kVlanTag = 4;
constexpr uint16_t kEtherTypeIpv4 = 0x0800;
constexpr uint16_t kEtherTypeVlan = 0x8100;
constexpr uint8_t kProtocolTcp = 6;
constexpr int kModbusHeader =
    6;  // transaction id, protocol id, length; the unit id counts in Length

uint16_t Be16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

Ipv4Address AddressAt(const uint8_t* p) {
    return {p[0], p[1], p[2], p[3]};
}

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

bool LocateTcpPayload(const uint8_t* record, int32_t recordSize, TcpPayload& payload) {
    int ip = kEthernetHeader;
    if (recordSize < kEthernetHeader) {
        return false;
    }
    uint16_t etherType = Be16(record + 12);
    if (etherType == kEtherTypeVlan) {
        if (recordSize < kEthernetHeader + kVlanTag) {
            return false;
        }
        etherType = Be16(record + 16);
        ip += kVlanTag;
    }
    if (etherType != kEtherTypeIpv4 || recordSize < ip + 20) {
        return false;
    }
    const int ipHeaderLength = (record[ip] & 0x0F) * 4;
    if ((record[ip] >> 4) != 4 || ipHeaderLength < 20 || record[ip + 9] != kProtocolTcp) {
        return false;
    }
    const int tcp = ip + ipHeaderLength;
    if (recordSize < tcp + 20) {
        return false;
    }
    const int tcpHeaderLength = (record[tcp + 12] >> 4) * 4;
    if (tcpHeaderLength < 20 || recordSize < tcp + tcpHeaderLength) {
        return false;
    }
    payload.offset = tcp + tcpHeaderLength;
    payload.length = Be16(record + ip + 2) - ipHeaderLength - tcpHeaderLength;
    payload.source = AddressAt(record + ip + 12);
    payload.destination = AddressAt(record + ip + 16);
    return true;
}

std::string BuildFrameText(const uint8_t* bytes, int length) {
    return FrameTextOf(ByteView(RtuFrameOf(ByteView(bytes, static_cast<size_t>(length)))));
}

MessageExtraction ExtractMessage(const uint8_t* record, int32_t recordSize) {
    MessageExtraction e;
    e.recordSize = recordSize;
    TcpPayload tcp;
    if (!LocateTcpPayload(record, recordSize, tcp)) {
        return e;
    }
    e.located = true;
    e.dataLength = tcp.length;
    if (tcp.length <= 0) {
        return e;
    }
    e.message.source = tcp.source;
    e.message.destination = tcp.destination;
    e.outcome = ExtractResult::Rejected;
    if (recordSize < tcp.offset + tcp.length) {
        e.reason = RejectReason::PayloadBeyondRecord;
        return e;
    }
    const ByteView data(record + tcp.offset, static_cast<size_t>(tcp.length));
    if (tcp.length < kModbusHeader) {
        e.reason = RejectReason::ShorterThanHeader;
        return e;
    }
    e.transactionId = data.Be16(0);
    e.protocolId = data.Be16(2);
    e.headerLength = data.Be16(4);
    e.unit = tcp.length > kModbusHeader ? data.At(6) : 0;
    if (e.headerLength > tcp.length - kModbusHeader) {
        e.reason = RejectReason::LengthBeyondPayload;
        return e;
    }
    e.outcome = ExtractResult::Accepted;
    e.message.frame = RtuFrameOf(data.Sub(kModbusHeader, static_cast<size_t>(e.headerLength)));
    return e;
}

void MessageCounts::Count(ExtractPass pass, MessageExtraction& extraction) {
    if (extraction.outcome == ExtractResult::NoPayload) {
        return;
    }
    extraction.message.number = ++messages;
    if (extraction.outcome == ExtractResult::Rejected && pass == ExtractPass::Second) {
        ++ignored;
    }
}

void LogExtraction(ExtractPass pass, const MessageExtraction& e, int64_t readerPosition) {
    if (!IsDebugLogEnabled() || !e.located) {
        return;
    }
    const long long position = static_cast<long long>(readerPosition);
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
        const Ipv4Address& s = e.message.source;
        const Ipv4Address& d = e.message.destination;
        DebugLog("Found a modbus message [%d], File offset=[%lld]", e.message.number, position);
        DebugLog("\tFrom [%d.%d.%d.%d] To [%d.%d.%d.%d]", s[0], s[1], s[2], s[3], d[0], d[1], d[2],
                 d[3]);
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
    const std::string text = e.message.FrameText();
    DebugLog("\tModbus Message Len=[%d] Msg=[%s]", static_cast<int>(text.size()), text.c_str());
}

ServerDiscovery FindServer(CLibPCaps& reader, uint8_t* buffer) {
    ServerDiscovery found;
    MessageCounts counts;
    for (;;) {
        std::memset(buffer, 0, kPacketBufferSize);
        const int32_t size = reader.ReadPacket(buffer, kPacketBufferSize);
        if (size == CLibPCaps::READ_END) {
            return found;
        }
        if (size < kShortestFirstPassRecord) {
            continue;  // too short to carry a Modbus/TCP message, or stepped over by the reader
        }
        MessageExtraction extraction = ExtractMessage(buffer, size);
        counts.Count(ExtractPass::First, extraction);
        found.messageCount = counts.messages;
        LogExtraction(ExtractPass::First, extraction, reader.Position());
        if (extraction.outcome != ExtractResult::Accepted) {
            continue;
        }
        const CModbusMessage& message = extraction.message;
        const std::vector<int32_t> values = FrameValuesOf(ByteView(message.frame));
        switch (ClassifyFrame(FrameView(values))) {
            case CLASS_POLL:
                found.client = message.source;
                found.server = message.destination;
                return found;
            case CLASS_RESPONSE:
                found.server = message.source;
                found.client = message.destination;
                return found;
            case CLASS_UNDECIDED:
                break;
        }
    }
}
