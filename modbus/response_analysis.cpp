#include "modbus/response_analysis.h"

#include "modbus/frame_decoding.h"
#include "modbus/function_table.h"

namespace {

// Read responses carry no addresses: the range comes from the answered poll, when there is one.
void TakeRangeFromPoll(FrameView poll, FrameFields& fields) {
    fields.addressesKnown = !poll.empty();
    if (fields.addressesKnown) {
        fields.rangeFromPoll = true;
        fields.reference = GetReferenceNumber(poll.Word(2), fields.function);
        fields.count = poll.Word(4);
    }
}

void DecodeStatusBits(FrameView frame, FrameView poll, FrameFields& fields) {
    TakeRangeFromPoll(poll, fields);
    fields.byteCount = frame[2];
    DecodeCoilBits(frame, 3, ItemsWithinList(frame[2], 3, 1), poll.Word(2), poll.Word(4), fields);
}

void DecodeRegisters(FrameView frame, FrameView poll, FrameFields& fields) {
    TakeRangeFromPoll(poll, fields);
    fields.byteCount = frame[2];
    if (!fields.addressesKnown) {
        fields.count = frame[2] / 2;  // implied by the byte count
    }
    DecodeRegisterWords(frame, 3, ItemsWithinList(frame[2] / 2, 3, 2), poll.Word(2), fields);
}

void DecodeReportSlaveId(FrameView frame, FrameView, FrameFields& fields) {
    fields.byteCount = frame[2];
    fields.slaveId = frame[3];
    fields.runIndicator = frame[4];
    if (fields.byteCount > 2) {
        const int additional = ItemsWithinList(fields.byteCount - 2, 5, 1);
        for (int i = 1; i <= additional; ++i) {
            fields.additionalData.push_back(frame[4 + i]);
        }
    }
}

// Functions 6 and 22 answer with a copy of the poll.
bool IsEchoOf(FrameView frame, FrameView poll) {
    if (poll.empty() || poll.size() != frame.size()) {
        return false;
    }
    for (int i = 0; i < frame.size(); ++i) {
        if (frame[i] != poll[i]) {
            return false;
        }
    }
    return true;
}

void DecodeSingleCoil(FrameView frame, FrameView, FrameFields& fields) {
    DecodeReferenceAndValue(frame, fields);
}

void DecodeSingleRegister(FrameView frame, FrameView poll, FrameFields& fields) {
    DecodeReferenceAndValue(frame, fields);
    fields.echo = IsEchoOf(frame, poll);
}

void DecodeMaskWriteEcho(FrameView frame, FrameView poll, FrameFields& fields) {
    DecodeMaskWrite(frame, fields);
    fields.echo = IsEchoOf(frame, poll);
}

void DecodeWriteConfirmation(FrameView frame, FrameView, FrameFields& fields) {
    fields.reference = GetReferenceNumber(frame.Word(2), fields.function);
    fields.count = frame.Word(4);
}

struct ResponseDecoder {
    int function;
    FrameLayout layout;
    void (*decode)(FrameView, FrameView, FrameFields&);
};

const ResponseDecoder kResponseDecoders[] = {
    {1, FrameLayout::StatusBits, DecodeStatusBits},
    {2, FrameLayout::StatusBits, DecodeStatusBits},
    {3, FrameLayout::Registers, DecodeRegisters},
    {4, FrameLayout::Registers, DecodeRegisters},
    {5, FrameLayout::SingleCoil, DecodeSingleCoil},
    {6, FrameLayout::SingleRegister, DecodeSingleRegister},
    {15, FrameLayout::WriteConfirmation, DecodeWriteConfirmation},
    {16, FrameLayout::WriteConfirmation, DecodeWriteConfirmation},
    {17, FrameLayout::ReportSlaveId, DecodeReportSlaveId},
    {22, FrameLayout::MaskWrite, DecodeMaskWriteEcho},
    {23, FrameLayout::Registers, DecodeRegisters},
};

}  // namespace

FrameFields AnalyseResponse(FrameView frame, FrameView poll) {
    const int32_t f = frame[1];
    if ((f & kExceptionBit) != 0) {
        FrameFields fields = StartFields(frame, BaseFunctionCode(f), FrameLayout::Exception);
        fields.exceptionCode = frame[2];
        return fields;
    }
    if (f != 17 && !IsDecodedFunction(f)) {
        return StartFields(frame, f, FrameLayout::NotDecoded);
    }
    for (const ResponseDecoder& decoder : kResponseDecoders) {
        if (decoder.function == f) {
            FrameFields fields = StartFields(frame, f, decoder.layout);
            decoder.decode(frame, poll, fields);
            return fields;
        }
    }
    return StartFields(frame, f, FrameLayout::AddressFunction);  // 7, 11, 12
}
