#pragma once
// The plant stage: every transaction passes it once, before the views. It works out what the
// views show of the plant (point values, typed values through a register map, anomalies, the
// write made) once per transaction, and keeps the one plant model of the run. What it derives is
// only what some view needs: a plain run pays for none of it.

#include <memory>

#include "plant/address_scan.h"
#include "plant/change_log.h"
#include "plant/derivation.h"
#include "plant/plant_model.h"
#include "plant/plant_result.h"
#include "plant/plant_trends.h"
#include "plant/register_map.h"
#include "plant/write_ranges.h"

struct PlantNeeds {
    bool points = false;     // point values (and typed values with a register map)
    bool anomalies = false;  // anomalies
    bool model = false;      // the plant model, and each write
    bool polling = false;    // with the model: polls, ranges and map statistics per device
    bool polls = false;      // with the model: the polls of each range (polling has them too)
    bool trends = false;     // with the model: the series of the charts
    bool changes = false;    // with the model: the change log and who wrote where
};

class PlantStage {
public:
    // `map` may be null; `slowResponseMs` bounds a `slow_response`.
    PlantStage(PlantNeeds needs, double slowResponseMs, std::shared_ptr<const RegisterMap> map);

    // What the transaction gives the views; valid until the next call.
    const Derivation& Derive(const Transaction& transaction);
    // What the run found, for the views' Refresh and Close: the charts' series settled first
    // (brought to the shared bucket width, each device's poll period found), so that the views
    // only read.
    PlantResult Result(const CaptureFacts& facts);

private:
    PlantNeeds needs_;
    double slowResponseMs_;
    std::unique_ptr<ValueMapper> mapper_;
    std::unique_ptr<PlantTrends> trends_;
    std::unique_ptr<PlantModel> model_;
    std::unique_ptr<ChangeLog> changes_;
    std::unique_ptr<WriteRanges> writeRanges_;
    AddressScanWatch scans_;
    Derivation derived_;
};
