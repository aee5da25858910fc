// The simulated registry: key tree, handles and the Win32 rules of the registry calls.
// Simulation.
#include "sim/SimRegistry.h"

#include "common/Text.h"

#include <algorithm>

namespace sim {

using platform::ErrorCode;
using platform::RegAccess;
using platform::RegKey;
namespace error = platform::error;

struct detail::RegNode {
    RegKey hive = 0;
    std::size_t depth = 0; // number of names in `path`
    std::wstring name;
    std::wstring path;
    std::vector<std::shared_ptr<RegNode>> subkeys; // enumeration order
    std::vector<RegNamedValue> values;             // creation order
    bool deleted = false;
};

namespace {

using detail::RegNode;

constexpr wchar_t kSeparator = L'\\';
constexpr RegKey kFirstHandle = 0x1000;
constexpr RegKey kHandleStep = 4; // handle values are multiples of 4, as kernel handles

bool canRead(RegAccess access) {
    return access != RegAccess::Write;
}
bool canWrite(RegAccess access) {
    return access != RegAccess::Read;
}

std::wstring_view viewOf(const wchar_t* s) {
    return s != nullptr ? std::wstring_view(s) : std::wstring_view();
}

bool validValueName(std::wstring_view name) {
    return text::utf16Length(name) <= SimRegistry::kMaxValueNameChars;
}

// Splits a key path into its names. One trailing backslash is tolerated, as Windows does; an
// empty name elsewhere or a name above the length limit is refused.
ErrorCode splitPath(std::wstring_view path, std::vector<std::wstring_view>& names) {
    names.clear();
    if (!path.empty() && path.back() == kSeparator) {
        path.remove_suffix(1);
        if (path.empty()) {
            return error::kInvalidParameter;
        }
    }
    while (!path.empty()) {
        const std::size_t end = std::min(path.find(kSeparator), path.size());
        const std::wstring_view name = path.substr(0, end);
        if (name.empty() || text::utf16Length(name) > SimRegistry::kMaxKeyNameChars ||
            names.size() == SimRegistry::kMaxKeyDepth) {
            return error::kInvalidParameter;
        }
        names.push_back(name);
        if (end == path.size()) {
            break;
        }
        path.remove_prefix(end + 1);
        if (path.empty()) {
            return error::kInvalidParameter; // a second trailing separator
        }
    }
    return error::kSuccess;
}

// Tree operations; called with the lock held.

auto lowerBound(RegNode& parent, std::wstring_view name) {
    return std::lower_bound(
        parent.subkeys.begin(), parent.subkeys.end(), name,
        [](const auto& child, std::wstring_view n) { return text::compareNoCase(child->name, n) < 0; });
}

auto findChild(RegNode& parent, std::wstring_view name) {
    auto it = lowerBound(parent, name);
    if (it != parent.subkeys.end() && text::equalsNoCase((*it)->name, name)) {
        return it;
    }
    return parent.subkeys.end();
}

// Inserts a new subkey at its place in the enumeration order.
auto addChild(RegNode& parent, std::wstring_view name) {
    auto child = std::make_shared<RegNode>();
    child->hive = parent.hive;
    child->depth = parent.depth + 1;
    child->name = std::wstring(name);
    child->path = parent.path.empty() ? child->name : parent.path + kSeparator + child->name;
    return parent.subkeys.insert(lowerBound(parent, name), std::move(child));
}

// For a const or a mutable node.
template <typename NodeT> auto findValue(NodeT& node, std::wstring_view name) {
    return std::find_if(node.values.begin(), node.values.end(),
                        [name](const RegNamedValue& v) { return text::equalsNoCase(v.name, name); });
}

void markDeleted(RegNode& node) {
    node.deleted = true;
    for (auto& child : node.subkeys) {
        markDeleted(*child);
    }
}

void copyTree(const RegNode& node, RegKeySnapshot& out) {
    out.path = node.path;
    out.name = node.name;
    out.values = node.values;
    out.subkeys.resize(node.subkeys.size());
    for (std::size_t i = 0; i < node.subkeys.size(); ++i) {
        copyTree(*node.subkeys[i], out.subkeys[i]);
    }
}

} // namespace

SimRegistry::SimRegistry()
    : m_pMachine(std::make_shared<Node>()), m_pUser(std::make_shared<Node>()), m_nextHandle(kFirstHandle) {
    m_pMachine->hive = platform::kHkeyLocalMachine;
    m_pUser->hive = platform::kHkeyCurrentUser;
}

SimRegistry::~SimRegistry() = default;

std::shared_ptr<SimRegistry::Node> SimRegistry::rootOf(RegKey hive) const {
    if (hive == platform::kHkeyLocalMachine) {
        return m_pMachine;
    }
    if (hive == platform::kHkeyCurrentUser) {
        return m_pUser;
    }
    return nullptr;
}

ErrorCode SimRegistry::resolveHandle(RegKey key, Handle& handle) const {
    if (auto root = rootOf(key)) {
        handle = Handle{root, RegAccess::All};
        return error::kSuccess;
    }
    const auto it = m_handles.find(key);
    if (it == m_handles.end()) {
        return error::kInvalidHandle;
    }
    if (it->second.node->deleted) {
        return error::kKeyDeleted;
    }
    handle = it->second;
    return error::kSuccess;
}

std::optional<ErrorCode> SimRegistry::injectedFailure(const Node& parent,
                                                      const std::vector<std::wstring_view>& names) const {
    if (m_failures.empty()) {
        return std::nullopt;
    }
    std::wstring path = parent.path;
    for (const auto name : names) {
        if (!path.empty()) {
            path.push_back(kSeparator);
        }
        path.append(name);
    }
    for (const auto& failure : m_failures) {
        if (failure.hive == parent.hive && text::equalsNoCase(failure.path, path)) {
            return failure.code;
        }
    }
    return std::nullopt;
}

SimRegistry::Node* SimRegistry::findNode(RegKey hive, std::wstring_view path) const {
    Node* node = rootOf(hive).get();
    std::vector<std::wstring_view> names;
    if (node == nullptr || splitPath(path, names) != error::kSuccess) {
        return nullptr;
    }
    for (const auto name : names) {
        const auto it = findChild(*node, name);
        if (it == node->subkeys.end()) {
            return nullptr;
        }
        node = it->get();
    }
    return node;
}

RegKey SimRegistry::addHandle(std::shared_ptr<Node> node, RegAccess access) {
    const RegKey key = m_nextHandle;
    m_nextHandle += kHandleStep;
    m_handles.emplace(key, Handle{std::move(node), access});
    return key;
}

// --- The port -------------------------------------------------------------------------------

ErrorCode SimRegistry::openKey(RegKey parent, const wchar_t* subKey, RegAccess access, RegKey& key) {
    std::lock_guard lock(m_mutex);
    Handle handle;
    if (const ErrorCode rc = resolveHandle(parent, handle); rc != error::kSuccess) {
        return rc;
    }
    std::vector<std::wstring_view> names;
    if (splitPath(viewOf(subKey), names) != error::kSuccess ||
        handle.node->depth + names.size() > kMaxKeyDepth) {
        return error::kInvalidParameter;
    }
    if (const auto failure = injectedFailure(*handle.node, names)) {
        return *failure;
    }
    std::shared_ptr<Node> node = handle.node;
    for (const auto name : names) {
        const auto it = findChild(*node, name);
        if (it == node->subkeys.end()) {
            return error::kFileNotFound;
        }
        node = *it;
    }
    key = addHandle(std::move(node), access);
    return error::kSuccess;
}

ErrorCode SimRegistry::createKey(RegKey parent, const wchar_t* subKey, RegAccess access, RegKey& key,
                                 bool* created) {
    std::lock_guard lock(m_mutex);
    Handle handle;
    if (const ErrorCode rc = resolveHandle(parent, handle); rc != error::kSuccess) {
        return rc;
    }
    // Creating a subkey is checked against the parent key's security, which the simulated
    // registry does not model, not against the handle's access: a read handle may create.
    std::vector<std::wstring_view> names;
    // RegCreateKeyExW takes no null subkey (openKey does: it opens the key itself).
    if (subKey == nullptr || splitPath(viewOf(subKey), names) != error::kSuccess ||
        handle.node->depth + names.size() > kMaxKeyDepth) {
        return error::kInvalidParameter;
    }
    if (const auto failure = injectedFailure(*handle.node, names)) {
        return *failure;
    }
    std::shared_ptr<Node> node = handle.node;
    bool wasCreated = false;
    for (const auto name : names) {
        auto it = findChild(*node, name);
        if (it == node->subkeys.end()) {
            it = addChild(*node, name);
            wasCreated = true;
        }
        node = *it;
    }
    key = addHandle(std::move(node), access);
    if (created != nullptr) {
        *created = wasCreated;
    }
    return error::kSuccess;
}

ErrorCode SimRegistry::queryValue(RegKey key, const wchar_t* name, std::uint32_t* type, std::uint8_t* data,
                                  std::uint32_t* dataSize) {
    std::lock_guard lock(m_mutex);
    Handle handle;
    if (const ErrorCode rc = resolveHandle(key, handle); rc != error::kSuccess) {
        return rc;
    }
    if (!canRead(handle.access)) {
        return error::kAccessDenied;
    }
    const std::wstring_view valueName = viewOf(name);
    if (!validValueName(valueName) || (data != nullptr && dataSize == nullptr)) {
        return error::kInvalidParameter;
    }
    const auto it = findValue(*handle.node, valueName);
    if (it == handle.node->values.end()) {
        return error::kFileNotFound;
    }
    const auto& bytes = it->value.bytes;
    const auto size = static_cast<std::uint32_t>(bytes.size());
    if (data != nullptr) {
        if (*dataSize < size) {
            *dataSize = size;
            return error::kMoreData;
        }
        std::copy(bytes.begin(), bytes.end(), data);
    }
    if (dataSize != nullptr) {
        *dataSize = size;
    }
    if (type != nullptr) {
        *type = it->value.type;
    }
    return error::kSuccess;
}

ErrorCode SimRegistry::setValue(RegKey key, const wchar_t* name, std::uint32_t type, const std::uint8_t* data,
                                std::uint32_t dataSize) {
    std::lock_guard lock(m_mutex);
    Handle handle;
    if (const ErrorCode rc = resolveHandle(key, handle); rc != error::kSuccess) {
        return rc;
    }
    if (!canWrite(handle.access)) {
        return error::kAccessDenied;
    }
    const std::wstring_view valueName = viewOf(name);
    if (!validValueName(valueName) || dataSize > kMaxValueBytes || (data == nullptr && dataSize != 0)) {
        return error::kInvalidParameter;
    }
    RegValue value{type, data != nullptr ? std::vector<std::uint8_t>(data, data + dataSize)
                                         : std::vector<std::uint8_t>()};
    auto& values = handle.node->values;
    if (const auto it = findValue(*handle.node, valueName); it != values.end()) {
        it->value = std::move(value);
    } else {
        values.push_back(RegNamedValue{std::wstring(valueName), std::move(value)});
    }
    return error::kSuccess;
}

ErrorCode SimRegistry::enumKey(RegKey key, std::uint32_t index, wchar_t* name, std::uint32_t* nameChars) {
    std::lock_guard lock(m_mutex);
    Handle handle;
    if (const ErrorCode rc = resolveHandle(key, handle); rc != error::kSuccess) {
        return rc;
    }
    if (!canRead(handle.access)) {
        return error::kAccessDenied;
    }
    if (name == nullptr || nameChars == nullptr) {
        return error::kInvalidParameter;
    }
    const auto& subkeys = handle.node->subkeys;
    if (index >= subkeys.size()) {
        return error::kNoMoreItems;
    }
    const std::wstring& found = subkeys[index]->name;
    if (static_cast<std::size_t>(*nameChars) <= found.size()) {
        return error::kMoreData;
    }
    std::copy(found.begin(), found.end(), name);
    name[found.size()] = L'\0';
    *nameChars = static_cast<std::uint32_t>(found.size());
    return error::kSuccess;
}

ErrorCode SimRegistry::enumValue(RegKey key, std::uint32_t index, wchar_t* name, std::uint32_t* nameChars,
                                 std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) {
    std::lock_guard lock(m_mutex);
    Handle handle;
    if (const ErrorCode rc = resolveHandle(key, handle); rc != error::kSuccess) {
        return rc;
    }
    if (!canRead(handle.access)) {
        return error::kAccessDenied;
    }
    if (name == nullptr || nameChars == nullptr || (data != nullptr && dataSize == nullptr)) {
        return error::kInvalidParameter;
    }
    const auto& values = handle.node->values;
    if (index >= values.size()) {
        return error::kNoMoreItems;
    }
    const RegNamedValue& found = values[index];
    const auto size = static_cast<std::uint32_t>(found.value.bytes.size());
    const bool nameFits = static_cast<std::size_t>(*nameChars) > found.name.size();
    const bool dataFits = data == nullptr || *dataSize >= size;
    if (!nameFits || !dataFits) {
        if (dataSize != nullptr) {
            *dataSize = size;
        }
        return error::kMoreData;
    }
    std::copy(found.name.begin(), found.name.end(), name);
    name[found.name.size()] = L'\0';
    *nameChars = static_cast<std::uint32_t>(found.name.size());
    if (data != nullptr) {
        std::copy(found.value.bytes.begin(), found.value.bytes.end(), data);
    }
    if (dataSize != nullptr) {
        *dataSize = size;
    }
    if (type != nullptr) {
        *type = found.value.type;
    }
    return error::kSuccess;
}

ErrorCode SimRegistry::closeKey(RegKey key) {
    std::lock_guard lock(m_mutex);
    if (rootOf(key) != nullptr) {
        return error::kSuccess;
    }
    return m_handles.erase(key) == 1 ? error::kSuccess : error::kInvalidHandle;
}

// --- Direct access --------------------------------------------------------------------------

ErrorCode SimRegistry::validateEdit(const RegEdit& edit) const {
    if (rootOf(edit.hive) == nullptr) {
        return error::kInvalidHandle;
    }
    std::vector<std::wstring_view> names;
    if (splitPath(edit.path, names) != error::kSuccess) {
        return error::kInvalidParameter;
    }
    switch (edit.kind) {
    case RegEdit::Kind::CreateKey:
        return error::kSuccess;
    case RegEdit::Kind::DeleteKey:
        return names.empty() ? error::kAccessDenied : error::kSuccess;
    case RegEdit::Kind::SetValue:
        return validValueName(edit.name) && edit.value.bytes.size() <= kMaxValueBytes
                   ? error::kSuccess
                   : error::kInvalidParameter;
    case RegEdit::Kind::DeleteValue:
        return validValueName(edit.name) ? error::kSuccess : error::kInvalidParameter;
    }
    return error::kInvalidParameter;
}

// Applies a validated edit.
void SimRegistry::applyEdit(const RegEdit& edit) {
    std::vector<std::wstring_view> names;
    splitPath(edit.path, names);
    Node* node = rootOf(edit.hive).get();
    const bool creates = edit.kind == RegEdit::Kind::CreateKey || edit.kind == RegEdit::Kind::SetValue;
    Node* parent = nullptr;
    decltype(node->subkeys.begin()) position;
    for (const auto name : names) {
        auto it = findChild(*node, name);
        if (it == node->subkeys.end()) {
            if (!creates) {
                return; // deleting something that is not there
            }
            it = addChild(*node, name);
        }
        parent = node;
        position = it;
        node = it->get();
    }
    switch (edit.kind) {
    case RegEdit::Kind::CreateKey:
        break;
    case RegEdit::Kind::DeleteKey:
        markDeleted(*node);
        parent->subkeys.erase(position);
        break;
    case RegEdit::Kind::SetValue:
        if (const auto it = findValue(*node, edit.name); it != node->values.end()) {
            it->value = edit.value;
        } else {
            node->values.push_back(RegNamedValue{edit.name, edit.value});
        }
        break;
    case RegEdit::Kind::DeleteValue:
        if (const auto it = findValue(*node, edit.name); it != node->values.end()) {
            node->values.erase(it);
        }
        break;
    }
}

ErrorCode SimRegistry::applyEdits(const std::vector<RegEdit>& edits, std::size_t* failedIndex) {
    std::lock_guard lock(m_mutex);
    for (std::size_t i = 0; i < edits.size(); ++i) {
        if (const ErrorCode rc = validateEdit(edits[i]); rc != error::kSuccess) {
            if (failedIndex != nullptr) {
                *failedIndex = i;
            }
            return rc;
        }
    }
    for (const auto& edit : edits) {
        applyEdit(edit);
    }
    return error::kSuccess;
}

ErrorCode SimRegistry::setValue(RegKey hive, std::wstring_view path, std::wstring_view name,
                                std::uint32_t type, const std::vector<std::uint8_t>& bytes) {
    return applyEdits({RegEdit{RegEdit::Kind::SetValue, hive, std::wstring(path), std::wstring(name),
                               RegValue{type, bytes}}});
}

ErrorCode SimRegistry::setDword(RegKey hive, std::wstring_view path, std::wstring_view name,
                                std::uint32_t value) {
    const std::vector<std::uint8_t> bytes{
        static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>((value >> 8) & 0xFF),
        static_cast<std::uint8_t>((value >> 16) & 0xFF), static_cast<std::uint8_t>((value >> 24) & 0xFF)};
    return setValue(hive, path, name, platform::regtype::kDword, bytes);
}

ErrorCode SimRegistry::setString(RegKey hive, std::wstring_view path, std::wstring_view name,
                                 std::wstring_view value) {
    return setValue(hive, path, name, platform::regtype::kSz, text::toUtf16Le(value));
}

ErrorCode SimRegistry::setBinary(RegKey hive, std::wstring_view path, std::wstring_view name,
                                 const std::vector<std::uint8_t>& bytes) {
    return setValue(hive, path, name, platform::regtype::kBinary, bytes);
}

ErrorCode SimRegistry::ensureKey(RegKey hive, std::wstring_view path) {
    return applyEdits({RegEdit{RegEdit::Kind::CreateKey, hive, std::wstring(path), {}, {}}});
}

std::optional<RegValue> SimRegistry::getValue(RegKey hive, std::wstring_view path,
                                              std::wstring_view name) const {
    std::lock_guard lock(m_mutex);
    const Node* node = findNode(hive, path);
    if (node == nullptr) {
        return std::nullopt;
    }
    const auto it = findValue(*node, name);
    if (it == node->values.end()) {
        return std::nullopt;
    }
    return it->value;
}

ErrorCode SimRegistry::deleteValue(RegKey hive, std::wstring_view path, std::wstring_view name) {
    std::lock_guard lock(m_mutex);
    if (rootOf(hive) == nullptr) {
        return error::kInvalidHandle;
    }
    Node* node = findNode(hive, path);
    if (node == nullptr) {
        return error::kFileNotFound;
    }
    const auto it = findValue(*node, name);
    if (it == node->values.end()) {
        return error::kFileNotFound;
    }
    node->values.erase(it);
    return error::kSuccess;
}

ErrorCode SimRegistry::deleteKey(RegKey hive, std::wstring_view path) {
    const RegEdit edit{RegEdit::Kind::DeleteKey, hive, std::wstring(path), {}, {}};
    std::lock_guard lock(m_mutex);
    if (const ErrorCode rc = validateEdit(edit); rc != error::kSuccess) {
        return rc;
    }
    if (findNode(hive, path) == nullptr) {
        return error::kFileNotFound;
    }
    applyEdit(edit);
    return error::kSuccess;
}

bool SimRegistry::keyExists(RegKey hive, std::wstring_view path) const {
    std::lock_guard lock(m_mutex);
    return findNode(hive, path) != nullptr;
}

std::vector<std::wstring> SimRegistry::subkeyNames(RegKey hive, std::wstring_view path) const {
    std::lock_guard lock(m_mutex);
    std::vector<std::wstring> names;
    if (const Node* node = findNode(hive, path)) {
        for (const auto& child : node->subkeys) {
            names.push_back(child->name);
        }
    }
    return names;
}

std::vector<std::wstring> SimRegistry::valueNames(RegKey hive, std::wstring_view path) const {
    std::lock_guard lock(m_mutex);
    std::vector<std::wstring> names;
    if (const Node* node = findNode(hive, path)) {
        for (const auto& value : node->values) {
            names.push_back(value.name);
        }
    }
    return names;
}

std::optional<RegKeySnapshot> SimRegistry::snapshot(RegKey hive, std::wstring_view path) const {
    std::lock_guard lock(m_mutex);
    const Node* node = findNode(hive, path);
    if (node == nullptr) {
        return std::nullopt;
    }
    RegKeySnapshot copy;
    copyTree(*node, copy);
    return copy;
}

std::size_t SimRegistry::openHandleCount() const {
    std::lock_guard lock(m_mutex);
    return m_handles.size();
}

void SimRegistry::failOpen(RegKey hive, std::wstring_view path, ErrorCode code) {
    std::lock_guard lock(m_mutex);
    std::vector<std::wstring_view> names;
    std::wstring normalized; // without a trailing separator, as injectedFailure builds paths
    if (splitPath(path, names) == error::kSuccess) {
        for (const auto name : names) {
            if (!normalized.empty()) {
                normalized.push_back(kSeparator);
            }
            normalized.append(name);
        }
    } else {
        normalized = path;
    }
    m_failures.push_back(Failure{hive, std::move(normalized), code});
}

void SimRegistry::clearFailures() {
    std::lock_guard lock(m_mutex);
    m_failures.clear();
}

} // namespace sim
