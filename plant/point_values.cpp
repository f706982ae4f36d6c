#include "plant/point_values.h"

#include "modbus/function_table.h"

namespace {

void Add(std::vector<PointValue>& values, PointTable table, int function, int32_t reference,
         int32_t value, PointAccess access) {
    PointValue point;
    point.table = table;
    point.address = static_cast<uint16_t>(reference - GetReferenceNumber(0, function));
    point.reference = reference;
    point.value = value;
    point.access = access;
    values.push_back(point);
}

void AddListed(std::vector<PointValue>& values, const FrameFields& fields, PointAccess access) {
    PointTable table;
    if (!fields.addressesKnown || !TableOfFunction(fields.function, table)) {
        return;
    }
    const int32_t base = GetReferenceNumber(0, fields.function);
    PointValue value;
    value.table = table;
    value.access = access;
    values.reserve(values.size() + fields.points.size());
    for (const FramePoint& point : fields.points) {
        if (!point.padding && !point.pastLastAddress) {
            value.address = static_cast<uint16_t>(point.reference - base);
            value.reference = point.reference;
            value.value = point.value;
            values.push_back(value);
        }
    }
}

void AddWritten(std::vector<PointValue>& values, const FrameFields& request) {
    switch (request.layout) {
        case FrameLayout::SingleCoil:
            Add(values, PointTable::Coils, 5, request.reference, CoilState(request.value),
                PointAccess::Write);
            break;
        case FrameLayout::SingleRegister:
            Add(values, PointTable::HoldingRegisters, 6, request.reference, request.value,
                PointAccess::Write);
            break;
        case FrameLayout::MultipleCoils:
        case FrameLayout::MultipleRegisters:
        case FrameLayout::ReadWriteRequest:
            AddListed(values, request, PointAccess::Write);
            break;
        default:
            break;
    }
}

}  // namespace

std::vector<PointValue> WrittenValuesOf(const FrameFields& request) {
    std::vector<PointValue> values;
    AddWritten(values, request);
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
    const bool refused = t.responseFrame && t.responseFrame->validation.isException;
    const bool requestAnalysed = t.requestFrame && t.requestFrame->poll;
    if (requestAnalysed && !refused) {
        AddWritten(values, *t.requestFrame->poll);
    } else if (!requestAnalysed && t.responseFrame && t.responseFrame->response) {
        // The echo of 5 or 6 says what was written when its request cannot.
        const FrameFields& echo = *t.responseFrame->response;
        if (echo.layout == FrameLayout::SingleCoil || echo.layout == FrameLayout::SingleRegister) {
            AddWritten(values, echo);
        }
    }
    if (t.request && t.responseFrame && t.responseFrame->response) {
        const FrameFields& response = *t.responseFrame->response;
        if (response.layout == FrameLayout::StatusBits ||
            response.layout == FrameLayout::Registers) {
            AddListed(values, response, PointAccess::Read);
        }
    }
}
