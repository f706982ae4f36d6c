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
    std::string note;                    // what the pairing found, shown after the analysis
};

class AddressPairing {
public:
    AddressPairing(const IpAddress& server, const IpAddress& client);

    // The frames that `message` makes ready, in report order.
    std::vector<FrameToReport> Add(const CModbusMessage& message);
    // The poll still held, when no response came.
    std::optional<FrameToReport> Flush();

private:
    IpAddress server_;
    IpAddress client_;
    std::optional<CModbusMessage> heldPoll_;
};
