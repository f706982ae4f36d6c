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

// Takes the Modbus message out of one record. `readerPosition` only goes into debug lines.
// Advances messageNumber for every record with payload and, in the second pass, ignoredCount
// for every rejection.
ExtractResult ExtractMessage(const uint8_t* record, int32_t recordSize, ExtractPass pass,
                             int64_t readerPosition, int32_t& messageNumber, int32_t& ignoredCount,
                             CModbusMessage& message);

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
