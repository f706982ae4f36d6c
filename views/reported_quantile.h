#pragma once
// A quantile as the outputs give it: exact ones as they are, approximate ones with no more
// digits than they are good for.

#include "plant/quantile_sketch.h"

// Significant digits of an approximate quantile: its histogram puts it within 0.5% of the exact
// value, so the fourth digit is noise (3.213 for an exact 3.226 is given as 3.21).
constexpr int kApproximateDigits = 3;

// The quantile `q` of `sketch`: exact while the sketch is, else rounded to kApproximateDigits
// significant digits. The sketch must hold values.
double ReportedQuantile(const QuantileSketch& sketch, double q);
