#include "session/modbus_session.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string>
#include <utility>

#include "common/text_format.h"
#include "modbus/frame_view.h"
#include "modbus/length_direction.h"
#include "session/modbus_evidence.h"

namespace {
// Transaction ids remembered per side while the server is unknown.
constexpr size_t kRememberedIds = 32;

// Why a connection on a Modbus port was passed over, told of the end named `end` whose framing
// broke: what its first header says where MBAP has a protocol id of 0 and a length of at least 2.
std::string WhyNotMbap(const char* end, const std::vector<uint8_t>& firstBytes) {
    if (firstBytes.size() >= mbap::kLengthFieldEnd) {
        const ByteView header(firstBytes);
        const unsigned protocolId = header.Be16(2);
        const unsigned length = header.Be16(4);
        if (protocolId != 0) {
            return Format("the %s's first bytes are no MBAP header (protocol id %u, not 0)", end,
                          protocolId);
        }
        if (length < mbap::kShortestLength) {
            return Format("the %s's first bytes are no MBAP header (length %u)", end, length);
        }
    }
    return Format("the %s's MBAP framing broke", end);
}
}  // namespace

struct ModbusSession::ModbusConnection : TcpConnectionContext {
    Recognition recognition = Recognition::Candidate;
    bool onModbusPort = false;
    int serverEnd = -1;  // index into the connection's ends; -1 while unknown
    // Messages wait for their server so that they all get a direction, until the connection
    // ends or holds up too much.
    bool releaseUndecided = false;
    // What each direction's framing has shown while recognition is open.
    ConnectionEvidence evidence;
    // The first bytes each end sent, to tell why a connection on a Modbus port was passed over.
    std::array<std::vector<uint8_t>, 2> firstBytes;
    // While the server is unknown: the first transaction ids each side sent.
    std::array<std::vector<uint16_t>, 2> sentIds;
    // [side] frames the stream of a side; [kLate + side] the bytes of holes it went past that
    // came late, apart, so they never join the bytes around the hole.
    static constexpr int kLate = 2;
    std::array<MbapFramer, 4> framers;
};

ModbusSession::ModbusConnection& ModbusSession::StateOf(TcpConnection& connection) {
    return static_cast<ModbusConnection&>(*connection.context);
}

const ModbusSession::ModbusConnection& ModbusSession::StateOf(const TcpConnection& connection) {
    return static_cast<const ModbusConnection&>(*connection.context);
}

ModbusSession::ModbusSession(SessionSettings settings, ModbusMessageSink& sink)
    : settings_(std::move(settings)), sink_(sink), follower_(settings_.follower, *this) {}

void ModbusSession::Add(const TcpSegment& segment, const CaptureRecord& record) {
    if (captureStarts_.empty() || captureStarts_.back().second != record.capture) {
        captureStarts_.emplace_back(record.number, record.capture);
    }
    clock_.Advance(record.number, record.time);
    queue_.PushTime(clock_.now());
    follower_.Add(segment, record);
    Release();
}

void ModbusSession::Finish() {
    finishing_ = true;  // the connections still open end with the capture, not by closing
    follower_.Finish();
    Release();
    sink_.OnCaptureEnd();
}

void ModbusSession::OnOpen(TcpConnection& connection) {
    auto state = std::make_unique<ModbusConnection>();
    const bool firstOnPort = IsModbusPort(connection.ends[0].port);
    const bool secondOnPort = IsModbusPort(connection.ends[1].port);
    if (firstOnPort || secondOnPort) {
        // Taken for Modbus unless its first messages say otherwise.
        state->onModbusPort = true;
        if (firstOnPort != secondOnPort) {
            state->serverEnd = firstOnPort ? 0 : 1;
        }
    } else {
        // A stream on another port must still prove that it carries Modbus.
        for (MbapFramer& framer : state->framers) {
            framer.SetRequireKnownFunction(true);
        }
    }
    connection.context = std::move(state);
}

bool ModbusSession::IsModbusPort(uint16_t port) const {
    const std::vector<uint16_t>& ports = settings_.modbusPorts;
    return std::find(ports.begin(), ports.end(), port) != ports.end();
}

