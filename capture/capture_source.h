#pragma once
// A capture, record after record, whatever its container (pcap, pcapng) and wherever it comes
// from (a file, standard input, a named pipe).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "capture/byte_stream.h"
#include "capture/capture_record.h"

// No record longer than this is delivered, whatever a header claims (tcpdump's own maximum).
constexpr uint32_t kMaxRecordBytes = 256 * 1024;

enum class CaptureOutcome {
    Record,     // one more record delivered
    End,        // the capture ended cleanly after its last record
    CutRecord,  // the input ends inside a record; every whole record before it was delivered
    Damaged,    // a record or block whose lengths cannot be right; nothing after it is read
    ReadError,  // the system refused a read
    Idle,       // a live capture had no record within its read timeout; ask again
};

// What a live capture's packet filter counted (libpcap's statistics): packets it received, and
// those lost before they reached us.
struct CaptureStatistics {
    uint64_t received = 0;
    uint64_t droppedByKernel = 0;     // no room in the kernel's buffer
    uint64_t droppedByInterface = 0;  // by the network interface or its driver
};

// Where and why reading stopped early (for CutRecord, Damaged and ReadError).
struct CaptureFailure {
    uint64_t recordNumber = 0;  // the record that could not be delivered (1-based)
    int64_t fileOffset = 0;     // where its header or block starts
    std::string message;        // a short reason, e.g. "record length 70000 exceeds ..."
    std::string path;           // the file, when several are read as one (numbers count in it)
};

class CaptureSource {
public:
    virtual ~CaptureSource() = default;

    // Fills `record` (its bytes stay valid until the next call) and returns Record, or tells why
    // there is none. After anything but Record, every later call returns the same outcome.
    virtual CaptureOutcome Next(CaptureRecord& record) = 0;
    // Starts over at the first record; false when the input cannot go back.
    virtual bool Rewind() = 0;
    virtual const CaptureFailure& Failure() const = 0;
    // "pcap" or "pcapng".
    virtual const char* ContainerName() const = 0;
    // The link type the file header gives every record (pcap), or -1 when each interface has
    // its own (pcapng).
    virtual int64_t FileLinkType() const { return -1; }
    // A live capture's statistics so far; none for a file or a stream.
    virtual std::optional<CaptureStatistics> Statistics() const { return std::nullopt; }
};

struct CaptureOpenError {
    // A short reason without the path: "a directory, not a capture file", "No such file or
    // directory", "not a pcap or pcapng capture (it begins with 47 45 54 20)".
    std::string message;
    // The capture could not be read as far as the end of a file header: it is missing, the
    // system refused to read it, or it is shorter than any capture file. Otherwise what was
    // read is no capture this program reads.
    bool unreadable = false;
};

// Whether the capture will be read again after a Rewind: standard input and pipes are then kept
// in a temporary file as they are read.
enum class CaptureReading { Once, Twice };

// Opens `path` ("-" is standard input). A named pipe is read as a stream, like standard input;
// directories and devices are refused before anything is read. Null with `error` set on failure.
std::unique_ptr<CaptureSource> OpenCaptureSource(const std::string& path, CaptureOpenError& error,
                                                 CaptureReading reading = CaptureReading::Twice);

// The same over any byte stream (standard input and tests): the container is told by its magic.
std::unique_ptr<CaptureSource> OpenCaptureStream(std::unique_ptr<ByteStream> stream,
                                                 CaptureOpenError& error);
