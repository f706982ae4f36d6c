#pragma once
// What a run found of the plant, handed to the views when the capture is over.

#include "plant/capture_facts.h"

class ChangeLog;
class DeviceActivity;
class MapSuggester;
class PlantModel;
class PlantTrends;
class ValueMapper;
class WriteRanges;

struct PlantResult {
    const CaptureFacts& facts;
    const PlantModel* model = nullptr;         // when a view needs one
    const PlantTrends* trends = nullptr;       // when a view draws charts
    const ValueMapper* mapper = nullptr;       // with a register map
    const ChangeLog* changes = nullptr;        // when a view shows what changed
    const WriteRanges* writeRanges = nullptr;  // and who wrote where
    const MapSuggester* mapDraft = nullptr;    // when a view shows the drafted register map
    const DeviceActivity* activity = nullptr;  // when a view shows each device's recent activity
};
