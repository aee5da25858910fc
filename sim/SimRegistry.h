// The simulated registry: an in-memory machine hive and user hive that answer the registry
// port the way the Win32 registry calls do (error codes, buffer rules, enumeration orders,
// access rights, deleted keys), plus direct access by path for tests and tools, atomic
// batches of edits (used by the .reg import) and fault injection.
// Simulation.
#pragma once

#include "platform/Registry.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// A value's type and data bytes.
struct RegValue {
    std::uint32_t type = platform::regtype::kNone;
    std::vector<std::uint8_t> bytes;

    bool operator==(const RegValue&) const = default;
};

struct RegNamedValue {
    std::wstring name; // empty: the default value
    RegValue value;

    bool operator==(const RegNamedValue&) const = default;
};

// A copy of a key and its subtree, taken under the registry's lock.
struct RegKeySnapshot {
    std::wstring path;                   // full path below the hive, in the case the keys were created with
    std::wstring name;                   // last name of `path`; empty for a hive root
    std::vector<RegNamedValue> values;   // creation order
    std::vector<RegKeySnapshot> subkeys; // enumeration order

    bool operator==(const RegKeySnapshot&) const = default;
};

// One change of a batch (see applyEdits).
struct RegEdit {
    enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };

    Kind kind = Kind::CreateKey;
    platform::RegKey hive = 0; // kHkeyLocalMachine or kHkeyCurrentUser
    std::wstring path;
    std::wstring name; // value name for SetValue and DeleteValue; empty: the default value
    RegValue value;    // for SetValue
};

namespace detail {
struct RegNode; // a key of the simulated tree; defined with SimRegistry
} // namespace detail

class SimRegistry final : public platform::Registry {
public:
    // Limits as Windows has them.
    static constexpr std::size_t kMaxKeyNameChars = 255;
    static constexpr std::size_t kMaxValueNameChars = 16383;
    static constexpr std::size_t kMaxKeyDepth = 512;
    // Windows advises against values above 1 MB; the simulation refuses them, so that a wrong
    // size fails with an error instead of a huge copy.
    static constexpr std::uint32_t kMaxValueBytes = 1024 * 1024;

    SimRegistry();
    ~SimRegistry() override;

    // The port. Handles are opaque non-zero numbers, never reused. A handle opened with
    // RegAccess::Read may not set values or create keys beneath it; one opened with
    // RegAccess::Write may not read or enumerate (as KEY_READ and KEY_WRITE). Operations on a
    // handle whose key was deleted fail with kKeyDeleted; closing it still succeeds. Closing a
    // hive root is a no-op, as closing a predefined key on Windows.
    platform::ErrorCode openKey(platform::RegKey parent, const wchar_t* subKey, platform::RegAccess access,
                                platform::RegKey& key) override;
    platform::ErrorCode createKey(platform::RegKey parent, const wchar_t* subKey, platform::RegAccess access,
                                  platform::RegKey& key, bool* created) override;
    platform::ErrorCode queryValue(platform::RegKey key, const wchar_t* name, std::uint32_t* type,
                                   std::uint8_t* data, std::uint32_t* dataSize) override;
    platform::ErrorCode setValue(platform::RegKey key, const wchar_t* name, std::uint32_t type,
                                 const std::uint8_t* data, std::uint32_t dataSize) override;
    platform::ErrorCode enumKey(platform::RegKey key, std::uint32_t index, wchar_t* name,
                                std::uint32_t* nameChars) override;
    platform::ErrorCode enumValue(platform::RegKey key, std::uint32_t index, wchar_t* name,
                                  std::uint32_t* nameChars, std::uint32_t* type, std::uint8_t* data,
                                  std::uint32_t* dataSize) override;
    platform::ErrorCode closeKey(platform::RegKey key) override;

    // Direct access by hive and full path ("SOFTWARE\\KORVATH\\TRACELOG"). Writers create
    // missing keys. Errors: kInvalidHandle for an unknown hive, kInvalidParameter for a bad
    // path or name, kFileNotFound for a missing key or value.
    platform::ErrorCode setValue(platform::RegKey hive, std::wstring_view path, std::wstring_view name,
                                 std::uint32_t type, const std::vector<std::uint8_t>& bytes);
    platform::ErrorCode setDword(platform::RegKey hive, std::wstring_view path, std::wstring_view name,
                                 std::uint32_t value);
    platform::ErrorCode setString(platform::RegKey hive, std::wstring_view path, std::wstring_view name,
                                  std::wstring_view value); // REG_SZ, UTF-16LE with its terminator
    platform::ErrorCode setBinary(platform::RegKey hive, std::wstring_view path, std::wstring_view name,
                                  const std::vector<std::uint8_t>& bytes);
    std::optional<RegValue> getValue(platform::RegKey hive, std::wstring_view path,
                                     std::wstring_view name) const;
    platform::ErrorCode deleteValue(platform::RegKey hive, std::wstring_view path, std::wstring_view name);
    platform::ErrorCode ensureKey(platform::RegKey hive, std::wstring_view path);
    // Deletes the key and everything beneath it; a hive root cannot be deleted (kAccessDenied).
    platform::ErrorCode deleteKey(platform::RegKey hive, std::wstring_view path);
    bool keyExists(platform::RegKey hive, std::wstring_view path) const;
    // Names in enumeration order (subkeys) and creation order (values); empty for a missing key.
    std::vector<std::wstring> subkeyNames(platform::RegKey hive, std::wstring_view path) const;
    std::vector<std::wstring> valueNames(platform::RegKey hive, std::wstring_view path) const;
    std::optional<RegKeySnapshot> snapshot(platform::RegKey hive, std::wstring_view path) const;

    // Applies the edits in order, all or none: every edit is checked first, and on the first
    // invalid one nothing is changed and its index is stored in `failedIndex` (optional).
    // Deleting a missing key or value is not an error.
    platform::ErrorCode applyEdits(const std::vector<RegEdit>& edits, std::size_t* failedIndex = nullptr);

    // Handles opened through the port and not yet closed (hive roots do not count).
    std::size_t openHandleCount() const;

    // Makes openKey and createKey of exactly this key (by any route) fail with `code`.
    void failOpen(platform::RegKey hive, std::wstring_view path, platform::ErrorCode code);
    void clearFailures();

private:
    using Node = detail::RegNode;
    struct Handle {
        std::shared_ptr<Node> node;
        platform::RegAccess access = platform::RegAccess::All;
    };
    struct Failure {
        platform::RegKey hive = 0;
        std::wstring path;
        platform::ErrorCode code = platform::error::kSuccess;
    };

    std::shared_ptr<Node> rootOf(platform::RegKey hive) const;
    platform::ErrorCode resolveHandle(platform::RegKey key, Handle& handle) const;
    std::optional<platform::ErrorCode> injectedFailure(const Node& parent,
                                                       const std::vector<std::wstring_view>& names) const;
    Node* findNode(platform::RegKey hive, std::wstring_view path) const;
    platform::RegKey addHandle(std::shared_ptr<Node> node, platform::RegAccess access);
    platform::ErrorCode validateEdit(const RegEdit& edit) const;
    void applyEdit(const RegEdit& edit);

    mutable std::mutex m_mutex;
    std::shared_ptr<Node> m_pMachine;
    std::shared_ptr<Node> m_pUser;
    std::map<platform::RegKey, Handle> m_handles;
    platform::RegKey m_nextHandle;
    std::vector<Failure> m_failures;
};

} // namespace sim
