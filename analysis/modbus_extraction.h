#pragma once
// From one captured record to one Modbus message (one message per record, as the address pairing
// reads captures), and the first pass that finds the server.

#include <cstdint>
#include <functional>

#include "capture/capture_record.h"
#include "network/tcp_segment.h"
#include "session/CModbusMessage.h"

class CaptureSource;

enum class ExtractPass { First, Second };

enum class ExtractResult {
    NoPayload,  // not TCP, or no TCP payload: passed over, not counted
    Rejected,   // counted as a message; in the second pass also as ignored
    Accepted,
};

enum class RejectReason {
    None,
    PayloadBeyondRecord,  // the IP header claims more payload than the record holds
    ShorterThanHeader,    // fewer bytes than the Modbus/TCP header
    LengthBeyondPayload,  // the header's Length field claims more than the payload holds
};

// What one record gave, with what the debug log reports about it.
struct MessageExtraction {
    ExtractResult outcome = ExtractResult::NoPayload;
    RejectReason reason = RejectReason::None;
    bool located = false;  // a TCP segment was found (its payload may be empty)
    int32_t recordSize = 0;
    int32_t dataLength = 0;    // TCP payload length from the IP header
    int32_t headerLength = 0;  // the Modbus/TCP header's Length field
    uint16_t transactionId = 0;
    uint16_t protocolId = 0;
    int unit = 0;
    CModbusMessage message;  // addresses once located; the frame once accepted; no number
};

// Takes the Modbus message out of the TCP segment of one record of `recordSize` bytes.
MessageExtraction ExtractMessage(const TcpSegment& segment, int32_t recordSize);

// Message numbers and ignored messages of one pass: every record with payload is a message, a
// rejected one in the second pass is also ignored. Numbers the accepted message.
struct MessageCounts {
    int32_t messages = 0;
    int32_t ignored = 0;
    void Count(ExtractPass pass, MessageExtraction& extraction);
};

// The debug-log lines of one extraction from `record`.
void LogExtraction(ExtractPass pass, const MessageExtraction& extraction,
                   const CaptureRecord& record);

// Records shorter than these, counted from the start of the IP header, cannot carry a Modbus/TCP
// message (the first pass) or a whole one (the second).
constexpr int32_t kShortestFirstPassPacket = 38;
constexpr int32_t kShortestSecondPassPacket = 44;
// The address pairing reads records of at most this size; larger ones are counted and passed
// over, which keeps its message numbers what they have always been.
constexpr uint32_t kAddressPairingRecordLimit = 1024;

// The message of one record in either pass: the size limits applied, the segment decoded and the
// message extracted. NoPayload for records passed over.
MessageExtraction ExtractFromRecord(const CaptureRecord& record, ExtractPass pass);

struct ServerDiscovery {
    int32_t messageCount = 0;  // records with payload read up to the deciding message
    IpAddress server;          // unspecified: not found
    IpAddress client;
};

// The first pass: the first message whose content alone decides its direction fixes server and
// client. `afterRecord` is called after every record read (progress, on long captures); the pass
// ends early when it answers false.
ServerDiscovery FindServer(CaptureSource& source,
                           const std::function<bool(int32_t messages)>& afterRecord = {});
