#include "maps/modicon_reference.h"

#include <algorithm>
#include <cctype>

namespace {

struct ReferenceRange {
    char sixDigitPrefix;  // the first of six digits
    PointTable table;
};

const ReferenceRange kRanges[] = {
    {'0', PointTable::Coils},
    {'1', PointTable::DiscreteInputs},
    {'3', PointTable::InputRegisters},
    {'4', PointTable::HoldingRegisters},
};

constexpr uint32_t kFiveDigitSpan = 9999;  // 40001-49999
constexpr uint32_t kSixDigitSpan = 65536;  // 400001-465536

}  // namespace

bool ParseModiconReference(const std::string& text, PointTable& table, uint16_t& address) {
    if (text.empty() || text.size() > 6 || !std::all_of(text.begin(), text.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        })) {
        return false;
    }
    const bool sixDigits = text.size() == 6;
    const uint32_t number = static_cast<uint32_t>(std::stoul(sixDigits ? text.substr(1) : text));
    for (const ReferenceRange& range : kRanges) {
        const auto first = static_cast<uint32_t>(ReferenceBase(range.table));  // in five digits
        const bool inRange =
            sixDigits ? text[0] == range.sixDigitPrefix && number >= 1 && number <= kSixDigitSpan
                      : number >= first && number < first + kFiveDigitSpan;
        if (inRange) {
            table = range.table;
            address = static_cast<uint16_t>(sixDigits ? number - 1 : number - first);
            return true;
        }
    }
    return false;
}
