#pragma once
// Holds the decoder's results in capture order until they may be handed on: messages of a
// connection that is not yet known to carry Modbus wait, and so does everything behind them.
// Messages are numbered as they leave, so the numbers follow capture order with no holes.

#include <cstdint>
#include <deque>
#include <vector>

#include "session/CModbusMessage.h"
#include "session/modbus_message_sink.h"

class ReleaseQueue {
public:
    void PushTime(int64_t steadyNanoseconds);
    void PushMessage(CModbusMessage message, bool ready);
    void PushConnectionClosed(uint64_t connectionId, bool captureEnded = false);

    void MarkReady(uint64_t connectionId);
    void Drop(uint64_t connectionId);
    // Gives the waiting messages of the connection their direction, now that its server is known.
    void SetServer(uint64_t connectionId, const Endpoint& server);

    // Hands on everything up to the first message that must still wait.
    void Release(ModbusMessageSink& sink);
    size_t size() const { return events_.size(); }
    // The connection whose message holds the queue up; 0 when nothing waits.
    uint64_t FirstWaitingConnection() const;
    uint64_t messagesReleased() const { return lastNumber_; }

private:
    enum class Kind { Message, ConnectionClosed, Time };
    struct Event {
        Kind kind = Kind::Time;
        bool ready = true;
        bool captureEnded = false;  // ConnectionClosed: still open when the capture ended
        CModbusMessage message;     // Time: its steady time; ConnectionClosed: its connection id
    };

    std::deque<Event> events_;
    std::vector<ClockStep> carriedSteps_;  // of dropped messages, for the next message pushed
    uint64_t lastNumber_ = 0;
};
