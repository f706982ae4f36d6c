#include "modbus/frame_decoding.h"

#include "modbus/frame_fields.h"
#include "modbus/function_table.h"

int ItemsWithinList(int64_t count, int firstIndex, int stride) {
    if (count <= 0) {
        return 0;
    }
    const int64_t room = (kMaxFrameBytes - firstIndex) / stride;
    return static_cast<int>(count < room ? count : room);
}

bool RangeRunsPastLastAddress(const FrameFields& request) {
    const int32_t base = GetReferenceNumber(0, request.function);
    switch (request.layout) {
        case FrameLayout::ReadRequest:
        case FrameLayout::MultipleCoils:
        case FrameLayout::MultipleRegisters:
            return RunsPastLastAddress(request.reference - base, request.count);
        case FrameLayout::ReadWriteRequest:
            return RunsPastLastAddress(request.reference - base, request.count) ||
                   RunsPastLastAddress(request.writeReference - base, request.writeCount);
        default:
            return false;
    }
}

FrameFields StartFields(FrameView frame, int32_t function, FrameLayout layout) {
    FrameFields fields;
    fields.layout = layout;
    fields.unit = frame[0];
    fields.function = function;
    return fields;
}

void DecodeReferenceAndValue(FrameView frame, FrameFields& fields) {
    fields.reference = GetReferenceNumber(frame.Word(2), fields.function);
    fields.value = frame.Word(4);
}

void DecodeMaskWrite(FrameView frame, FrameFields& fields) {
    fields.reference = GetReferenceNumber(frame.Word(2), fields.function);
    fields.andMask = frame.Word(4);
    fields.orMask = frame.Word(6);
}

void DecodeCoilBits(FrameView frame, int firstIndex, int byteCount, int32_t start, int32_t quantity,
                    FrameFields& fields) {
    fields.points.reserve(fields.points.size() + static_cast<size_t>(byteCount) * 8);
    for (int k = 0; k < byteCount; ++k) {
        for (int j = 0; j < 8; ++j) {
            const int point = 8 * k + j + 1;
            FramePoint p;
            p.value = GetBit(frame[firstIndex + k], j) != 0 ? 1 : 0;
            if (fields.addressesKnown) {
                p.reference = GetReferenceNumber(start + 8 * k + j, fields.function);
                p.padding = point > quantity;
                p.pastLastAddress = start + 8 * k + j >= kAddressCount;
            } else {
                p.reference = point;
            }
            fields.points.push_back(p);
        }
    }
}

void DecodeRegisterWords(FrameView frame, int firstIndex, int count, int32_t start,
                         FrameFields& fields) {
    fields.points.reserve(fields.points.size() + static_cast<size_t>(count));
    for (int k = 0; k < count; ++k) {
        FramePoint p;
        p.value = frame.Word(firstIndex + 2 * k);
        p.reference =
            fields.addressesKnown ? GetReferenceNumber(start + k, fields.function) : k + 1;
        p.pastLastAddress = fields.addressesKnown && start + k >= kAddressCount;
        fields.points.push_back(p);
    }
}
