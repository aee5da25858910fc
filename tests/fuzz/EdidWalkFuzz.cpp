// The physical-address walk over the 256 EDID bytes the display library answers: any bytes
// (shorter input is padded with zeros) must give one of the three outcomes, writing the
// address only when one is found, and never read outside the array.
#include "controller/EDIDHelper.h"
#include "tests/fuzz/FuzzInput.h"

#include <algorithm>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A heap copy of exactly the array's size, so that AddressSanitizer sees a read past it.
    auto edid = std::make_unique<std::uint8_t[]>(EDIDHelper::kEdidBytes);
    std::memcpy(edid.get(), data, std::min(size, EDIDHelper::kEdidBytes));
    const auto& array = *reinterpret_cast<const std::uint8_t(*)[EDIDHelper::kEdidBytes]>(edid.get());
    std::uint8_t first = 0xA5, second = 0x5A;
    const auto walk = EDIDHelper::physicalAddressFromEdid(array, first, second);
    if (walk != EDIDHelper::EdidWalk::Found) {
        FUZZ_CHECK(first == 0xA5 && second == 0x5A);
    }
    return 0;
}
