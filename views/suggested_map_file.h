#pragma once
// The suggested register map: a YAML document (CR LF) that --map reads as it is, a top-level
// sequence with one entry per register, coil or discrete input read or written, in Home
// Assistant's Modbus keys (name, host, slave, input_type, address, data_type, swap). A proposed
// 32-bit type carries "# confidence 0.87" on its data_type line. Written at the end of the run,
// from the map the plant stage drafted.

#include <string>
#include <vector>

#include "common/update_schedule.h"
#include "common/whole_file.h"
#include "plant/map_suggester.h"
#include "plant/plant_needs.h"
#include "plant/transaction_sink.h"

// The text itself when YAML reads it back as that text, else the text in double quotes.
std::string YamlScalar(const std::string& text);

class SuggestedMapFile : public TransactionSink {
public:
    // While a run goes on, the map is rewritten every `updateSeconds` (0: only at the end).
    explicit SuggestedMapFile(std::string path, double updateSeconds = 0)
        : document_(std::move(path)), schedule_(updateSeconds) {}

    PlantNeeds Needs() const override;
    bool Take(const Transaction&, const Derivation&) override { return true; }
    bool Refresh(const PlantResult& plant, bool requested) override;
    bool Close(const PlantResult& plant) override;
    std::string FileName() const override { return document_.Path(); }

private:
    bool Store(const PlantResult& plant);

    WholeFile document_;
    UpdateSchedule schedule_;
};
