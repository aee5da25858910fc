// The .reg import: any file bytes are imported or refused with the line of the error, a
// refused file changes nothing, and an imported tree exported and imported again gives the
// same export (names, types and bytes survive the round trip).
// An export writes every key's full path, so it grows with the square of the depth: a 4 KB
// input 270 keys deep exports as half a million characters and cost 100 ms a run. The round
// trip is left out above kMaxRoundTripChars; the unit tests take it to the depth limit.
#include "sim/RegFile.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

constexpr std::size_t kMaxRoundTripChars = 1 << 16;

const wchar_t* const kRoots[] = {L"HKEY_LOCAL_MACHINE\\SOFTWARE", L"HKEY_CURRENT_USER\\Software"};

std::wstring exportAll(const sim::SimRegistry& registry) {
    std::wstring all;
    for (const wchar_t* root : kRoots) {
        all += sim::exportRegText(registry, root);
    }
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    sim::SimRegistry registry;
    registry.setDword(platform::kHkeyLocalMachine, L"SOFTWARE\\Before", L"Kept", 7);
    const std::wstring before = exportAll(registry);
    const sim::RegImportResult result = sim::importRegFile(registry, bytes);
    const std::wstring after = exportAll(registry);
    if (!result.ok) {
        FUZZ_CHECK(result.line > 0 && !result.message.empty());
        FUZZ_CHECK(after == before);
        return 0;
    }
    FUZZ_CHECK(result.line == 0);
    if (after.size() > kMaxRoundTripChars) {
        return 0;
    }
    sim::SimRegistry copy;
    for (const wchar_t* root : kRoots) {
        const std::wstring text = sim::exportRegText(registry, root);
        if (!text.empty()) {
            const sim::RegImportResult again = sim::importRegText(copy, text);
            FUZZ_CHECK(again.ok);
        }
    }
    FUZZ_CHECK(exportAll(copy) == after);
    return 0;
}
