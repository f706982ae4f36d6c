#pragma once
// The suggested register map: a YAML document (CR LF) that --map reads as it is, a top-level
// sequence with one entry per register, coil or discrete input read or written, in Home
// Assistant's Modbus keys (name, host, slave, input_type, address, data_type, swap). A proposed
// 32-bit type carries "# confidence 0.87" on its data_type line. Written at the end of the run.

#include <string>
#include <vector>

#include "common/buffered_text_file.h"
#include "plant/map_suggester.h"
#include "plant/transaction_sink.h"

// The text itself when YAML reads it back as that text, else the text in double quotes.
std::string YamlScalar(const std::string& text);

class SuggestedMapFile : public TransactionSink {
public:
    explicit SuggestedMapFile(std::string path) : file_(std::move(path), true) {}

    bool Take(const Transaction& transaction, const Derivation& derived) override;
    bool Close(const PlantResult& plant) override;
    std::string FileName() const override { return file_.Path(); }

private:
    BufferedTextFile file_;
    MapSuggester suggester_;
};
