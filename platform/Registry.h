// Registry port: the machine and user hives, with the semantics of the Win32 registry calls
// (RegOpenKeyExW, RegCreateKeyExW, RegQueryValueExW, RegSetValueExW, RegEnumKeyExW,
// RegEnumValueW, RegCloseKey). Names compare case-insensitively; value data are bytes, text
// values are UTF-16LE. Out-parameters stay untouched on failure.
// Portable.
#pragma once

#include "common/Bytes.h"
#include "platform/Port.h"
#include "platform/Types.h"

#include <cstdint>

namespace platform {

using RegKey = std::uintptr_t; // 0: no key

// Predefined root keys, with the Win32 values.
inline constexpr RegKey kHkeyCurrentUser = 0x80000001;
inline constexpr RegKey kHkeyLocalMachine = 0x80000002;

// Value types.
namespace regtype {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kSz = 1;
inline constexpr std::uint32_t kExpandSz = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kMultiSz = 7;
inline constexpr std::uint32_t kQword = 11;
} // namespace regtype

enum class RegAccess { Read, Write, All };

// The results of opening, creating, reading and enumerating are [[nodiscard]]: on failure the
// out-parameters are untouched, so a result ignored means data read that is not there.
class Registry : public Port {
public:
    // Opens an existing key. kFileNotFound when it does not exist.
    [[nodiscard]] virtual ErrorCode openKey(RegKey parent, const wchar_t* subKey, RegAccess access,
                                            RegKey& key) = 0;

    // Opens or creates a key (and any missing keys on its path). `created` (optional) tells
    // whether the key was new. A null `subKey` is refused with kInvalidParameter.
    [[nodiscard]] virtual ErrorCode createKey(RegKey parent, const wchar_t* subKey, RegAccess access,
                                              RegKey& key, bool* created) = 0;

    // Reads a value. `name` null or empty: the default value. `type` and `data` may be null.
    // `dataSize` is in: capacity of `data` in bytes, out: size of the value. When `data` is
    // too small the result is kMoreData and `dataSize` holds the size needed.
    [[nodiscard]] virtual ErrorCode queryValue(RegKey key, const wchar_t* name, std::uint32_t* type,
                                               std::uint8_t* data, std::uint32_t* dataSize) = 0;

    virtual ErrorCode setValue(RegKey key, const wchar_t* name, std::uint32_t type, const std::uint8_t* data,
                               std::uint32_t dataSize) = 0;

    // Subkey `index` in the order Windows enumerates them (case-insensitive alphabetical).
    // `nameChars` is in: capacity of `name` in characters with the terminator, out: length
    // without it. kNoMoreItems past the end; kMoreData when the name does not fit.
    [[nodiscard]] virtual ErrorCode enumKey(RegKey key, std::uint32_t index, wchar_t* name,
                                            std::uint32_t* nameChars) = 0;

    // Value `index` in creation order (Wine's registry lists values by name instead). Buffers
    // as for enumKey and queryValue; kMoreData when the name or the data does not fit, with
    // `dataSize` then holding the size needed.
    [[nodiscard]] virtual ErrorCode enumValue(RegKey key, std::uint32_t index, wchar_t* name,
                                              std::uint32_t* nameChars, std::uint32_t* type,
                                              std::uint8_t* data, std::uint32_t* dataSize) = 0;

    virtual ErrorCode closeKey(RegKey key) = 0;
};

// A key closed when it goes out of scope, so that no early return leaves it open. It converts to
// the RegKey it holds; `out()` is the out-parameter for openKey and createKey.
class ScopedRegKey {
public:
    explicit ScopedRegKey(Registry& registry) : m_registry(&registry) {}
    ~ScopedRegKey() { reset(); }
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;
    ScopedRegKey(ScopedRegKey&& other) noexcept : m_registry(other.m_registry), m_key(other.release()) {}
    ScopedRegKey& operator=(ScopedRegKey&& other) noexcept {
        if (this != &other) {
            reset();
            m_registry = other.m_registry;
            m_key = other.release();
        }
        return *this;
    }

    operator RegKey() const { return m_key; }
    // Closes the key held, if any, and lends the handle to be filled by an open or a create.
    RegKey& out() {
        reset();
        return m_key;
    }
    void reset() {
        if (m_key != 0) {
            m_registry->closeKey(m_key);
            m_key = 0;
        }
    }
    [[nodiscard]] RegKey release() {
        const RegKey key = m_key;
        m_key = 0;
        return key;
    }

private:
    Registry* m_registry;
    RegKey m_key = 0;
};

// A REG_DWORD of exactly four bytes. False, with `value` untouched, when the value is missing,
// of another type or of another size.
[[nodiscard]] inline bool readDword(Registry& registry, RegKey key, const wchar_t* name,
                                    std::uint32_t& value) {
    std::uint32_t type = 0;
    std::uint8_t data[4] = {};
    std::uint32_t size = sizeof(data);
    if (registry.queryValue(key, name, &type, data, &size) != error::kSuccess || type != regtype::kDword ||
        size != sizeof(data)) {
        return false;
    }
    value = bytes::le32(data);
    return true;
}

inline ErrorCode writeDword(Registry& registry, RegKey key, const wchar_t* name, std::uint32_t value) {
    std::uint8_t data[4];
    bytes::putLe32(value, data);
    return registry.setValue(key, name, regtype::kDword, data, sizeof(data));
}

} // namespace platform
