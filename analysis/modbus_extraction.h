#pragma once
// From one captured packet to one Modbus message, and the first pass that finds the server.

#include <cstdint>

#include "analysis/CModbusMessage.h"

class CLibPCaps;

enum class ExtractPass { First, Second };

enum class ExtractResult {
    NoPayload,  // not IPv4/TCP, or no TCP payload: passed over, not counted
    Rejected,   // counted as a message; in the second pass also as ignored
    Accepted,
};

enum class RejectReason {
    None,
    PayloadBeyondRecord,  // the IP header claims more payload than the record holds
    ShorterThanHeader,    // fewer bytes than the Modbus/TCP header
    LengthBeyondPayload,  // the header's Length field claims more than the payload holds
};

// Where the TCP payload of an Ethernet II (optionally 802.1Q-tagged) IPv4 packet lies.
struct TcpPayload {
    int offset = 0;
    int length = 0;  // from the IPv4 total length; may claim more than was captured
    Ipv4Address source{};
    Ipv4Address destination{};
};

// False when the record is not IPv4 carrying TCP or is too short for its own headers.
bool LocateTcpPayload(const uint8_t* record, int32_t recordSize, TcpPayload& payload);

// The RTU frame text of `length` bytes: each byte as "%02X ", then the two CRC bytes.
std::string BuildFrameText(const uint8_t* bytes, int length);

// What one record gave, with what the debug log reports about it.
struct MessageExtraction {
    ExtractResult outcome = ExtractResult::NoPayload;
    RejectReason reason = RejectReason::None;
    bool located = false;  // a TCP payload was found (its length may be 0)
    int32_t recordSize = 0;
    int32_t dataLength = 0;    // TCP payload length from the IP header
    int32_t headerLength = 0;  // the Modbus/TCP header's Length field
    uint16_t transactionId = 0;
    uint16_t protocolId = 0;
    int unit = 0;
    CModbusMessage message;  // addresses once located; the frame once accepted; no number
};

// Takes the Modbus message out of one record.
MessageExtraction ExtractMessage(const uint8_t* record, int32_t recordSize);

// Message numbers and ignored messages of one pass: every record with payload is a message, a
// rejected one in the second pass is also ignored. Numbers the accepted message.
struct MessageCounts {
    int32_t messages = 0;
    int32_t ignored = 0;
    void Count(ExtractPass pass, MessageExtraction& extraction);
};

// The debug-log lines of one extraction; `readerPosition` is the reader's file offset.
void LogExtraction(ExtractPass pass, const MessageExtraction& extraction, int64_t readerPosition);

struct ServerDiscovery {
    int32_t messageCount = 0;  // records with payload read up to the deciding message
    Ipv4Address server{};      // 0.0.0.0: not found
    Ipv4Address client{};
};

// The first pass: the first message whose content alone decides its direction fixes server and
// client. `buffer` has room for kPacketBufferSize bytes.
ServerDiscovery FindServer(CLibPCaps& reader, uint8_t* buffer);

constexpr uint32_t kPacketBufferSize = 1024;
constexpr int32_t kShortestFirstPassRecord = 52;
constexpr int32_t kShortestSecondPassRecord = 58;
