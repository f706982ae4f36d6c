// Picks the reader for a capture by its first bytes (inflating gzip first), and the byte stream
// by what the path names.

#include <cstdio>

#include "capture/capture_source.h"
#include "capture/file_byte_stream.h"
#include "capture/gzip_byte_stream.h"
#include "capture/input_file.h"
#include "capture/pcap_source.h"
#include "capture/pcapng_source.h"
#include "capture/spooled_byte_stream.h"

namespace {

// The shortest file header of a capture: pcap's (a pcapng section header block is longer).
constexpr size_t kShortestFileHeader = 24;

std::string DescribeStart(const uint8_t* bytes, size_t count) {
    std::string text = "it begins with";
    for (size_t i = 0; i < count; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof(hex), " %02x", bytes[i]);
        text += hex;
    }
    return text;
}

// What was found of a capture too short for any file header.
std::string DescribeShort(size_t count) {
    if (count == 0) {
        return "an empty file";
    }
    char text[96];
    std::snprintf(text, sizeof(text), "%zu byte%s, too short for a capture file header (%zu bytes)",
                  count, count == 1 ? "" : "s", kShortestFileHeader);
    return text;
}

void Unreadable(CaptureOpenError& error, const std::string& message) {
    error.message = message;
    error.unreadable = true;
}

}  // namespace

std::unique_ptr<CaptureSource> OpenCaptureStream(std::unique_ptr<ByteStream> stream,
                                                 CaptureOpenError& error) {
    // A capture compressed with gzip is inflated on the way (told by its first bytes).
    auto reader =
        std::make_unique<StreamReader>(std::make_unique<GzipByteStream>(std::move(stream)));
    uint8_t start[kShortestFileHeader] = {};
    const size_t got = reader->Peek(start, sizeof(start));
    if (got < sizeof(start)) {
        Unreadable(error, reader->Error().empty() ? DescribeShort(got)
                                                  : "reading failed: " + reader->Error());
        return nullptr;
    }
    std::unique_ptr<RecordSource> source;
    if (PcapSource::IsMagic(start)) {
        source = std::make_unique<PcapSource>(std::move(reader));
    } else if (PcapngSource::IsMagic(start)) {
        source = std::make_unique<PcapngSource>(std::move(reader));
    } else {
        error.message = "not a pcap or pcapng capture (" + DescribeStart(start, 4) + ")";
        return nullptr;
    }
    if (!source->Start(error.message)) {
        return nullptr;
    }
    return source;
}

namespace {

// A pipe's bytes, kept for a second reading when there will be one.
std::unique_ptr<ByteStream> PipeStream(std::unique_ptr<ByteStream> pipe, CaptureReading reading) {
    if (reading == CaptureReading::Once) {
        return pipe;
    }
    return std::make_unique<SpooledByteStream>(std::move(pipe));
}

}  // namespace

std::unique_ptr<CaptureSource> OpenCaptureSource(const std::string& path, CaptureOpenError& error,
                                                 CaptureReading reading) {
    if (path == "-") {
        return OpenCaptureStream(
            PipeStream(std::make_unique<FileByteStream>(BinaryStandardInput(), false, true),
                       reading),
            error);
    }
    const InputInfo info = InspectInput(path);
    switch (info.kind) {
        case InputKind::Unavailable:
            Unreadable(error, info.reason);
            return nullptr;
        case InputKind::Directory:
            error.message = "a directory, not a capture file";
            return nullptr;
        case InputKind::Device:
            error.message = "a device, not a capture file";
            return nullptr;
        case InputKind::Regular:
        case InputKind::Pipe:
            break;
    }
    std::string reason;
    std::FILE* file = OpenInputFile(path, reason);  // a pipe waits here for its writer
    if (file == nullptr) {
        Unreadable(error, reason);
        return nullptr;
    }
    std::unique_ptr<ByteStream> stream =
        std::make_unique<FileByteStream>(file, true, info.kind == InputKind::Pipe);
    if (info.kind == InputKind::Pipe) {
        stream = PipeStream(std::move(stream), reading);
    }
    return OpenCaptureStream(std::move(stream), error);
}