// When the ports did not decide it, the server is the end that accepted the connection.
void ModbusSession::OnAccepted(TcpConnection& connection, int acceptingEnd) {
    if (StateOf(connection).serverEnd < 0) {
        DecideServer(connection, acceptingEnd);
    }
}

void ModbusSession::OnBytes(TcpConnection& connection, int side, ByteView bytes,
                            const RecordMark& record) {
    ModbusConnection& state = StateOf(connection);
    std::vector<uint8_t>& first = state.firstBytes[side];
    if (state.onModbusPort && first.size() < mbap::kLengthFieldEnd) {
        const size_t taken = std::min(bytes.size(), mbap::kLengthFieldEnd - first.size());
        first.insert(first.end(), bytes.begin(), bytes.begin() + taken);
    }
    Frame(connection, side, state.framers[side], bytes, record);
}

void ModbusSession::OnLateBytes(TcpConnection& connection, int side, ByteView bytes,
                                const RecordMark& record, bool joins) {
    MbapFramer& late = StateOf(connection).framers[ModbusConnection::kLate + side];
    if (!joins) {
        late.MarkBreak();
    }
    Frame(connection, side, late, bytes, record);
}

void ModbusSession::Frame(TcpConnection& connection, int side, MbapFramer& framer, ByteView bytes,
                          const RecordMark& record) {
    // Whole messages come back to the session with their connection and side.
    struct ToSession : MbapFramer::Output {
        ToSession(ModbusSession& s, TcpConnection& c, int d) : session(s), connection(c), side(d) {}
        void Message(FramedMessage&& framed) override {
            session.OnFramed(connection, side, std::move(framed));
        }
        ModbusSession& session;
        TcpConnection& connection;
        int side;
    } output(*this, connection, side);
    framer.Append(bytes, record, output);
}

void ModbusSession::OnGap(TcpConnection& connection, int side, uint64_t count) {
    StateOf(connection).framers[side].MarkGap(count);
}

// A plausible MBAP header with a known or user-defined function code.
bool ModbusSession::StartsMessage(const TcpConnection&, int, ByteView bytes) {
    return bytes.size() > mbap::kHeaderSize && IsPlausibleMbapHeader(ReadMbapHeader(bytes)) &&
           IsResumableFunctionCode(bytes.At(mbap::kHeaderSize));
}

bool ModbusSession::BetweenMessages(const TcpConnection& connection, int side) {
    return StateOf(connection).framers[side].BetweenMessages();
}

void ModbusSession::OnBreak(TcpConnection& connection, int side) {
    StateOf(connection).framers[side].MarkBreak();
}

bool ModbusSession::KeepFollowing(TcpConnection& connection) {
    CheckRecognition(connection, false);
    ModbusConnection& state = StateOf(connection);
    if (state.recognition != Recognition::NotModbus) {
        return true;
    }
    for (MbapFramer& framer : state.framers) {
        framer = MbapFramer();  // frees what it held
    }
    return false;
}

void ModbusSession::OnClose(TcpConnection& connection) {
    ModbusConnection& state = StateOf(connection);
    if (state.recognition != Recognition::NotModbus) {
        for (MbapFramer& framer : state.framers) {
            framer.End();
        }
    }
    CheckRecognition(connection, true);
    if (state.recognition == Recognition::NotModbus && state.onModbusPort) {
        NamePassedOver(connection);
    }
    if (state.recognition != Recognition::Modbus) {
        return;
    }
    if (!MayRelease(connection)) {
        ReleaseWaiting(connection);  // its server stays unknown
    }
    uint64_t framedBytes = 0;
    for (const MbapFramer& framer : state.framers) {
        const FramingCounts& framing = framer.counts();
        framedBytes += framing.framedBytes;
        counts_.missingBytes += framing.missingBytes;
        counts_.discardedBytes += framing.discardedBytes;
        counts_.lostMessages += framing.lostMessages;
        counts_.framedBytes += framing.framedBytes;
    }
    // One that framed no message (a port scan's handshake, a stray request of another protocol
    // that no answer contradicted) carried no Modbus.
    if (framedBytes > 0) {
        ++counts_.modbusConnections;
    }
    for (const TcpDirection& side : connection.sides) {
        const ReassemblyCounts& reassembly = side.reassembler.counts();
        counts_.repeatedBytes += reassembly.repeatedBytes;
        counts_.outOfOrderSegments += reassembly.outOfOrderSegments;
        counts_.sequenceJumps += reassembly.jumps;
        // They were counted as never captured with their hole, and framed apart.
        counts_.missingBytes -= reassembly.lateBytes;
    }
    queue_.PushConnectionClosed(connection.id, finishing_);
}

