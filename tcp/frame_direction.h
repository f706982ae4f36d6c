#pragma once
// What a message's content alone says about its direction.

#include <functional>

#include "common/byte_view.h"

enum class FrameDirection { Undecided, Request, Response };

// Given the unit id and the PDU of one message (the RTU frame without its CRC).
using FrameClassifier = std::function<FrameDirection(ByteView unitAndPdu)>;
