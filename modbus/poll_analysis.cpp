#include "modbus/poll_analysis.h"

#include "modbus/frame_decoding.h"
#include "modbus/function_table.h"

namespace {

void DecodeReadRequest(FrameView frame, FrameFields& fields) {
    fields.reference = GetReferenceNumber(frame.Word(2), fields.function);
    fields.count = frame.Word(4);
}

void DecodeForceMultipleCoils(FrameView frame, FrameFields& fields) {
    const int32_t start = frame.Word(2);
    fields.reference = GetReferenceNumber(start, fields.function);
    fields.count = frame.Word(4);
    fields.byteCount = frame[6];
    DecodeCoilBits(frame, 7, ItemsWithinList(frame[6], 7, 1), start, fields.count, fields);
}

void DecodePresetMultipleRegisters(FrameView frame, FrameFields& fields) {
    const int32_t start = frame.Word(2);
    fields.reference = GetReferenceNumber(start, fields.function);
    fields.count = frame.Word(4);
    fields.byteCount = frame[6];
    DecodeRegisterWords(frame, 7, ItemsWithinList(frame[6] / 2, 7, 2), start, fields);
}

void DecodeReadWriteRegisters(FrameView frame, FrameFields& fields) {
    const int32_t writeStart = frame.Word(6);
    fields.reference = GetReferenceNumber(frame.Word(2), fields.function);
    fields.count = frame.Word(4);
    fields.writeReference = GetReferenceNumber(writeStart, fields.function);
    fields.writeCount = frame.Word(8);
    fields.byteCount = frame[10];
    DecodeRegisterWords(frame, 11, ItemsWithinList(frame[10] / 2, 11, 2), writeStart, fields);
}

struct PollDecoder {
    int function;
    FrameLayout layout;
    void (*decode)(FrameView, FrameFields&);
};

const PollDecoder kPollDecoders[] = {
    {1, FrameLayout::ReadRequest, DecodeReadRequest},
    {2, FrameLayout::ReadRequest, DecodeReadRequest},
    {3, FrameLayout::ReadRequest, DecodeReadRequest},
    {4, FrameLayout::ReadRequest, DecodeReadRequest},
    {5, FrameLayout::SingleCoil, DecodeReferenceAndValue},
    {6, FrameLayout::SingleRegister, DecodeReferenceAndValue},
    {15, FrameLayout::MultipleCoils, DecodeForceMultipleCoils},
    {16, FrameLayout::MultipleRegisters, DecodePresetMultipleRegisters},
    {22, FrameLayout::MaskWrite, DecodeMaskWrite},
    {23, FrameLayout::ReadWriteRequest, DecodeReadWriteRegisters},
};

}  // namespace

FrameFields AnalysePoll(FrameView frame) {
    const int32_t f = frame[1];
    if (!IsDecodedFunction(f)) {
        return StartFields(frame, f, FrameLayout::NotDecoded);
    }
    for (const PollDecoder& decoder : kPollDecoders) {
        if (decoder.function == f) {
            FrameFields fields = StartFields(frame, f, decoder.layout);
            decoder.decode(frame, fields);
            return fields;
        }
    }
    return StartFields(frame, f, FrameLayout::AddressFunction);  // 7, 11, 12, 17
}
