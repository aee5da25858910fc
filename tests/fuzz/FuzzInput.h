// Helpers of the fuzz targets: an entry of a table chosen by the input, the input read as the
// UTF-16 text the registry and the window messages carry, and a check that stops the run as a
// crash the fuzzer records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

namespace fuzzing {

// Pairs of bytes as little-endian UTF-16 units, as Windows stores text (unpaired surrogates
// included); an odd last byte is dropped.
inline std::wstring utf16Text(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    text.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    return text;
}

// One entry of a table, chosen by the input.
template <typename T, std::size_t N> T pick(FuzzedDataProvider& input, const T (&table)[N]) {
    return table[input.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
}

// A broken invariant: reported and aborted, so that libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);               \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

} // namespace fuzzing
