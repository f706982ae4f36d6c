#pragma once
// Whether two adjacent registers hold one 32-bit value, and of which type and order, judged
// from the values polled. The steps:
//
//  1. Too little to go by: fewer than 8 polls or fewer than 4 distinct pairs of words.
//  2. A number that carries (word_pair_carry.h): its high word changes only as its low word
//     wraps around, or stays FFFF as the sign of a negative number, or stays 0001..00FF or
//     FF01..FFFE beside a low word that climbs or falls. Its type: float32 when at least 95% of its
//     values are plausible floats (below), else int32 when the top bit is ever set, else uint32.
//     Confidence: the share of small steps, times 0.75 for a sign extension and 0.6 for another
//     held high word (a register that stays the same may also be one of its own), scaled down below
//     30 steps.
//  3. Else only a float is looked for, whose value may jump too far between polls to carry
//     (a noisy measurement). Not when a word never changed (a constant register, or the unused
//     half of a small number), nor when both words move like ramps or counters, each on its
//     own (one way only, on at least 95% of the steps: the high word of a 32-bit value changes
//     only when its low word wraps around). Each of the four orders decodes every
//     poll of the sample. A value is plausible when it is finite and 0 or within 1e-6 .. 1e9 in
//     magnitude (which also rules out denormal floats, and an integer's bits read as a float);
//     an order with fewer than 95% plausible values is dropped. So is one whose least
//     significant word does not look like the low half of a wider number (4 distinct values or
//     more, spread over at least a quarter of its range, and wrapping around or noisy:
//     roughness 0.1 or more), or steps up by a little like a counter.
//  4. Roughness: the root mean square of the steps from one poll to the next, relative to the
//     range of the values; about 0.4 for noise, small for a value that moves smoothly. The two
//     words read alone have the roughness of the rougher one: the low word of a 32-bit value
//     wraps around or looks like noise.
//  5. The smoothest order is proposed (within 2% the earlier) when its margin, 1 - its
//     roughness / the words' roughness, is at least 0.5. Confidence: the margin times the
//     plausible share, scaled down below 30 steps.
//  6. Else a number that moves steadily, by steps too large to carry within half a word, its
//     high word carrying (word_pair_carry.h): typed as in 2, its confidence the share of
//     steady steps, scaled down below 30 steps.

#include <optional>

#include "plant/register_map.h"
#include "plant/word_pair_sample.h"

struct PairVerdict {
    MapDataType type = MapDataType::Float32;
    ByteOrder order = ByteOrder::ABCD;
    double confidence = 0;  // 0 .. 1
    bool highHeld = false;  // an integer whose high word never changed (word_pair_carry.h)
};

std::optional<PairVerdict> JudgeWordPair(const WordPairSample& sample);

// The 32-bit value of two words as sent, in a type and order (float32, uint32 or int32).
double DecodePair(MapDataType type, ByteOrder order, WordPair words);
