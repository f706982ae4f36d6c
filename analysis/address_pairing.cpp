#include "analysis/address_pairing.h"

AddressPairing::AddressPairing(const IpAddress& server, const IpAddress& client)
    : server_(server), client_(client) {}

std::vector<FrameToReport> AddressPairing::Add(const CModbusMessage& message) {
    std::vector<FrameToReport> ready;
    if (message.destination != server_ && message.destination == client_) {
        // an answered poll gets no block of its own
        ready.push_back({message, std::move(heldPoll_), true, std::string()});
        heldPoll_.reset();
        return ready;
    }
    if (std::optional<FrameToReport> held = Flush()) {
        ready.push_back(std::move(*held));
    }
    if (message.destination == server_) {
        heldPoll_ = message;
    } else {
        ready.push_back({message, std::nullopt, false, std::string()});
    }
    return ready;
}

std::optional<FrameToReport> AddressPairing::Flush() {
    if (!heldPoll_) {
        return std::nullopt;
    }
    FrameToReport alone{std::move(*heldPoll_), std::nullopt, false, std::string()};
    heldPoll_.reset();
    return alone;
}
