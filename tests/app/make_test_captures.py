#!/usr/bin/env python3
"""Writes the small libpcap captures that the Wine-driven tests analyse, into the directory
given as the only argument:

  ten-messages.pcap   ten Modbus/TCP messages, read-holding-registers polls and their
                      responses alternating, between one client and one server
  one-ignored.pcap    a poll, its response, and a message whose Modbus header claims one
                      byte more than the packet holds (counted, and ignored)
  no-modbus.pcap      a single 42-byte ARP frame: no TCP payload anywhere
  long-run.pcap       20,000 messages: 10,000 reads of 125 registers and their responses, a run
                      long enough (about a second) to watch its progress and disabled controls
"""

import os
import struct
import sys

CLIENT = bytes([192, 168, 10, 20])
SERVER = bytes([192, 168, 10, 30])
CLIENT_MAC = bytes.fromhex("020000000014")
SERVER_MAC = bytes.fromhex("02000000001e")


# Next sequence number of each sending end, so that every segment carries new stream bytes as
# in a real capture (a repeated sequence number is a retransmission).
next_sequence = {}


def tcp_packet(source, destination, source_port, destination_port, payload):
    ethernet = (SERVER_MAC if destination == SERVER else CLIENT_MAC) + \
        (CLIENT_MAC if source == CLIENT else SERVER_MAC) + b"\x08\x00"
    total = 20 + 20 + len(payload)
    ip = struct.pack(">BBHHHBBH4s4s", 0x45, 0, total, 1, 0x4000, 64, 6, 0, source, destination)
    sequence = next_sequence.get((source, source_port), 1000)
    acknowledgement = next_sequence.get((destination, destination_port), 2000)
    next_sequence[(source, source_port)] = sequence + len(payload)
    tcp = struct.pack(">HHIIBBHHH", source_port, destination_port, sequence, acknowledgement,
                      0x50, 0x18, 8192, 0, 0)
    return ethernet + ip + tcp + payload


def mbap(transaction, pdu, unit=1, length=None):
    if length is None:
        length = len(pdu) + 1
    return struct.pack(">HHHB", transaction, 0, length, unit) + pdu


def poll(transaction):
    return tcp_packet(CLIENT, SERVER, 50200, 502,
                      mbap(transaction, bytes([0x03, 0x00, 0x00, 0x00, 0x02])))


def response(transaction):
    return tcp_packet(SERVER, CLIENT, 502, 50200,
                      mbap(transaction, bytes([0x03, 0x04, 0x00, 0x0A, 0x01, 0x02])))


def long_poll(transaction):
    return tcp_packet(CLIENT, SERVER, 50200, 502,
                      mbap(transaction, bytes([0x03, 0x00, 0x00, 0x00, 125])))


def long_response(transaction):
    return tcp_packet(SERVER, CLIENT, 502, 50200,
                      mbap(transaction, bytes([0x03, 250]) + bytes(range(250))))


def arp():
    return bytes.fromhex("ffffffffffff020000000014") + b"\x08\x06" + bytes(28)


def pcap(packets):
    out = struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 1)
    for index, packet in enumerate(packets):
        out += struct.pack("<IIII", 1141300000 + index, 0, len(packet), len(packet)) + packet
    return out


def main():
    directory = sys.argv[1]
    os.makedirs(directory, exist_ok=True)
    captures = {
        "ten-messages.pcap": lambda: [poll(i) if i % 2 == 0 else response(i - 1)
                                      for i in range(10)],
        "one-ignored.pcap": lambda: [
            poll(1), response(1),
            tcp_packet(CLIENT, SERVER, 50200, 502,
                       mbap(2, bytes([0x03, 0x00, 0x00, 0x00, 0x02]), length=7)),
        ],
        "no-modbus.pcap": lambda: [arp()],
        "long-run.pcap": lambda: [long_poll(i // 2 % 65536) if i % 2 == 0
                                  else long_response(i // 2 % 65536) for i in range(20000)],
    }
    for name, make_packets in captures.items():
        next_sequence.clear()
        packets = make_packets()
        with open(os.path.join(directory, name), "wb") as capture:
            capture.write(pcap(packets))


if __name__ == "__main__":
    main()
