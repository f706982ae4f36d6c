#include "tests/support/modbus_traffic.h"

ModbusTraffic& ModbusTraffic::Add(TrafficConnection& c, int64_t ms, const Bytes& adu,
                                  bool toServer) {
    PacketOptions o;
    o.source = toServer ? c.client : c.server;
    o.destination = toServer ? c.server : c.client;
    o.sourcePort = toServer ? c.port : 502;
    o.destinationPort = toServer ? 502 : c.port;
    uint32_t& own = toServer ? c.clientSequence : c.serverSequence;
    o.sequence = own;
    o.acknowledgement = toServer ? c.serverSequence : c.clientSequence;
    own += static_cast<uint32_t>(adu.size());
    builder_
        .Timestamp(kStart + static_cast<uint32_t>(ms / 1000),
                   static_cast<uint32_t>(ms % 1000) * 1000)
        .Record(TcpPacket(adu, o));
    return *this;
}
