#pragma once
// What a unit id (the RTU device address) names: 0 is the broadcast address, 1 to 247 are
// the devices of a serial line, 248 to 254 are reserved, and 255 is what Modbus/TCP sends when
// the server is reached by its IP address alone.

#include <cstdint>

enum class UnitIdKind : uint8_t { Broadcast, Device, Reserved, NoUnit };

constexpr int kBroadcastUnitId = 0;
constexpr int kHighestDeviceUnitId = 247;
constexpr int kNoUnitId = 255;

constexpr UnitIdKind KindOfUnitId(int id) {
    if (id == kBroadcastUnitId) {
        return UnitIdKind::Broadcast;
    }
    if (id <= kHighestDeviceUnitId) {
        return UnitIdKind::Device;
    }
    return id == kNoUnitId ? UnitIdKind::NoUnit : UnitIdKind::Reserved;
}

// An address a serial line may carry: the broadcast address or a device's.
constexpr bool IsSerialLineAddress(int id) {
    return id >= kBroadcastUnitId && id <= kHighestDeviceUnitId;
}
