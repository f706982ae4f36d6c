#pragma once
// Opening crafted captures from memory and reading them to the end.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "capture/capture_source.h"
#include "tests/support/memory_byte_stream.h"
#include "tests/support/pcap_builder.h"

struct ReadResult {
    std::vector<CaptureRecord> records;  // bytes copied into `contents`
    std::vector<Bytes> contents;
    CaptureOutcome last = CaptureOutcome::Record;
};

inline std::unique_ptr<CaptureSource> OpenBytes(const Bytes& bytes,
                                                MemoryStreamOptions options = {}) {
    CaptureOpenError error;
    auto source = OpenCaptureStream(std::make_unique<MemoryByteStream>(bytes, options), error);
    EXPECT_TRUE(source) << error.message;
    return source;
}

inline std::string OpenError(const Bytes& bytes) {
    CaptureOpenError error;
    auto source =
        OpenCaptureStream(std::make_unique<MemoryByteStream>(bytes, MemoryStreamOptions()), error);
    EXPECT_FALSE(source);
    return error.message;
}

inline ReadResult ReadAll(CaptureSource& source) {
    ReadResult result;
    CaptureRecord record;
    while ((result.last = source.Next(record)) == CaptureOutcome::Record) {
        result.contents.push_back(record.bytes.ToVector());
        record.bytes = ByteView();
        result.records.push_back(record);
    }
    return result;
}
