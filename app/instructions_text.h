#pragma once
// The numbered instructions shown in the main dialog: how to record a capture and analyse it.

#include <string>

// Web pages the instructions point to for the packet-capture tool.
constexpr const char* kCaptureToolHomePage = "https://www.wireshark.org/";
constexpr const char* kCaptureToolFaqPage = "https://www.wireshark.org/faq.html";

std::string InstructionsText();
