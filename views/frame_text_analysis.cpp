#include "views/frame_text_analysis.h"

#include "common/text_format.h"
#include "modbus/frame_analysis.h"
#include "views/report_text.h"

namespace {

std::string Ipv4Text(const uint8_t* a) {
    return Format("%d.%d.%d.%d", a[0], a[1], a[2], a[3]);
}

}  // namespace

void AnalyseFrame(std::string frameText, std::string previousText, std::string& report, int finish,
                  const uint8_t* source, const uint8_t* destination) {
    FrameValues frame{};
    FrameValues previous{};
    const int n = ParseHexBytes(frameText, frame, kMaxFrameBytes);
    const int m = ParseHexBytes(previousText, previous, kMaxFrameBytes);
    const FrameReport analysis = AnalyseFrameValues(FrameView(frame, n), FrameView(previous, m));
    FrameAddresses addresses;
    const bool haveAddresses = source != nullptr && destination != nullptr;
    if (haveAddresses) {
        addresses = {Ipv4Text(source), Ipv4Text(destination)};
    }
    report +=
        FrameAnalysisText(analysis, frameText, haveAddresses ? &addresses : nullptr, finish != 0);
}
