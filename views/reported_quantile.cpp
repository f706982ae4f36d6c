#include "views/reported_quantile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

double ReportedQuantile(const QuantileSketch& sketch, double q) {
    const double value = sketch.Quantile(q);
    if (sketch.Exact() || !std::isfinite(value) || value == 0) {
        return value;
    }
    // Through its decimal text, so that the double is the one nearest those digits and is
    // written back with them alone.
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.*g", kApproximateDigits, value);
    return std::strtod(digits, nullptr);
}
