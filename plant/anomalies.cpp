#include "plant/anomalies.h"

#include <cmath>

#include "common/text_format.h"
#include "modbus/exception_catalogue.h"
#include "modbus/frame_decoding.h"
#include "modbus/function_table.h"
#include "modbus/unit_id.h"
#include "session/unanswered_text.h"

namespace {

const char* const kKindNames[] = {
    "invalid_protocol_id",      "invalid_length",         "invalid_unit_identifier",
    "invalid_function_code",    "invalid_exception_code", "unsolicited_response",
    "value_mismatch",           "unit_mismatch",          "function_mismatch",
    "duplicate_transaction_id", "unanswered_request",     "slow_response",
    "invalid_address",          "address_scan",           "clock_step",
};

// The bytes of the message's PDU (an RTU frame holds at most 65535 + 2).
int PduSize(const CModbusMessage& m) {
    return static_cast<int>(m.frame.size()) - 3;
}

// One message of the transaction, with what was decoded of it.
struct MessageParts {
    const char* name;  // "request" or "response"
    const CModbusMessage& message;
    const std::optional<DecodedFrame>& frame;
    const std::optional<FunctionDetails>& details;
};

struct Collector {
    const Transaction& t;
    std::vector<Anomaly> found;

    void Add(AnomalyKind kind, const CModbusMessage& message, std::string detail) {
        found.push_back({kind, &message, std::move(detail)});
    }
    template <typename Check>
    void ForEachMessage(Check check) {
        if (t.request) {
            check(MessageParts{"request", *t.request, t.requestFrame, t.requestDetails});
        }
        if (t.response) {
            check(MessageParts{"response", *t.response, t.responseFrame, t.responseDetails});
        }
    }
};

// The frame analysis knows the lengths of the data access functions exactly.
bool LengthChecked(int function) {
    PointTable table;
    return TableOfFunction(function, table);
}

bool TooFewBytes(const DecodedFrame& frame) {
    for (const Finding& finding : frame.validation.findings) {
        if (finding.code == FindingCode::TooFewBytes ||
            finding.code == FindingCode::TooFewBytesShortPoll) {
            return true;
        }
    }
    return false;
}

bool EchoDiffers(const Transaction& t) {
    if (!t.request || !t.response || t.functionMismatch || t.response->IsException()) {
        return false;
    }
    const ByteView request = t.request->Pdu();
    return !EchoedPart(request).empty() && !IsEchoOf(t.response->Pdu(), request);
}

}  // namespace

const char* AnomalyKindName(AnomalyKind kind) {
    return kKindNames[static_cast<int>(kind)];
}

std::vector<Anomaly> AnomaliesOf(const Transaction& t, std::optional<double> responseMs,
                                 double slowResponseMs) {
    Collector c{t, {}};
    c.ForEachMessage([&](const MessageParts& p) {
        const CModbusMessage& m = p.message;
        if (m.protocolId != 0) {
            c.Add(AnomalyKind::InvalidProtocolId, m,
                  Format("%s protocol id %u", p.name, m.protocolId));
        }
        if (m.OverLong()) {
            c.Add(AnomalyKind::InvalidLength, m,
                  Format("%s of %d bytes, beyond the Modbus limit", p.name, PduSize(m)));
        } else if ((p.frame && LengthChecked(m.FunctionCode()) &&
                    (p.frame->stage == FrameStage::Rejected || TooFewBytes(*p.frame))) ||
                   (p.details && p.details->malformed)) {
            c.Add(AnomalyKind::InvalidLength, m,
                  Format("%s of %d bytes does not fit function %d", p.name, PduSize(m),
                         BaseFunctionCode(m.FunctionCode())));
        }
        if (KindOfUnitId(m.unit) == UnitIdKind::Reserved) {
            c.Add(AnomalyKind::InvalidUnitIdentifier, m, Format("%s unit id %u", p.name, m.unit));
        }
    });
    if (t.requestFrame && t.requestFrame->poll && RangeRunsPastLastAddress(*t.requestFrame->poll)) {
        c.Add(AnomalyKind::InvalidAddress, *t.request, "request address range runs past 65535");
    }
    if (t.request &&
        (t.request->FunctionCode() == 0 || (t.request->FunctionCode() & kExceptionBit) != 0)) {
        c.Add(AnomalyKind::InvalidFunctionCode, *t.request,
              Format("request function %u", t.request->FunctionCode()));
    } else if (!t.request && t.response && t.response->FunctionCode() == 0) {
        c.Add(AnomalyKind::InvalidFunctionCode, *t.response, "response function 0");
    }
    if (t.response && t.response->IsException()) {
        const int code = t.response->ExceptionCode();
        if (code < 0) {
            c.Add(AnomalyKind::InvalidExceptionCode, *t.response, "exception without a code");
        } else if (std::string(GetExceptionName(code)) == "Unknown") {
            c.Add(AnomalyKind::InvalidExceptionCode, *t.response,
                  Format("exception code %d", code));
        }
    }
    if (t.response && !t.request) {
        c.Add(AnomalyKind::UnsolicitedResponse, *t.response, "no request was waiting");
    }
    if (EchoDiffers(t)) {
        c.Add(AnomalyKind::ValueMismatch, *t.response, "the echo differs from the write");
    }
    if (t.unitMismatch) {
        c.Add(AnomalyKind::UnitMismatch, *t.response,
              Format("request unit %u, response unit %u", t.request->unit, t.response->unit));
    }
    if (t.functionMismatch) {
        c.Add(AnomalyKind::FunctionMismatch, *t.response,
              Format("request function %u, response function %u", t.request->FunctionCode(),
                     t.response->FunctionCode()));
    }
    if (t.duplicateTransactionId) {
        c.Add(AnomalyKind::DuplicateTransactionId, *t.request,
              Format("transaction id %u was waiting already", t.request->transactionId));
    }
    if (t.request && !t.response) {
        c.Add(AnomalyKind::UnansweredRequest, *t.request, UnansweredDetail(t.unanswered));
    }
    if (responseMs && *responseMs > slowResponseMs) {
        c.Add(AnomalyKind::SlowResponse, *t.response,
              Format("answered after %.3f ms", *responseMs));
    }
    c.ForEachMessage([&](const MessageParts& p) {
        for (const ClockStep& step : p.message.clockSteps) {
            c.Add(AnomalyKind::ClockStep, p.message,
                  Format("the capture clock stepped %s %.3f s at record %llu",
                         step.nanoseconds < 0 ? "back" : "forward",
                         std::fabs(static_cast<double>(step.nanoseconds)) / 1e9,
                         static_cast<unsigned long long>(step.record)));
        }
    });
    return std::move(c.found);
}
