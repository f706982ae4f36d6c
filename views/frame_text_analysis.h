#pragma once
// The analyser's text form: a frame text (and the text of the poll it answers) in, report text
// out.

#include <cstdint>
#include <string>

// Appends the analysis of `frameText` to `report`. `previousText` is the answered poll or empty;
// a nonzero `finish` closes the block with the "Finis." trailer. Source and destination are
// IPv4 addresses in network order; without either, no address lines are written.
void AnalyseFrame(std::string frameText, std::string previousText, std::string& report, int finish,
                  const uint8_t* source, const uint8_t* destination);
