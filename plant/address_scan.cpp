#include "plant/address_scan.h"

#include "common/text_format.h"

namespace {

constexpr int kIllegalFunction = 1;
constexpr int kIllegalDataAddress = 2;

// The starting address of a request whose function addresses a table: the two bytes after the
// function code (functions 1 to 6, 15, 16, 22, 23); 0 for a request too short to carry one.
uint32_t RequestAddress(const CModbusMessage& request) {
    const ByteView pdu = request.Pdu();
    return pdu.size() >= 3 ? uint32_t{pdu.At(1)} << 8 | pdu.At(2) : 0;
}

}  // namespace

void AddressScanWatch::Take(const Transaction& t, std::vector<Anomaly>& anomalies) {
    if (!t.request || !t.response || !t.response->IsException()) {
        return;
    }
    const int code = t.response->ExceptionCode();
    if (code != kIllegalFunction && code != kIllegalDataAddress) {
        return;
    }
    Refusals& refusals = refusals_[Key{t.Client().address, t.Server(), t.request->unit}];
    if (refusals.raised) {
        return;
    }
    const uint32_t function = t.request->FunctionCode();
    refusals.distinct.insert(function << 16 |
                             (code == kIllegalDataAddress ? RequestAddress(*t.request) : 0));
    if (refusals.distinct.size() < kDistinctRefusals) {
        return;
    }
    refusals.raised = true;
    refusals.distinct.clear();  // nothing more to count for this client and device
    anomalies.push_back({AnomalyKind::AddressScan, &*t.response,
                         Format("%d distinct functions or addresses refused as illegal",
                                static_cast<int>(kDistinctRefusals))});
}
