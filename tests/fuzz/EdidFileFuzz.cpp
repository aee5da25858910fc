// The EDID file reader of the simulator tool: any file (raw bytes or a hex dump) gives an EDID
// of a whole number of 128-byte blocks or a message, and the address derived from it is
// "a.b.c.d" with hexadecimal digits.
#include "tests/fuzz/FuzzInput.h"
#include "tools/sentrix-sim/EdidFile.h"

#include <cctype>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> content(data, data + size);
    std::vector<std::uint8_t> edid;
    std::string error;
    if (!simtool::parseEdid(content, edid, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(!edid.empty() && edid.size() % 128 == 0);
    const std::optional<std::string> address = simtool::edidPhysicalAddress(edid);
    if (address) {
        FUZZ_CHECK(address->size() == 7);
        for (std::size_t i = 0; i < address->size(); ++i) {
            FUZZ_CHECK(i % 2 == 1 ? (*address)[i] == '.'
                                  : std::isxdigit(static_cast<unsigned char>((*address)[i])) != 0);
        }
    }
    return 0;
}
