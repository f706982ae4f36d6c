#pragma once
// Whether two adjacent registers change like one 32-bit number, and in which order. The high
// word of a number changes only as a carry, as the low word wraps around, so from one poll to
// the next the number moves a little (within +-32767) even when its low word read alone jumps
// by nearly 65536, or it moves steadily by about the same step each poll. Two words that move
// on their own (two ramps, a counter beside a measurement) break this on most steps, and so does
// an order that reads a word the wrong way round. A reading is found when either:
//
//  - at least 95% of the steps are small in it (a reset or a missed poll may break a few), and
//    its high word carried at least once, or stayed the same throughout while the low word
//    moved: FFFF, the sign extension of a negative number from -65536 to -1, or a held
//    0001..00FF or FF01..FFFE while the number climbs or falls (one way on all but 5% of the
//    steps), a number past +-65536 that did not carry while polled (within +-16 million: no
//    plausible float has such a high word). A high word that stays 0000 is left alone: that is
//    as likely a register of its own beside an unused one, as is a constant beside a register
//    that wanders.
//  - or it moves steadily, in steps too large to be small: at least 95% of the steps lie within
//    a quarter of a high word's unit of the median step (65536 for an integer; for a float, 65536
//    units in the last place at its value, as a float's step in bits halves or doubles with its
//    exponent), and the high word's change is not the same on every such step (a carry seen).
//    An integer whose median step times the polls goes round all 32 bits is left alone.
//    Two registers that ramp side by side read as one number move their high word by the same
//    on every step and carry a whole unit off the step when the low one wraps around.
//
// Of the small readings found, one whose high word carried or is a sign extension before one
// held, then the one whose steps are smallest in sum (the earlier order on a tie: reading a
// byte-swapped word as sent turns a step of 1 into one of 256). Of the steady readings, the
// steadiest (the earlier order on a tie). A value that moves unevenly by more than 32767
// between polls, or a float that does, is not found here (word_pair_scoring.h).

#include <optional>
#include <vector>

#include "plant/word_pair_sample.h"

// How the high word of a carried reading moved.
enum class HighWord {
    Carried,        // it changed as the low word wrapped around
    SignExtension,  // it stayed FFFF
    Held,           // it stayed one of 0001..00FF or FF01..FFFE
};

struct CarriedReading {
    ByteOrder order = ByteOrder::ABCD;
    double smallShare = 0;  // the share of steps small (or steady) in this order
    HighWord high = HighWord::Carried;
};

// A reading of small steps (the first kind above).
std::optional<CarriedReading> FindCarriedReading(const std::vector<WordPairStep>& steps);
// A steady reading (the second kind above).
std::optional<CarriedReading> FindSteadyReading(const WordPairSample& sample);
