#pragma once
// The report file: one block per analysed frame, "Frame: NNN", the analysis, a blank line, each
// block written whole through one buffered handle.

#include <string>

#include "analysis/address_pairing.h"
#include "common/buffered_text_file.h"

// The analysis text of one frame, with "\r\n" line ends as the analyser writes them.
std::string FrameAnalysisOf(const FrameToReport& frame);

class ReportFile {
public:
    explicit ReportFile(std::string path) : file_(std::move(path)) {}

    // Appends the block of one frame. False when it could not be written.
    bool WriteBlock(int32_t number, const std::string& analysisText);
    bool Write(const FrameToReport& frame) {
        return WriteBlock(frame.frame.number, FrameAnalysisOf(frame));
    }
    // Stores everything written. False when any of it could not be stored.
    bool Close() { return file_.Close(); }

    const std::string& Path() const { return file_.Path(); }

private:
    BufferedTextFile file_;
};
