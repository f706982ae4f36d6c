#pragma once
// Pairs each poll with the response that follows it, by address: one server and one client for
// the whole capture. A message to the server is held as a poll; one to the client is a response
// to the held poll; anything else stands alone.

#include <optional>
#include <vector>

#include "network/ip_address.h"
#include "session/transaction.h"

class AddressPairing {
public:
    AddressPairing(const IpAddress& server, const IpAddress& client);

    // The transactions that `message` makes ready, decoded, in report order.
    std::vector<Transaction> Add(CModbusMessage message);
    // The poll still held, when no response came.
    std::optional<Transaction> Flush();

private:
    IpAddress server_;
    IpAddress client_;
    std::optional<CModbusMessage> heldPoll_;
};