void ModbusSession::OnPassedOver(const TcpConnection& connection, uint64_t length,
                                 uint64_t captured) {
    if (length == 0) {
        return;
    }
    if (StateOf(connection).recognition == Recognition::Modbus) {
        counts_.repeatedBytes += captured;  // late retransmissions after the close
    } else {
        ++counts_.nonModbusSegments;
    }
}

void ModbusSession::OnFramed(TcpConnection& connection, int side, FramedMessage&& framed) {
    ModbusConnection& state = StateOf(connection);
    if (state.recognition == Recognition::NotModbus) {
        return;
    }
    if (state.recognition == Recognition::Candidate) {
        TakeMessage(state.evidence, side, InStep(connection, side), framed.header.transactionId,
                    framed.header.unit, JudgeMessage(framed.header, framed.frame));
    }
    CModbusMessage message;
    message.connectionId = connection.id;
    message.source = connection.ends[side];
    message.destination = connection.ends[1 - side];
    message.transactionId = framed.header.transactionId;
    message.protocolId = framed.header.protocolId;
    message.unit = framed.header.unit;
    message.frame = std::move(framed.frame);
    // When its last byte was first captured: a retransmission that fills a hole later does
    // not move the messages behind the hole.
    message.captureRecord = framed.lastByte.number;
    message.capture = CaptureOf(framed.lastByte.number);
    message.time = framed.lastByte.time;
    message.steadyNanoseconds = clock_.SteadyOf(framed.lastByte.number, framed.lastByte.time);
    // Reported with the first message after them; a candidate's that is dropped hands them to
    // the next message (ReleaseQueue::Drop).
    message.clockSteps = clock_.TakeSteps();

    if (state.serverEnd < 0) {
        // What the frame's content alone says of its direction.
        const FrameClass direction = ClassifyFrame(FrameView(ByteView(message.frame)));
        if (direction == FrameClass::Poll) {
            DecideServer(connection, 1 - side);
        } else if (direction == FrameClass::Response) {
            DecideServer(connection, side);
        } else {
            DecideServerByEcho(connection, side, message.transactionId);
        }
    }
    if (state.serverEnd >= 0) {
        message.direction =
            side == state.serverEnd ? MessageDirection::ToClient : MessageDirection::ToServer;
    }
    queue_.PushMessage(std::move(message), MayRelease(connection));
    CheckRecognition(connection, false);
}

uint32_t ModbusSession::CaptureOf(uint64_t record) const {
    auto after = std::upper_bound(captureStarts_.begin(), captureStarts_.end(), record,
                                  [](uint64_t number, const std::pair<uint64_t, uint32_t>& start) {
                                      return number < start.first;
                                  });
    return after == captureStarts_.begin() ? 1 : std::prev(after)->second;
}

void ModbusSession::DecideServer(TcpConnection& connection, int serverEnd) {
    ModbusConnection& state = StateOf(connection);
    state.serverEnd = serverEnd;
    state.sentIds = {};
    queue_.SetServer(connection.id, connection.ends[serverEnd]);
    if (MayRelease(connection)) {
        queue_.MarkReady(connection.id);
    }
}

// When nothing else tells (both ends alike, no handshake, frames that read either way: a write
// of function 5 or 6 is echoed whole), the server is the end that answers with a transaction id
// the other end sent first.
void ModbusSession::DecideServerByEcho(TcpConnection& connection, int side,
                                       uint16_t transactionId) {
    ModbusConnection& state = StateOf(connection);
    auto sent = [transactionId](const std::vector<uint16_t>& ids) {
        return std::find(ids.begin(), ids.end(), transactionId) != ids.end();
    };
    std::vector<uint16_t>& own = state.sentIds[side];
    if (sent(own)) {
        return;
    }
    if (sent(state.sentIds[1 - side])) {
        DecideServer(connection, side);
    } else if (own.size() < kRememberedIds) {
        own.push_back(transactionId);
    }
}

