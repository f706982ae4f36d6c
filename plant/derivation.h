#pragma once
// What the plant stage derives from one transaction, once, for every view to render: its
// response time, its point values, their typed values through a register map, its anomalies and
// the write it made.

#include <optional>
#include <vector>

#include "plant/anomalies.h"
#include "plant/point_values.h"
#include "plant/value_mapper.h"
#include "plant/write_record.h"

struct Derivation {
    std::optional<double> responseMs;  // answered, in capture time
    // Written values first, then read ones (PointValuesOf); empty unless a view needs them.
    std::vector<PointValue> points;
    std::vector<MappedValue> values;   // with a register map
    std::vector<Anomaly> anomalies;    // empty unless a view shows them
    std::optional<WriteRecord> write;  // for a writing function, when the plant model runs

    void Clear() {
        responseMs.reset();
        points.clear();
        values.clear();
        anomalies.clear();
        write.reset();
    }
};
