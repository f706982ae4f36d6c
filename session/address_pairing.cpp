#include "session/address_pairing.h"

namespace {

// A response with the poll it answers, when one was held, or a message alone (shown as a request).
Transaction Decoded(std::optional<CModbusMessage> request, std::optional<CModbusMessage> response) {
    Transaction t;
    t.request = std::move(request);
    t.response = std::move(response);
    DecodeFrames(t);
    return t;
}

}  // namespace

AddressPairing::AddressPairing(const IpAddress& server, const IpAddress& client)
    : server_(server), client_(client) {}

std::vector<Transaction> AddressPairing::Add(CModbusMessage message) {
    std::vector<Transaction> ready;
    const IpAddress& destination = message.destination.address;
    if (destination != server_ && destination == client_) {
        // an answered poll gets no block of its own
        ready.push_back(Decoded(std::move(heldPoll_), std::move(message)));
        heldPoll_.reset();
        return ready;
    }
    if (std::optional<Transaction> held = Flush()) {
        ready.push_back(std::move(*held));
    }
    if (destination == server_) {
        heldPoll_ = std::move(message);
    } else {
        ready.push_back(Decoded(std::move(message), std::nullopt));
    }
    return ready;
}

std::optional<Transaction> AddressPairing::Flush() {
    if (!heldPoll_) {
        return std::nullopt;
    }
    Transaction alone = Decoded(std::move(heldPoll_), std::nullopt);
    heldPoll_.reset();
    return alone;
}