bool ModbusSession::MayRelease(const TcpConnection& connection) const {
    const ModbusConnection& state = StateOf(connection);
    return state.recognition == Recognition::Modbus &&
           (state.serverEnd >= 0 || state.releaseUndecided);
}

// A Modbus connection's messages go on without waiting for its server any more.
void ModbusSession::ReleaseWaiting(TcpConnection& connection) {
    StateOf(connection).releaseUndecided = true;
    queue_.MarkReady(connection.id);
}

// Whether framing of `side` has kept step from its first byte: no header broke it, no byte went
// missing, the sequence numbers never jumped. Bytes that came late are framed apart, after a loss.
bool ModbusSession::InStep(const TcpConnection& connection, int side) const {
    const FramingCounts& framing = StateOf(connection).framers[side].counts();
    return framing.implausibleHeaders == 0 && framing.missingBytes == 0 &&
           connection.sides[side].reassembler.counts().jumps == 0;
}

// The rules are modbus_evidence.h's; here the framers' counts become their evidence.
void ModbusSession::CheckRecognition(TcpConnection& connection, bool decideNow) {
    ModbusConnection& state = StateOf(connection);
    if (state.recognition != Recognition::Candidate) {
        return;
    }
    for (int side = 0; side < 2; ++side) {
        DirectionEvidence& evidence = state.evidence[side];
        const FramingCounts& framing = state.framers[side].counts();
        const FramingCounts& late = state.framers[ModbusConnection::kLate + side].counts();
        evidence.sentData = connection.sides[side].sentData;
        evidence.breaks = framing.implausibleHeaders + late.implausibleHeaders;
        evidence.lostStep =
            framing.missingBytes > 0 || connection.sides[side].reassembler.counts().jumps > 0;
    }
    const Recognition verdict =
        state.onModbusPort
            ? JudgeOnModbusPort(state.evidence, decideNow)
            : JudgeOffModbusPorts(state.evidence, settings_.messagesToRecognise, decideNow);
    if (verdict != Recognition::Candidate) {
        Recognise(connection, verdict == Recognition::Modbus);
    }
}

void ModbusSession::Recognise(TcpConnection& connection, bool modbus) {
    ModbusConnection& state = StateOf(connection);
    state.recognition = modbus ? Recognition::Modbus : Recognition::NotModbus;
    if (modbus) {
        for (MbapFramer& framer : state.framers) {
            framer.SetRequireKnownFunction(false);
        }
        if (MayRelease(connection)) {
            queue_.MarkReady(connection.id);
        }
        return;
    }
    ++counts_.nonModbusConnections;
    counts_.nonModbusSegments += connection.payloadSegments;
    queue_.Drop(connection.id);
}

void ModbusSession::NamePassedOver(const TcpConnection& connection) {
    ++passedOver_.count;
    if (passedOver_.named.size() >= PassedOverConnections::kNamed) {
        return;
    }
    const ModbusConnection& state = StateOf(connection);
    const int server = state.serverEnd >= 0 ? state.serverEnd : 1;
    const int client = 1 - server;
    // The client's account first: its first bytes usually name the protocol it speaks.
    const int broken = state.evidence[client].breaks > 0 ? client : server;
    PassedOverConnection named;
    named.client = connection.ends[client];
    named.server = connection.ends[server];
    named.clientBytes = connection.sides[client].payloadBytes;
    named.serverBytes = connection.sides[server].payloadBytes;
    named.reason = WhyNotMbap(broken == client ? "client" : "server", state.firstBytes[broken]);
    passedOver_.named.push_back(std::move(named));
}

// Hands on what may go; a connection whose recognition holds up too much is judged on what it
// showed so far, one whose server is still unknown goes on without.
void ModbusSession::Release() {
    while (queue_.size() > settings_.maxHeldEvents) {
        TcpConnection* waiting = follower_.FindById(queue_.FirstWaitingConnection());
        if (waiting == nullptr) {
            break;
        }
        CheckRecognition(*waiting, true);
        if (StateOf(*waiting).recognition == Recognition::Modbus && !MayRelease(*waiting)) {
            ReleaseWaiting(*waiting);
        }
    }
    queue_.Release(sink_);
}
