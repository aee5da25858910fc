// The command settings store. Portable.
#include "controller/CmdSetting.h"

#include "common/Text.h"
#include "common/Trace.h"
#include "controller/CmdContext.h"

#include <algorithm>

namespace {

using platform::RegAccess;
using platform::RegKey;
namespace error = platform::error;

// Orders two version texts the way the Windows locale comparison (lstrcmpW) orders ASCII
// text: symbols before digits before letters, letters without regard to case first and, when
// the texts differ only in case, the first lower-case letter sorts before its capital.
int compareVersions(const std::wstring& a, const std::wstring& b) {
    auto weight = [](wchar_t c) -> std::uint32_t {
        const auto u = static_cast<std::uint32_t>(c);
        if (u >= L'0' && u <= L'9') {
            return 0x100 + u;
        }
        if ((u >= L'A' && u <= L'Z') || (u >= L'a' && u <= L'z')) {
            return 0x200 + static_cast<std::uint32_t>(text::toUpperAscii(c));
        }
        if (u < 0x80) {
            return u;
        }
        return 0x10000 + u;
    };
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const std::uint32_t wa = weight(a[i]);
        const std::uint32_t wb = weight(b[i]);
        if (wa != wb) {
            return wa < wb ? -1 : 1;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    for (std::size_t i = 0; i < common; ++i) {
        if (a[i] != b[i]) {
            return a[i] > b[i] ? -1 : 1; // 'a' (0x61) sorts before 'A' (0x41)
        }
    }
    return 0;
}

// Reads "CurrentVersion" (at most kVersionBytes) as text. A value that cannot be read (longer
// than its buffer, say) leaves the version empty; the registry's answer tells it from a missing
// value.
platform::ErrorCode readVersion(platform::Registry& registry, RegKey key, std::wstring& version) {
    std::uint8_t data[CmdSetting::kVersionBytes] = {};
    std::uint32_t size = sizeof data;
    const platform::ErrorCode rc = registry.queryValue(key, CmdSetting::kVersionValue, nullptr, data, &size);
    version = rc == error::kSuccess ? text::fromUtf16Le(data, std::min<std::size_t>(size, sizeof data)) : L"";
    return rc;
}

// Whether an enumerated name holds a NUL before its end.
bool hasNul(const wchar_t* name, std::uint32_t chars) {
    return std::find(name, name + chars, L'\0') != name + chars;
}

} // namespace

CmdSetting::CmdSetting(platform::Registry& registry) : m_registry(registry), m_hKey(registry) {}

CmdSetting::~CmdSetting() = default;

std::int32_t CmdSetting::open() {
    TRACE_SCOPE(TraceModule::Sentrixd, "CmdSetting::open");
    const platform::ErrorCode opened =
        m_registry.openKey(platform::kHkeyCurrentUser, kProductKey, RegAccess::Read, m_hKey.out());
    if (opened == error::kFileNotFound) {
        const std::int32_t rc = createUserSetting();
        if (rc != kSuccess) {
            m_hKey.reset();
        }
        return rc;
    }
    if (opened != error::kSuccess) {
        TRACE_ERROR(L"ERROR RegOpenKeyEx()");
        return kErrorOpenKey;
    }

    platform::ScopedRegKey hMachine(m_registry);
    if (m_registry.openKey(platform::kHkeyLocalMachine, kProductKey, RegAccess::Read, hMachine.out()) !=
        error::kSuccess) {
        TRACE_ERROR(L"ERROR RegOpenKeyEx()");
        m_hKey.reset();
        return kErrorOpenKey;
    }
    std::wstring userVersion;
    std::wstring machineVersion;
    readVersion(m_registry, m_hKey, userVersion);
    // Only a machine-wide key without any version refreshes the copy at every start; a version
    // that is there but cannot be read counts as the empty text, so the user's copy and the
    // changes made to it are kept.
    const bool machineHasVersion = readVersion(m_registry, hMachine, machineVersion) != error::kFileNotFound;
    hMachine.reset();

    if (compareVersions(userVersion, machineVersion) < 0 || !machineHasVersion) {
        const std::int32_t rc = createUserSetting();
        if (rc != kSuccess) {
            TRACE_ERROR(L"ERROR createUserSetting():0x%08x", static_cast<unsigned>(rc));
            m_hKey.reset();
            return rc;
        }
    }
    return kSuccess;
}

std::int32_t CmdSetting::load(CmdInfoList& list) {
    TRACE_SCOPE(TraceModule::Sentrixd, "CmdSetting::load");
    if (m_hKey == 0) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return kErrorOpenKey;
    }
    platform::ScopedRegKey hSetting(m_registry);
    if (m_registry.openKey(m_hKey, kSettingKey, RegAccess::Read, hSetting.out()) != error::kSuccess) {
        TRACE_ERROR(L"ERROR RegOpenKeyEx()");
        return kErrorOpenKey;
    }
    const std::int32_t rc = loadEntries(list, hSetting);
    if (rc != kSuccess) {
        TRACE_ERROR(L"ERROR loadEntries():0x%08x", static_cast<unsigned>(rc));
        return rc;
    }
    return kSuccess;
}

