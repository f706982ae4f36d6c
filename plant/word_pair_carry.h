#pragma once
// Whether two adjacent registers change like one 32-bit number, and in which order. The high
// word of a number changes only as a carry, by one as the low word wraps around, so from one
// poll to the next the number moves a little (within +-32767) even when its low word read alone
// jumps by nearly 65536. Two words that move on their own (two ramps, a counter beside a
// measurement) break this on most steps, and so does an order that reads a word the wrong way
// round. A reading is found when:
//
//  - at least 95% of the steps are small in it (a reset or a missed poll may break a few),
//  - its high word carried at least once, or stayed FFFF throughout while the low word moved:
//    the sign extension of a negative number from -65536 to -1 (a high word that stays 0000 is
//    left alone: that is as likely a register of its own beside an unused one).
//
// Of the readings found, the one whose steps are smallest in sum, the earlier order on a tie:
// reading a byte-swapped word as sent turns a step of 1 into one of 256. A value that moves by
// more than 32767 between polls, or a float that does, is not found here (word_pair_scoring.h).

#include <optional>
#include <vector>

#include "plant/word_pair_sample.h"

struct CarriedReading {
    ByteOrder order = ByteOrder::ABCD;
    double smallShare = 0;      // the share of steps small in this order
    bool signExtended = false;  // the high word stayed FFFF
};

std::optional<CarriedReading> FindCarriedReading(const std::vector<WordPairStep>& steps);
