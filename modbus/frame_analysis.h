#pragma once
// One frame text (and, for a response, the poll it answers) turned into a block of report text.

#include <cstdint>
#include <string>

// Appends the analysis of `frameText` to `report`. `previousText` is the answered poll or empty;
// a nonzero `finish` closes the block with the "Finis." trailer. Source and destination are
// IPv4 addresses in network order; without either, no address lines are written.
void AnalyseFrame(std::string frameText, std::string previousText, std::string& report, int finish,
                  const uint8_t* source, const uint8_t* destination);
