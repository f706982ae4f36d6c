#pragma once
// The report file: one block per analysed frame, "Frame: NNN", the analysis, a blank line.

#include <string>

#include "analysis/address_pairing.h"

// The analysis text of one frame, with "\r\n" line ends as the analyser writes them.
std::string FrameAnalysisOf(const FrameToReport& frame);

class ReportFile {
public:
    explicit ReportFile(std::string path) : path_(std::move(path)) {}

    // Appends the block of one frame, whole. False when it could not be written.
    bool WriteBlock(int32_t number, const std::string& analysisText);
    bool Write(const FrameToReport& frame) {
        return WriteBlock(frame.frame.number, FrameAnalysisOf(frame));
    }

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};
