#pragma once
// The decoded text of one analysed frame: validation findings, the direction decision and the
// field-by-field decoding, with "\r\n" line ends, exactly as the decoded has always read.

#include <string>

#include "common/byte_view.h"
#include "modbus/decoded_frame.h"

// Source and destination shown in the address lines of the poll and response sections.
struct FrameAddresses {
    std::string source;
    std::string destination;
};

// Closes the block of a response.
extern const char* const kFinisTrailer;

// The text of the validation findings, in the order they were found.
std::string ValidationText(const ValidationResult& validation);

// The lines of a decoded poll or response section (without heading and address line).
std::string PollText(const FrameFields& fields);
std::string ResponseText(const FrameFields& fields);

// The whole analysis of a frame, its bytes shown in the heading; without addresses no address
// lines are written. The caller closes the block of a response with kFinisTrailer.
void AppendFrameAnalysis(std::string& text, const DecodedFrame& decoded, ByteView frame,
                         const FrameAddresses* addresses);
std::string FrameAnalysisText(const DecodedFrame& decoded, ByteView frame,
                              const FrameAddresses* addresses);
