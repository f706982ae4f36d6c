#include "tests/session/session_test_support.h"

Bytes Adu(uint16_t transactionId, uint8_t unit, const Bytes& pdu) {
    const size_t length = pdu.size() + 1;
    Bytes bytes = {
        static_cast<uint8_t>(transactionId >> 8), static_cast<uint8_t>(transactionId), 0,   0,
        static_cast<uint8_t>(length >> 8),        static_cast<uint8_t>(length),        unit};
    bytes.insert(bytes.end(), pdu.begin(), pdu.end());
    return bytes;
}

Bytes Join(const std::vector<Bytes>& parts) {
    Bytes joined;
    for (const Bytes& part : parts) {
        joined.insert(joined.end(), part.begin(), part.end());
    }
    return joined;
}

Bytes PduOf(const std::vector<uint8_t>& rtuFrame) {
    if (rtuFrame.size() < 3) {
        return Bytes();
    }
    return Bytes(rtuFrame.begin() + 1, rtuFrame.end() - 2);
}
