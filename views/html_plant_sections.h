#pragma once
// The page's sections of what the plant stage found beyond the devices: who talks to whom, how
// regularly each range is polled, what changed when, and who wrote where. They render only what
// the plant model, the change log and the write ranges hold.

#include <string>

#include "plant/change_log.h"
#include "plant/plant_model.h"
#include "plant/write_ranges.h"

// The clients table and the diagram of clients, servers and units.
std::string ClientsSection(const PlantModel& model);
// Per device and polled range: period, jitter and polls; ranges polled once counted apart.
std::string PollingSection(const PlantModel& model);
// The change log's first rows, with how many changes there were.
std::string ChangesSection(const ChangeLog& changes);
// The writes per client, device and range, then `detailTable` (each write) for `writes` writes;
// one line when there were none.
std::string WritesSection(const WriteRanges& ranges, const std::string& detailTable);