void CmdSetting::close() {
    TRACE_SCOPE(TraceModule::Sentrixd, "CmdSetting::close");
    m_hKey.reset();
}

void CmdSetting::unload(CmdInfoList& list) {
    TRACE_SCOPE(TraceModule::Sentrixd, "CmdSetting::unload");
    for (std::unique_ptr<CmdInfo>& info : list) {
        info.reset();
    }
    list.clear();
}

std::int32_t CmdSetting::createUserSetting() {
    TRACE_SCOPE(TraceModule::Sentrixd, "CmdSetting::createUserSetting");
    platform::ScopedRegKey hMachine(m_registry);
    if (m_registry.openKey(platform::kHkeyLocalMachine, kProductKey, RegAccess::Read, hMachine.out()) !=
        error::kSuccess) {
        TRACE_ERROR(L"ERROR RegOpenKeyEx()");
        return kErrorOpenKey;
    }
    // The key may be open for reading from open(); it is reopened with full access.
    if (m_registry.createKey(platform::kHkeyCurrentUser, kProductKey, RegAccess::All, m_hKey.out(),
                             nullptr) != error::kSuccess) {
        TRACE_ERROR(L"ERROR RegCreateKeyEx()");
        return kErrorCreateKey;
    }
    const std::int32_t rc = copySubkey(m_hKey, hMachine, kProductKey);
    return rc;
}

std::int32_t CmdSetting::copySubkey(RegKey hDestKey, RegKey hSrcKey, const std::wstring& path) {
    TRACE_SCOPE(TraceModule::Sentrixd, "CmdSetting::copySubkey");
    const std::int32_t copied = copyEntries(hDestKey, hSrcKey);
    if (copied != kSuccess) {
        TRACE_ERROR(L"ERROR copyEntries():%d", copied);
        return copied;
    }
    for (std::uint32_t index = 0;; ++index) {
        wchar_t name[kNameChars] = {};
        std::uint32_t nameChars = kNameChars;
        const platform::ErrorCode enumerated = m_registry.enumKey(hSrcKey, index, name, &nameChars);
        if (enumerated == error::kNoMoreItems) {
            return kSuccess;
        }
        if (enumerated == error::kMoreData) {
            // A name beyond the store's limit: that subkey is left out, the others are copied.
            TRACE_ERROR(L"ERROR RegEnumKeyEx()");
            continue;
        }
        if (enumerated != error::kSuccess || nameChars >= kNameChars) {
            TRACE_ERROR(L"ERROR RegEnumKeyEx()");
            return kErrorOpenKey;
        }
        if (hasNul(name, nameChars)) {
            // Made with the system's native calls; by name it would open another key (an empty
            // first part opens this key again, copying it into itself without end).
            TRACE_ERROR(L"ERROR RegEnumKeyEx()");
            continue;
        }
        // Both children are opened by their full path from the hive roots.
        const std::wstring child = path + L"\\" + std::wstring(name, nameChars);
        platform::ScopedRegKey hSrcChild(m_registry);
        if (m_registry.openKey(platform::kHkeyLocalMachine, child.c_str(), RegAccess::Read,
                               hSrcChild.out()) != error::kSuccess) {
            TRACE_ERROR(L"ERROR RegOpenKeyEx()");
            return kErrorOpenKey;
        }
        platform::ScopedRegKey hDestChild(m_registry);
        if (m_registry.createKey(platform::kHkeyCurrentUser, child.c_str(), RegAccess::All, hDestChild.out(),
                                 nullptr) != error::kSuccess) {
            TRACE_ERROR(L"ERROR RegCreateKeyEx()");
            return kErrorCreateKey;
        }
        const std::int32_t rc = copySubkey(hDestChild, hSrcChild, child);
        if (rc != kSuccess) {
            TRACE_ERROR(L"ERROR copySubkey()");
            return rc;
        }
    }
}

