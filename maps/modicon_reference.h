#pragma once
// Modicon references: 1-9999 coils, 10001-19999 discrete inputs, 30001-39999 input registers,
// 40001-49999 holding registers, and the 6-digit forms 000001-065536, 100001-165536,
// 300001-365536, 400001-465536 that reach every address.

#include <cstdint>
#include <string>

#include "plant/point_values.h"

// The table and 0-based address of a reference written in decimal digits; false for any other
// text and for numbers outside the ranges.
bool ParseModiconReference(const std::string& text, PointTable& table, uint16_t& address);
