#pragma once
// The report file: one block per analysed frame, "Frame: NNN", the analysis, a blank line, each
// block written whole through one buffered handle.

#include <string>

#include "analysis/address_pairing.h"
#include "common/buffered_text_file.h"
#include "modbus/frame_report.h"

// The analysis of a frame (with the poll it answers, or none), and of a frame to report.
FrameReport AnalysisOf(const CModbusMessage& frame, const CModbusMessage* poll);
FrameReport AnalysisOf(const FrameToReport& frame);

// The analysis text of one frame, with "\r\n" line ends as the analyser writes them.
std::string FrameAnalysisOf(const FrameToReport& frame, const FrameReport& report);

class ReportFile {
public:
    explicit ReportFile(std::string path) : file_(std::move(path)) {}

    // Appends the block of one frame. False when it could not be written.
    bool WriteBlock(int32_t number, const std::string& analysisText);
    bool Write(const FrameToReport& frame) { return Write(frame, AnalysisOf(frame)); }
    bool Write(const FrameToReport& frame, const FrameReport& report) {
        return WriteBlock(frame.frame.number, FrameAnalysisOf(frame, report));
    }
    // Stores everything written. False when any of it could not be stored.
    bool Close() { return file_.Close(); }

    const std::string& Path() const { return file_.Path(); }

private:
    BufferedTextFile file_;
};
