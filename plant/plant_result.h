#pragma once
// What a run found of the plant, handed to the views when the capture is over.

#include "plant/capture_facts.h"

class PlantModel;
class PlantTrends;
class ValueMapper;

struct PlantResult {
    const CaptureFacts& facts;
    const PlantModel* model = nullptr;    // when a view needs one
    PlantTrends* trends = nullptr;        // when a view draws charts
    const ValueMapper* mapper = nullptr;  // with a register map
};
