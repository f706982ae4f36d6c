#pragma once
// The plant stage: every transaction passes it once, before the views. It works out what the
// views show of the plant (point values, typed values through a register map, anomalies, the
// write made) once per transaction, and keeps the one plant model of the run, the register map
// drafted from the traffic and each device's recent activity. What it derives is only what some
// view needs: a plain run pays for none of it.

#include <memory>

#include "plant/address_scan.h"
#include "plant/change_log.h"
#include "plant/derivation.h"
#include "plant/device_activity.h"
#include "plant/map_suggester.h"
#include "plant/plant_model.h"
#include "plant/plant_needs.h"
#include "plant/plant_result.h"
#include "plant/plant_trends.h"
#include "plant/register_map.h"
#include "plant/write_ranges.h"

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
    std::unique_ptr<MapSuggester> mapDraft_;
    std::unique_ptr<DeviceActivity> activity_;
    AddressScanWatch scans_;
    Derivation derived_;
};
