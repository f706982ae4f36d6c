#pragma once
// The Modbus/TCP session layer over the TCP follower: frames each direction of a connection by
// the MBAP header, decides which connections carry Modbus (see modbus_evidence.h: on the Modbus
// ports, what frames as MBAP; off them, what frames cleanly as the public functions) and
// which end is the server (the port, else the end that accepted the connection, else what a
// frame says of itself, else the end that echoes the other's transaction id), and hands the
// messages on in capture order.

#include <cstdint>
#include <utility>
#include <vector>

#include "capture/capture_record.h"
#include "network/tcp_segment.h"
#include "session/mbap_framer.h"
#include "session/modbus_message_sink.h"
#include "session/passed_over.h"
#include "session/release_queue.h"
#include "session/steady_capture_clock.h"
#include "tcp/tcp_follower.h"

struct SessionSettings {
    std::vector<uint16_t> modbusPorts = {502};  // add the ports given on the command line
    // Messages a connection on another port must frame cleanly to count as Modbus.
    size_t messagesToRecognise = 3;
    // Events held back by connections still being recognised; past it the first one holding
    // them up is taken as Modbus.
    size_t maxHeldEvents = 4096;
    FollowerSettings follower;
};

struct SessionCounts {
    uint64_t modbusConnections = 0;  // that framed at least one message, once they ended
    uint64_t nonModbusConnections = 0;
    uint64_t nonModbusSegments = 0;  // segments with payload on connections that are not Modbus
    // The rest is summed over the Modbus connections as each one closes.
    uint64_t repeatedBytes = 0;
    uint64_t outOfOrderSegments = 0;
    uint64_t sequenceJumps = 0;   // framing went on at the next message after each
    uint64_t missingBytes = 0;    // never captured
    uint64_t discardedBytes = 0;  // captured, but part of no whole message
    uint64_t lostMessages = 0;    // begun but never whole (see FramingCounts)
    uint64_t framedBytes = 0;
};

class ModbusSession : private TcpStreamHandler {
public:
    ModbusSession(SessionSettings settings, ModbusMessageSink& sink);

    void Add(const TcpSegment& segment, const CaptureRecord& record);
    // The capture is over: every connection ends and every message is handed on.
    void Finish();

    const SessionCounts& counts() const { return counts_; }
    uint64_t segments() const { return follower_.segments(); }
    uint64_t messages() const { return queue_.messagesReleased(); }
    // Connections on a Modbus port whose content is another protocol's, once they ended: none of
    // their bytes count in counts().
    const PassedOverConnections& passedOver() const { return passedOver_; }

private:
    struct ModbusConnection;
    static ModbusConnection& StateOf(TcpConnection& connection);
    static const ModbusConnection& StateOf(const TcpConnection& connection);

    void OnOpen(TcpConnection& connection) override;
    void OnAccepted(TcpConnection& connection, int acceptingEnd) override;
    void OnBytes(TcpConnection& connection, int side, ByteView bytes,
                 const RecordMark& record) override;
    void OnGap(TcpConnection& connection, int side, uint64_t count) override;
    bool BetweenMessages(const TcpConnection& connection, int side) override;
    void OnLateBytes(TcpConnection& connection, int side, ByteView bytes, const RecordMark& record,
                     bool joins) override;
    bool StartsMessage(const TcpConnection& connection, int side, ByteView bytes) override;
    void OnBreak(TcpConnection& connection, int side) override;
    bool KeepFollowing(TcpConnection& connection) override;
    void OnClose(TcpConnection& connection) override;
    void OnPassedOver(const TcpConnection& connection, uint64_t length, uint64_t captured) override;

    bool IsModbusPort(uint16_t port) const;
    void Frame(TcpConnection& connection, int side, MbapFramer& framer, ByteView bytes,
               const RecordMark& record);
    void OnFramed(TcpConnection& connection, int side, FramedMessage&& framed);
    void DecideServer(TcpConnection& connection, int serverEnd);
    bool InStep(const TcpConnection& connection, int side) const;
    void CheckRecognition(TcpConnection& connection, bool decideNow);
    void Recognise(TcpConnection& connection, bool modbus);
    void NamePassedOver(const TcpConnection& connection);
    void DecideServerByEcho(TcpConnection& connection, int side, uint16_t transactionId);
    bool MayRelease(const TcpConnection& connection) const;
    void ReleaseWaiting(TcpConnection& connection);
    void Release();
    uint32_t CaptureOf(uint64_t record) const;

    SessionSettings settings_;
    ModbusMessageSink& sink_;
    TcpFollower follower_;
    ReleaseQueue queue_;
    SteadyCaptureClock clock_;
    SessionCounts counts_;
    PassedOverConnections passedOver_;
    bool finishing_ = false;
    // (first record, capture) where each capture file began: records are numbered on across
    // files, so a record's number tells its file.
    std::vector<std::pair<uint64_t, uint32_t>> captureStarts_;
};
