#pragma once
// Pairs each poll with the response that follows it and appends one block per analysed frame to
// the report file.

#include <string>

#include "analysis/CModbusMessage.h"

class CFramePairing {
public:
    CFramePairing(std::string reportFile, const Ipv4Address& server, const Ipv4Address& client);

    // A message to the server is held as a poll; one to the client is analysed as a response
    // together with the held poll; anything else is analysed alone. False when a block could not
    // be written to the report file.
    bool ReportMessage(const CModbusMessage& message);

    // Analyses and writes a poll that is still held (no response came). False on a write failure.
    bool FlushHeldPoll();

private:
    bool WriteFrameBlock(int32_t number, std::string& text);

    std::string reportFile_;
    Ipv4Address server_;
    Ipv4Address client_;
    CModbusMessage heldPoll_;  // empty frame text: no poll held
    std::string reportText_;
};
