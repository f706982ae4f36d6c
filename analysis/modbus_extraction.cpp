#include "analysis/modbus_extraction.h"

#include <cstring>

#include "common/CLibPCaps.h"
#include "common/logging.h"
#include "modbus/length_direction.h"
#include "modbus/modbus_crc.h"

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

void LogRejection(ExtractPass pass, const char* firstPassText, const std::string& secondPassText,
                  int32_t& ignoredCount) {
    if (pass == ExtractPass::First) {
        DebugLog("%s", firstPassText);
    } else {
        DebugLog("%s", secondPassText.c_str());
        ++ignoredCount;
    }
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
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(static_cast<size_t>(length + 2) * 3);
    auto appendByte = [&text](uint8_t b) {
        text += kHex[b >> 4];
        text += kHex[b & 0x0F];
        text += ' ';
    };
    for (int i = 0; i < length; ++i) {
        appendByte(bytes[i]);
    }
    const uint16_t crc = ModbusCRC16(bytes, static_cast<uint16_t>(length));
    appendByte(static_cast<uint8_t>(crc >> 8));
    appendByte(static_cast<uint8_t>(crc & 0xFF));
    return text;
}

ExtractResult ExtractMessage(const uint8_t* record, int32_t recordSize, ExtractPass pass,
                             int64_t readerPosition, int32_t& messageNumber, int32_t& ignoredCount,
                             CModbusMessage& message) {
    const long long position = static_cast<long long>(readerPosition);
    TcpPayload tcp;
    if (!LocateTcpPayload(record, recordSize, tcp)) {
        return ExtractResult::NoPayload;
    }
    const int dataLength = tcp.length;
    if (pass == ExtractPass::First) {
        DebugLog("iDataLength=[%d], File offset=[%lld]", dataLength, position);
    }
    if (dataLength <= 0) {
        return ExtractResult::NoPayload;
    }
    ++messageNumber;

    if (recordSize < tcp.offset + dataLength) {
        LogRejection(
            pass,
            "ERROR: Programing bug, The data length int he IP header is greater then the actual "
            "packet",
            Format("ERROR: Programing bug, The data length is greater then the actual packet "
                   "iPacketSize=[%d] iDataLength=[%d]",
                   recordSize, dataLength),
            ignoredCount);
        return ExtractResult::Rejected;
    }
    const uint8_t* data = record + tcp.offset;
    if (pass == ExtractPass::Second) {
        DebugLog("Found a modbus message [%d], File offset=[%lld]", messageNumber, position);
        DebugLog("\tFrom [%d.%d.%d.%d] To [%d.%d.%d.%d]", tcp.source[0], tcp.source[1],
                 tcp.source[2], tcp.source[3], tcp.destination[0], tcp.destination[1],
                 tcp.destination[2], tcp.destination[3]);
    }
    if (dataLength < kModbusHeader) {
        LogRejection(
            pass, "ERROR: Programing bug, The data length is less then the modbus header",
            Format("ERROR: Programing bug, The data length is less then the modbus header size "
                   "iDataLength=[%d] modbus header size=[%d]",
                   dataLength, kModbusHeader),
            ignoredCount);
        return ExtractResult::Rejected;
    }
    const int length = Be16(data + 4);
    if (pass == ExtractPass::Second) {
        DebugLog(
            "\tTransaction Identifier=[%d], Protocol Identifier=[%d], Length=[%d], Unit "
            "Identifier=[%d]",
            Be16(data), Be16(data + 2), length, dataLength > kModbusHeader ? data[6] : 0);
    }
    if (length > dataLength - kModbusHeader) {
        LogRejection(
            pass,
            "ERROR: Programing bug, The data length in the mobus header is larger then the modbus "
            "packet",
            Format("ERROR: Programing bug, The data length in the mobus header is larger then the "
                   "modbus packet, Mobus header length=[%d] modbus packet size=[%d]",
                   length, dataLength - kModbusHeader),
            ignoredCount);
        return ExtractResult::Rejected;
    }
    message.source = tcp.source;
    message.destination = tcp.destination;
    message.number = messageNumber;
    message.frameText = BuildFrameText(data + kModbusHeader, length);
    if (pass == ExtractPass::Second) {
        DebugLog("\tModbus Message Len=[%d] Msg=[%s]", static_cast<int>(message.frameText.size()),
                 message.frameText.c_str());
    }
    return ExtractResult::Accepted;
}

ServerDiscovery FindServer(CLibPCaps& reader, uint8_t* buffer) {
    ServerDiscovery found;
    int32_t unusedIgnored = 0;
    for (;;) {
        std::memset(buffer, 0, kPacketBufferSize);
        const int32_t size = reader.ReadPacket(buffer, kPacketBufferSize);
        if (size == CLibPCaps::READ_END) {
            return found;
        }
        if (size < kShortestFirstPassRecord) {
            continue;  // too short to carry a Modbus/TCP message, or stepped over by the reader
        }
        CModbusMessage message;
        if (ExtractMessage(buffer, size, ExtractPass::First, reader.Position(), found.messageCount,
                           unusedIgnored, message) != ExtractResult::Accepted) {
            continue;
        }
        const int direction = ClassifyFrame(message.frameText);
        if (direction == 1) {
            found.client = message.source;
            found.server = message.destination;
            return found;
        }
        if (direction == 2) {
            found.server = message.source;
            found.client = message.destination;
            return found;
        }
    }
}
