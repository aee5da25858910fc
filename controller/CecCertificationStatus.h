// The embedded CEC controller's view of the link: its status bits, the notebook's physical
// address and the logical addresses it sees, with the one it uses.
// Portable.
#pragma once

#include <cstdint>

class CecCertificationStatus {
public:
    static constexpr std::uint8_t kUnknownAddressByte = 0xFF;
    static constexpr std::uint8_t kNoLogicalAddress = 15;

    CecCertificationStatus() = default;
    CecCertificationStatus(const CecCertificationStatus&) = default;
    CecCertificationStatus& operator=(const CecCertificationStatus&) = default;
    virtual ~CecCertificationStatus() = default;

    // Back to the values of a detached link.
    void reset() { *this = CecCertificationStatus(); }

    // Learned for most purposes when the first byte is known.
    bool physicalAddressKnown() const { return physicalAddressHigh != kUnknownAddressByte; }
    // Both bytes known (One Touch Play after an attach requires this).
    bool physicalAddressComplete() const {
        return physicalAddressHigh != kUnknownAddressByte && physicalAddressLow != kUnknownAddressByte;
    }
    // A CEC TV answers and the whole address is known: One Touch Play may run after an attach
    // or a status response.
    bool readyForOneTouchPlay() const {
        return statusBit4 == 1 && statusBit0 == 1 && physicalAddressComplete();
    }
    // Neither byte known.
    bool physicalAddressUnknown() const {
        return physicalAddressHigh == kUnknownAddressByte && physicalAddressLow == kUnknownAddressByte;
    }

    std::uint8_t statusBit5 = 0;
    std::uint8_t statusBit4 = 0;          // a CEC-capable TV answers
    std::uint8_t certificatedKorvath = 0; // the TV is one of the maker's own
    std::uint8_t statusBit0 = 0;
    std::uint8_t physicalAddressHigh = kUnknownAddressByte;
    std::uint8_t physicalAddressLow = kUnknownAddressByte;
    std::uint8_t logicalAddressFlags[16] = {};
    std::uint8_t logicalAddress = kNoLogicalAddress;
};
