#pragma once
// What the TCP follower tells the protocol layer above it: connections opening and closing, and
// per direction the bytes in stream order and the gaps of bytes never captured.

#include <cstdint>

#include "capture/capture_record.h"
#include "common/byte_view.h"
#include "tcp/tcp_connection.h"

class TcpStreamHandler {
public:
    virtual ~TcpStreamHandler() = default;

    virtual void OnOpen(TcpConnection& connection) = 0;
    // The handshake shows which end accepted the connection (answered the SYN).
    virtual void OnAccepted(TcpConnection& connection, int acceptingEnd) = 0;
    // Bytes `side` sent, in stream order; `record` is the record that carried them.
    virtual void OnBytes(TcpConnection& connection, int side, ByteView bytes,
                         const RecordMark& record) = 0;
    // Whether `bytes` of `side` begin a message.
    virtual bool StartsMessage(const TcpConnection& /*connection*/, int /*side*/,
                               ByteView /*bytes*/) {
        return false;
    }
    // The sequence numbers of `side` jumped: what came before and after does not join up.
    virtual void OnBreak(TcpConnection& /*connection*/, int /*side*/) {}
    // Whether the bytes of `side` handed on so far end with a whole message.
    virtual bool BetweenMessages(const TcpConnection& /*connection*/, int /*side*/) {
        return false;
    }
    // Bytes of `side` from a hole its stream went past, come late (see
    // StreamReassembler::PeerSent); `joins` when they directly follow the previous late bytes.
    virtual void OnLateBytes(TcpConnection& /*connection*/, int /*side*/, ByteView /*bytes*/,
                             const RecordMark& /*record*/, bool /*joins*/) {}
    // `count` bytes of the stream of `side` were never captured.
    virtual void OnGap(TcpConnection& connection, int side, uint64_t count) = 0;
    // After each segment of a followed connection: false lets the connection go, its bytes are
    // no longer reassembled.
    virtual bool KeepFollowing(TcpConnection& connection) = 0;
    // The connection ended (FIN both ways, RST, a new handshake on its ports, eviction, the end
    // of the capture); whatever it still held has been handed on.
    virtual void OnClose(TcpConnection& connection) = 0;
    // A segment not followed: on a connection let go, or late after the close. `captured` is the
    // payload the record holds, `length` the payload the segment carried.
    virtual void OnPassedOver(const TcpConnection& connection, uint64_t length,
                              uint64_t captured) = 0;
};
