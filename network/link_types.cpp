#include "network/link_types.h"

namespace {

struct NamedLinkType {
    uint32_t value;
    const char* name;
};

// The common part of the tcpdump.org link-layer header type registry.
constexpr NamedLinkType kNames[] = {
    {0, "NULL"},
    {1, "ETHERNET"},
    {3, "AX25"},
    {6, "IEEE802_5"},
    {7, "ARCNET_BSD"},
    {8, "SLIP"},
    {9, "PPP"},
    {10, "FDDI"},
    {12, "RAW"},  // historic raw-IP values of some BSDs
    {14, "RAW"},
    {50, "PPP_HDLC"},
    {51, "PPP_ETHER"},
    {100, "ATM_RFC1483"},
    {101, "RAW"},
    {104, "C_HDLC"},
    {105, "IEEE802_11"},
    {107, "FRELAY"},
    {108, "LOOP"},
    {113, "LINUX_SLL"},
    {114, "LTALK"},
    {119, "IEEE802_11_PRISM"},
    {122, "IP_OVER_FC"},
    {127, "IEEE802_11_RADIOTAP"},
    {138, "APPLE_IP_OVER_IEEE1394"},
    {143, "DOCSIS"},
    {163, "IEEE802_11_AVS"},
    {169, "GPRS_LLC"},
    {187, "BLUETOOTH_HCI_H4"},
    {189, "USB_LINUX"},
    {192, "PPI"},
    {195, "IEEE802_15_4_WITHFCS"},
    {201, "BLUETOOTH_HCI_H4_WITH_PHDR"},
    {209, "IPMB_LINUX"},
    {215, "IEEE802_15_4_NONASK_PHY"},
    {220, "USB_LINUX_MMAPPED"},
    {227, "CAN_SOCKETCAN"},
    {228, "IPV4"},
    {229, "IPV6"},
    {230, "IEEE802_15_4_NOFCS"},
    {231, "DBUS"},
    {235, "DVB_CI"},
    {239, "NFLOG"},
    {240, "NETANALYZER"},
    {249, "USBPCAP"},
    {251, "BLUETOOTH_LE_LL"},
    {253, "NETLINK"},
    {254, "BLUETOOTH_LINUX_MONITOR"},
    {263, "PKTAP"},
    {264, "EPON"},
    {274, "NORDIC_BLE"},
    {276, "LINUX_SLL2"},
};

constexpr uint32_t kFirstUser = 147;  // USER0 .. USER15: private use
constexpr uint32_t kLastUser = 162;

}  // namespace

std::string LinkTypeName(uint32_t linkType) {
    if (linkType >= kFirstUser && linkType <= kLastUser) {
        return "USER" + std::to_string(linkType - kFirstUser);
    }
    for (const NamedLinkType& entry : kNames) {
        if (entry.value == linkType) {
            return entry.name;
        }
    }
    return "unknown";
}

std::string DescribeLinkType(uint32_t linkType) {
    return "link type " + std::to_string(linkType) + " (" + LinkTypeName(linkType) + ")";
}
