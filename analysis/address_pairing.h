#pragma once
// Pairs each poll with the response that follows it, by address: one server and one client for
// the whole capture. A message to the server is held as a poll; one to the client is a response
// to the held poll; anything else stands alone.

#include <optional>
#include <vector>

#include "analysis/CModbusMessage.h"

// One frame as the report shows it.
struct FrameToReport {
    CModbusMessage frame;
    std::optional<CModbusMessage> poll;  // the poll a response answers, when one was held
    bool asResponse = false;             // analysed as the answer to a poll (closes with "Finis.")
};

class AddressPairing {
public:
    AddressPairing(const Ipv4Address& server, const Ipv4Address& client);

    // The frames that `message` makes ready, in report order.
    std::vector<FrameToReport> Add(const CModbusMessage& message);
    // The poll still held, when no response came.
    std::optional<FrameToReport> Flush();

private:
    Ipv4Address server_;
    Ipv4Address client_;
    std::optional<CModbusMessage> heldPoll_;
};
