#pragma once
// How well a message framed on a Modbus port fits Modbus: traffic of another protocol on that
// port frames into "messages" whose function code and length do not fit.

#include <cstdint>
#include <vector>

#include "session/mbap.h"

enum class ModbusFit {
    Fits,
    // A public function whose length its layout rules out: a read request of other than 5 PDU
    // bytes, a response whose byte count does not fit, an exception of other than 2 PDU bytes.
    BadLayout,
    // A function code no Modbus device uses, or a length longer than any Modbus PDU.
    Foreign,
};

ModbusFit JudgeMessage(const MbapHeader& header, const std::vector<uint8_t>& rtuFrame);