std::int32_t CmdSetting::copyEntries(RegKey hDestKey, RegKey hSrcKey) {
    TRACE_SCOPE(TraceModule::Sentrixd, "CmdSetting::copyEntries");
    for (std::uint32_t index = 0;; ++index) {
        // The buffer sizes are in-out: they are reset for every value.
        wchar_t name[kNameChars] = {};
        std::uint32_t nameChars = kNameChars;
        std::uint32_t type = platform::regtype::kNone;
        std::uint8_t data[kDataBytes] = {};
        std::uint32_t dataSize = kDataBytes;
        const platform::ErrorCode enumerated =
            m_registry.enumValue(hSrcKey, index, name, &nameChars, &type, data, &dataSize);
        if (enumerated == error::kNoMoreItems) {
            return kSuccess;
        }
        if (enumerated == error::kMoreData) {
            // A name or datum beyond the store's limits: that value is left out, the others
            // are copied.
            TRACE_ERROR(L"ERROR RegEnumValue()");
            continue;
        }
        if (enumerated != error::kSuccess || nameChars >= kNameChars || dataSize > kDataBytes) {
            TRACE_ERROR(L"ERROR RegEnumValue()");
            return kErrorOpenKey;
        }
        if (hasNul(name, nameChars)) {
            // Stored by name it would overwrite another value: left out.
            TRACE_ERROR(L"ERROR RegEnumValue()");
            continue;
        }
        const std::wstring valueName(name, nameChars);
        if (m_registry.setValue(hDestKey, valueName.c_str(), type, data, dataSize) != error::kSuccess) {
            TRACE_ERROR(L"ERROR RegSetValueEx()");
            return kErrorSetValue;
        }
    }
}

std::int32_t CmdSetting::loadEntries(CmdInfoList& list, RegKey hSettingKey) {
    TRACE_SCOPE(TraceModule::Sentrixd, "CmdSetting::loadEntries");
    CmdContext context;
    for (std::uint32_t index = 0;; ++index) {
        wchar_t name[kNameChars] = {};
        std::uint32_t nameChars = kNameChars;
        std::uint8_t data[kDataBytes] = {};
        std::uint32_t dataSize = kDataBytes;
        const platform::ErrorCode enumerated =
            m_registry.enumValue(hSettingKey, index, name, &nameChars, nullptr, data, &dataSize);
        if (enumerated == error::kNoMoreItems) {
            return kSuccess;
        }
        if (enumerated == error::kMoreData) {
            // One value beyond the store's limits loses only its own rules.
            TRACE_ERROR(L"ERROR RegEnumValue()");
            continue;
        }
        if (enumerated != error::kSuccess || dataSize > kDataBytes) {
            TRACE_ERROR(L"ERROR RegEnumValue()");
            return kErrorOpenKey;
        }
        // Whatever its type, the datum is taken as UTF-16 text up to its terminator or its
        // size, whichever comes first.
        context.setText(text::fromUtf16Le(data, dataSize));
        context.getCmdInfo(list);
    }
}
