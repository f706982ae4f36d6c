#pragma once
// Whether two adjacent registers hold one 32-bit value, and of which type and order, judged
// from the values polled. The steps, each a reason to leave the pair as two uint16 words:
//
//  1. Too little to go by: fewer than 8 polls, fewer than 4 distinct pairs of words, or a word
//     that never changed (a constant register, or the unused half of a small number).
//  2. Each candidate, float32, uint32 and int32 in each of the four orders, decodes every poll
//     of the sample. A value is plausible when it is finite and 0 or within 1e-6 .. 1e9 in
//     magnitude (which also rules out denormal floats, and a float's bits read as an integer);
//     a candidate with fewer than 95% plausible values is dropped. So is one whose least
//     significant word does not look like the low half of a wider number (4 distinct values or
//     more, spread over at least a quarter of its range, and wrapping around or noisy:
//     roughness 0.1 or more), and a float whose least significant word steps up by a little
//     like a counter.
//  3. Roughness: the root mean square of the steps from one poll to the next, relative to the
//     range of the values; about 0.4 for noise, small for a value that moves smoothly. The two
//     words read alone have the roughness of the rougher one: the low word of a 32-bit value
//     wraps around or looks like noise.
//  4. The smoothest candidate is proposed (within 2% the earlier of float32, uint32, int32)
//     when its margin, 1 - its roughness / the words' roughness, is at least 0.5. Confidence:
//     the margin times the plausible share, scaled down below 30 steps.

#include <optional>

#include "plant/register_map.h"
#include "plant/word_pair_sample.h"

struct PairVerdict {
    MapDataType type = MapDataType::Float32;
    ByteOrder order = ByteOrder::ABCD;
    double confidence = 0;  // 0 .. 1
};

std::optional<PairVerdict> JudgeWordPair(const WordPairSample& sample);

// The 32-bit value of two words as sent, in a type and order (float32, uint32 or int32).
double DecodePair(MapDataType type, ByteOrder order, WordPair words);
