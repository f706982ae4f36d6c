#pragma once
// Frames for the analyser tests: from a hex text, and as the text the extraction writes.

#include <string>

#include "tests/support/pcap_builder.h"

// The bytes of a text of whitespace-separated hex byte values such as "01 03 00 00 00 01 84 0A".
// Anything else in the text throws std::invalid_argument.
Bytes BytesOfHex(const std::string& text);

// "%02X " per byte.
std::string FrameText(const Bytes& bytes);
