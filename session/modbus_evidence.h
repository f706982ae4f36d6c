#pragma once
// Whether a connection carries Modbus/TCP, judged by what the framing of its two directions
// shows, and how each message framed fits Modbus.
//
// On a Modbus port the judgement rests first on evidence of MBAP framing: a protocol id of 0,
// lengths that chain (each header where the previous length says the next one is) and responses
// that carry their request's transaction id and unit. What well-framed MBAP holds does not count
// against it: unknown, vendor and user-defined function codes, answers that are all exceptions and
// lengths no public layout has are Modbus. Only a stream whose framing broke (a header with
// another protocol id, or too short, where one should be: RPC, HTTP, TLS ... on port 502) is
// weighed further, by how its messages fit the public functions, and may be passed over.
//
// Off the Modbus ports a connection must prove itself: its framing is held to the public function
// codes and to lengths a Modbus PDU can have, and a few messages must frame so.

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "session/mbap.h"

enum class Recognition {
    Modbus,     // its framing proved it, or did not contradict it on a Modbus port
    Candidate,  // still being judged
    NotModbus,
};

enum class ModbusFit {
    Fits,
    // A public function whose length its layout rules out: a read request of other than 5 PDU
    // bytes, a response whose byte count does not fit, an exception of other than 2 PDU bytes.
    BadLayout,
    // A function code no Modbus device uses, or a length longer than any Modbus PDU.
    Foreign,
};

ModbusFit JudgeMessage(const MbapHeader& header, const std::vector<uint8_t>& rtuFrame);

// What one direction of a connection has shown while the connection is judged.
struct DirectionEvidence {
    bool sentData = false;
    std::array<uint64_t, 3> fits{};  // messages framed, by ModbusFit
    // Framed in step from the direction's first byte: no header before them broke framing and
    // no byte was lost.
    uint64_t messagesInStep = 0;
    // A message framed in step carried the transaction id and unit of one the other end framed
    // before it: an answer.
    bool answered = false;
    // The transaction ids and units of its first messages.
    std::vector<std::pair<uint16_t, uint8_t>> ids;
    // Headers no message can have where framing expected one: a protocol id other than 0 or a
    // length under 2 (off the Modbus ports also over 254, or a function code no public one).
    uint64_t breaks = 0;
    bool lostStep = false;  // bytes never captured, or the sequence numbers jumped

    uint64_t Messages() const { return fits[0] + fits[1] + fits[2]; }
};

using ConnectionEvidence = std::array<DirectionEvidence, 2>;

// Notes a message `side` framed; `inStep` when its direction kept step up to it.
void TakeMessage(ConnectionEvidence& evidence, int side, bool inStep, uint16_t transactionId,
                 uint8_t unit, ModbusFit fit);

// `decideNow` at the end of the connection, or when it holds up too much: Candidate is no answer
// then.
Recognition JudgeOnModbusPort(const ConnectionEvidence& evidence, bool decideNow);
// `messagesToRecognise`: what both directions together must frame.
Recognition JudgeOffModbusPorts(const ConnectionEvidence& evidence, size_t messagesToRecognise,
                                bool decideNow);
