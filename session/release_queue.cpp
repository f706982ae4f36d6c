#include "session/release_queue.h"

#include <algorithm>
#include <utility>

void ReleaseQueue::PushTime(int64_t steadyNanoseconds) {
    if (!events_.empty() && events_.back().kind == Kind::Time) {
        events_.back().message.steadyNanoseconds = steadyNanoseconds;
        return;
    }
    Event event;
    event.message.steadyNanoseconds = steadyNanoseconds;
    events_.push_back(std::move(event));
}

void ReleaseQueue::PushMessage(CModbusMessage message, bool ready) {
    if (!carriedSteps_.empty()) {
        carriedSteps_.insert(carriedSteps_.end(), message.clockSteps.begin(),
                             message.clockSteps.end());
        message.clockSteps = std::move(carriedSteps_);
        carriedSteps_.clear();
    }
    Event event;
    event.kind = Kind::Message;
    event.ready = ready;
    event.message = std::move(message);
    events_.push_back(std::move(event));
}

void ReleaseQueue::PushConnectionClosed(uint64_t connectionId, bool captureEnded) {
    Event event;
    event.kind = Kind::ConnectionClosed;
    event.captureEnded = captureEnded;
    event.message.connectionId = connectionId;
    events_.push_back(std::move(event));
}

void ReleaseQueue::MarkReady(uint64_t connectionId) {
    for (Event& event : events_) {
        if (event.message.connectionId == connectionId) {
            event.ready = true;
        }
    }
}

void ReleaseQueue::Drop(uint64_t connectionId) {
    const auto dropped = [connectionId](const Event& event) {
        return event.kind != Kind::Time && event.message.connectionId == connectionId;
    };
    // The clock steps its messages carried go to the next message kept: the first after them.
    std::vector<ClockStep> steps;
    for (Event& event : events_) {
        if (event.kind != Kind::Message) {
            continue;
        }
        std::vector<ClockStep>& own = event.message.clockSteps;
        if (dropped(event)) {
            steps.insert(steps.end(), own.begin(), own.end());
        } else if (!steps.empty()) {
            steps.insert(steps.end(), own.begin(), own.end());
            own = std::move(steps);
            steps.clear();
        }
    }
    carriedSteps_.insert(carriedSteps_.end(), steps.begin(), steps.end());
    events_.erase(std::remove_if(events_.begin(), events_.end(), dropped), events_.end());
}

void ReleaseQueue::SetServer(uint64_t connectionId, const Endpoint& server) {
    for (Event& event : events_) {
        CModbusMessage& message = event.message;
        if (event.kind == Kind::Message && message.connectionId == connectionId &&
            message.direction == MessageDirection::Unknown) {
            message.direction =
                message.source == server ? MessageDirection::ToClient : MessageDirection::ToServer;
        }
    }
}

void ReleaseQueue::Release(ModbusMessageSink& sink) {
    while (!events_.empty() && events_.front().ready) {
        Event event = std::move(events_.front());
        events_.pop_front();
        switch (event.kind) {
            case Kind::Message:
                event.message.number = ++lastNumber_;
                sink.OnMessage(std::move(event.message));
                break;
            case Kind::ConnectionClosed:
                sink.OnConnectionClosed(event.message.connectionId, event.captureEnded);
                break;
            case Kind::Time:
                sink.OnTime(event.message.SteadyNanoseconds());
                break;
        }
    }
}

uint64_t ReleaseQueue::FirstWaitingConnection() const {
    return events_.empty() || events_.front().ready ? 0 : events_.front().message.connectionId;
}
