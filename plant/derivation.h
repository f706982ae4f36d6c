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
    // Every point the transaction carries, written ones first (PointValuesOf), as the transaction
    // log lists them; empty unless a view needs them.
    std::vector<PointValue> points;
    std::vector<MappedValue> values;   // of `points`, with a register map
    std::vector<Anomaly> anomalies;    // empty unless a view shows them
    std::optional<WriteRecord> write;  // for a writing function, when the plant model runs

    void Clear() {
        responseMs.reset();
        points.clear();
        values.clear();
        anomalies.clear();
        write.reset();
    }

    // The points and typed values the plant takes as what its devices hold: all of them or none,
    // as a transaction's points all stand alike (a refused write, a response without request).
    bool PlantTakesPoints() const {
        return points.empty() || TakenByPlant(points.front().standing);
    }
    const std::vector<PointValue>& PlantPoints() const {
        static const std::vector<PointValue> kNone;
        return PlantTakesPoints() ? points : kNone;
    }
    const std::vector<MappedValue>& PlantValues() const {
        static const std::vector<MappedValue> kNone;
        return PlantTakesPoints() ? values : kNone;
    }
};
