#pragma once
// A client probing a device: one that draws "Illegal Function" or "Illegal Data Address"
// answers for many distinct functions or addresses is scanning it (or polls a map that does not
// fit it), which one refused poll repeated does not show. Raised once per client and device.

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <tuple>
#include <vector>

#include "plant/anomalies.h"
#include "session/transaction.h"

class AddressScanWatch {
public:
    // Distinct functions or addresses refused before the client counts as scanning.
    static constexpr size_t kDistinctRefusals = 16;

    // Adds an `address_scan` anomaly to `anomalies` when this transaction's refusal is the one
    // that reaches the bound for its client and device.
    void Take(const Transaction& t, std::vector<Anomaly>& anomalies);

private:
    struct Key {
        IpAddress client;
        Endpoint server;
        uint8_t unit = 0;
        friend bool operator<(const Key& a, const Key& b) {
            return std::tie(a.client, a.server, a.unit) < std::tie(b.client, b.server, b.unit);
        }
    };
    struct Refusals {
        std::set<uint32_t> distinct;  // function and address (no address for Illegal Function)
        bool raised = false;
    };
    std::map<Key, Refusals> refusals_;
};
