#include "plant/point_values.h"

#include "modbus/function_table.h"

namespace {

void Add(std::vector<PointValue>& values, PointTable table, int function, int32_t reference,
         int32_t value, PointAccess access, PointStanding standing) {
    PointValue point;
    point.table = table;
    point.address = static_cast<uint16_t>(reference - GetReferenceNumber(0, function));
    point.reference = reference;
    point.value = value;
    point.access = access;
    point.standing = standing;
    values.push_back(point);
}

// The listed points of `fields` (1, 2, 3, 4, 15, 16 and 23, each of a table); without the
// request's addresses, each by its 1-based index.
void AddListed(std::vector<PointValue>& values, const FrameFields& fields, PointAccess access,
               PointStanding standing) {
    PointValue value;
    value.access = access;
    value.standing = fields.addressesKnown ? standing : PointStanding::Unaddressed;
    TableOfFunction(fields.function, value.table);
    const int32_t base = GetReferenceNumber(0, fields.function);
    values.reserve(values.size() + fields.points.size());
    for (const FramePoint& point : fields.points) {
        if (!point.padding && !point.pastLastAddress) {
            value.address =
                fields.addressesKnown ? static_cast<uint16_t>(point.reference - base) : 0;
            value.reference = point.reference;
            value.value = point.value;
            values.push_back(value);
        }
    }
}

void AddWritten(std::vector<PointValue>& values, const FrameFields& request,
                PointStanding standing) {
    switch (request.layout) {
        case FrameLayout::SingleCoil:
            Add(values, PointTable::Coils, 5, request.reference, CoilState(request.value),
                PointAccess::Write, standing);
            break;
        case FrameLayout::SingleRegister:
            Add(values, PointTable::HoldingRegisters, 6, request.reference, request.value,
                PointAccess::Write, standing);
            break;
        case FrameLayout::MultipleCoils:
        case FrameLayout::MultipleRegisters:
        case FrameLayout::ReadWriteRequest:
            AddListed(values, request, PointAccess::Write, standing);
            break;
        default:
            break;
    }
}

// How the device took what the request wrote.
PointStanding WriteStanding(const Transaction& t) {
    if (!t.response) {
        return PointStanding::Unanswered;
    }
    const bool refused = t.responseFrame && t.responseFrame->validation.isException;
    return refused ? PointStanding::Refused : PointStanding::Answered;
}

}  // namespace

std::vector<PointValue> WrittenValuesOf(const FrameFields& request) {
    std::vector<PointValue> values;
    AddWritten(values, request, PointStanding::Answered);
    return values;
}

int32_t CoilState(int32_t word) {
    return word == 0xFF00 ? 1 : word;
}

std::vector<PointValue> PointValuesOf(const Transaction& t) {
    std::vector<PointValue> values;
    PointValuesOf(t, values);
    return values;
}

void PointValuesOf(const Transaction& t, std::vector<PointValue>& values) {
    values.clear();
    const bool requestAnalysed = t.requestFrame && t.requestFrame->poll;
    if (requestAnalysed) {
        AddWritten(values, *t.requestFrame->poll, WriteStanding(t));
    } else if (t.responseFrame && t.responseFrame->response) {
        // The echo of 5 or 6 says what was written when its request cannot.
        const FrameFields& echo = *t.responseFrame->response;
        if (echo.layout == FrameLayout::SingleCoil || echo.layout == FrameLayout::SingleRegister) {
            AddWritten(values, echo, PointStanding::Answered);
        }
    }
    if (t.responseFrame && t.responseFrame->response) {
        const FrameFields& response = *t.responseFrame->response;
        if (response.layout == FrameLayout::StatusBits ||
            response.layout == FrameLayout::Registers) {
            AddListed(values, response, PointAccess::Read, PointStanding::Answered);
        }
    }
}
