#pragma once
// From the TCP segments of a capture to Modbus/TCP messages: follows every connection in both
// directions, decides which connections carry Modbus and which end is the server, and hands the
// messages on in capture order.

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "capture/capture_record.h"
#include "network/tcp_segment.h"
#include "tcp/frame_direction.h"
#include "tcp/modbus_message_sink.h"
#include "tcp/release_queue.h"
#include "tcp/tcp_connection.h"

struct DecoderSettings {
    std::vector<uint16_t> modbusPorts = {502};  // add the ports given on the command line
    // Messages a connection on another port must frame cleanly to count as Modbus.
    size_t messagesToRecognise = 3;
    ReassemblyLimits reassembly;
    // Decides the server from content when ports and the handshake do not; may be empty.
    FrameClassifier classifyFrame;
    size_t maxHeldEvents = 4096;
    size_t closedConnectionsKept = 1024;
    // Open connections followed at once; past it the idlest are closed.
    size_t maxOpenConnections = 2048;
};

struct DecoderCounts {
    uint64_t segments = 0;
    uint64_t modbusConnections = 0;
    uint64_t nonModbusConnections = 0;
    uint64_t nonModbusSegments = 0;  // segments with payload on connections that are not Modbus
    // The rest is summed over the Modbus connections as each one closes.
    uint64_t repeatedBytes = 0;
    uint64_t outOfOrderSegments = 0;
    uint64_t missingBytes = 0;    // never captured
    uint64_t discardedBytes = 0;  // captured, but part of no whole message
    uint64_t lostMessages = 0;    // begun but never whole (see FramingCounts)
    uint64_t framedBytes = 0;
};

class ModbusStreamDecoder {
public:
    ModbusStreamDecoder(DecoderSettings settings, ModbusMessageSink& sink);

    void Add(const TcpSegment& segment, const CaptureRecord& record);
    // The capture is over: every connection ends and every message is handed on.
    void Finish();

    const DecoderCounts& counts() const { return counts_; }
    uint64_t messages() const { return queue_.messagesReleased(); }

private:
    using Key = std::pair<Endpoint, Endpoint>;

    TcpConnection* Find(const Endpoint& source, const Endpoint& destination,
                        const TcpSegment& segment, uint64_t payloadLength);
    TcpConnection& Open(const Endpoint& source, const Endpoint& destination);
    bool IsNewIncarnation(const TcpConnection& connection, const Endpoint& source,
                          const TcpSegment& segment) const;
    void CloseIdlest();
    bool IsModbusPort(uint16_t port) const;
    void TakeHandshake(TcpConnection& connection, int side, const TcpSegment& segment);
    void TakeAcknowledgement(TcpConnection& connection, int side, uint32_t acknowledgement,
                             const CaptureTimestamp& time);
    void OnFramed(TcpConnection& connection, int side, FramedMessage&& framed,
                  const CaptureTimestamp& time);
    void DecideServer(TcpConnection& connection, int serverEnd);
    void CheckRecognition(TcpConnection& connection, bool atEnd);
    void Recognise(TcpConnection& connection, Recognition recognition);
    void Close(TcpConnection& connection);
    StreamReassembler::Output OutputFor(TcpConnection& connection, int side,
                                        const CaptureTimestamp& time);
    void Release();

    DecoderSettings settings_;
    ModbusMessageSink& sink_;
    using Connections = std::map<Key, std::unique_ptr<TcpConnection>>;
    Connections connections_;
    Key recentKey_;  // the last key looked up, and where it led
    Connections::iterator recent_;
    bool recentValid_ = false;
    std::deque<Key> closedOrder_;
    uint64_t lastConnectionId_ = 0;
    size_t openConnections_ = 0;
    ReleaseQueue queue_;
    CaptureTimestamp lastTime_;
    DecoderCounts counts_;
};
