// Registry port over RegOpenKeyExW, RegCreateKeyExW, RegQueryValueExW, RegSetValueExW,
// RegEnumKeyExW, RegEnumValueW and RegCloseKey.
// Win32 only.
//
// Windows leaves a caller's buffer undefined when a read fails half-way (ERROR_MORE_DATA), and
// the port promises untouched out-parameters on failure. So every read goes into buffers owned
// here, sized from the value itself rather than from the capacity the caller claims, and the
// caller's buffers are written only once the whole answer is known to fit.
#include "platform/win32/Win32Registry.h"

#include "platform/win32/Win32Handles.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform::win32 {

namespace {

constexpr DWORD kMaxKeyNameChars = 255;     // registry limit for a key name
constexpr DWORD kMaxValueNameChars = 16383; // registry limit for a value name
constexpr int kReadAttempts = 4;            // a value may grow between the size query and the read

REGSAM toSam(RegAccess access) {
    switch (access) {
    case RegAccess::Read:
        return KEY_READ;
    case RegAccess::Write:
        return KEY_WRITE;
    case RegAccess::All:
        return KEY_ALL_ACCESS;
    }
    return KEY_READ;
}

ErrorCode toError(LSTATUS status) {
    return static_cast<ErrorCode>(status);
}

// A value's type and whole data.
struct ValueRead {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

LSTATUS readValue(HKEY key, const wchar_t* name, ValueRead& out) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        DWORD size = 0;
        LSTATUS status = RegQueryValueExW(key, name, nullptr, &out.type, nullptr, &size);
        if (status != ERROR_SUCCESS) {
            return status;
        }
        out.bytes.assign(std::max<DWORD>(size, 1), 0); // never hand a null buffer to the read
        DWORD read = size;
        status = RegQueryValueExW(key, name, nullptr, &out.type, out.bytes.data(), &read);
        if (status == ERROR_SUCCESS) {
            out.bytes.resize(read);
            return ERROR_SUCCESS;
        }
        if (status != ERROR_MORE_DATA) {
            return status;
        }
    }
    return ERROR_MORE_DATA;
}

// One enumerated value: its name, type and (when `withData`) its data; `size` is the data size.
struct EnumRead {
    std::vector<wchar_t> name = std::vector<wchar_t>(kMaxValueNameChars + 1, L'\0');
    DWORD nameChars = 0;
    DWORD type = REG_NONE;
    DWORD size = 0;
    std::vector<BYTE> bytes;
};

LSTATUS enumValueAt(HKEY key, DWORD index, bool withData, EnumRead& out) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        out.nameChars = static_cast<DWORD>(out.name.size());
        LSTATUS status = RegEnumValueW(key, index, out.name.data(), &out.nameChars, nullptr, &out.type,
                                       nullptr, &out.size);
        if (status != ERROR_SUCCESS || !withData) {
            return status;
        }
        out.bytes.assign(std::max<DWORD>(out.size, 1), 0);
        DWORD read = out.size;
        out.nameChars = static_cast<DWORD>(out.name.size());
        status = RegEnumValueW(key, index, out.name.data(), &out.nameChars, nullptr, &out.type,
                               out.bytes.data(), &read);
        if (status == ERROR_SUCCESS) {
            out.size = read;
            out.bytes.resize(read);
            return ERROR_SUCCESS;
        }
        if (status != ERROR_MORE_DATA) {
            return status;
        }
    }
    return ERROR_MORE_DATA;
}

} // namespace

ErrorCode Win32Registry::openKey(RegKey parent, const wchar_t* subKey, RegAccess access, RegKey& key) {
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyExW(toHkey(parent), subKey, 0, toSam(access), &opened);
    if (status == ERROR_SUCCESS) {
        key = fromHkey(opened);
    }
    return toError(status);
}

ErrorCode Win32Registry::createKey(RegKey parent, const wchar_t* subKey, RegAccess access, RegKey& key,
                                   bool* created) {
    if (subKey == nullptr) {
        return error::kInvalidParameter;
    }
    HKEY opened = nullptr;
    DWORD disposition = 0;
    const LSTATUS status = RegCreateKeyExW(toHkey(parent), subKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           toSam(access), nullptr, &opened, &disposition);
    if (status == ERROR_SUCCESS) {
        key = fromHkey(opened);
        if (created != nullptr) {
            *created = disposition == REG_CREATED_NEW_KEY;
        }
    }
    return toError(status);
}

ErrorCode Win32Registry::queryValue(RegKey key, const wchar_t* name, std::uint32_t* type, std::uint8_t* data,
                                    std::uint32_t* dataSize) {
    if (data != nullptr && dataSize == nullptr) {
        return error::kInvalidParameter;
    }
    ValueRead value;
    const LSTATUS status = readValue(toHkey(key), name, value);
    if (status != ERROR_SUCCESS) {
        return toError(status);
    }
    const auto size = static_cast<std::uint32_t>(value.bytes.size());
    if (data != nullptr) {
        if (*dataSize < size) {
            *dataSize = size;
            return error::kMoreData;
        }
        std::copy(value.bytes.begin(), value.bytes.end(), data);
    }
    if (dataSize != nullptr) {
        *dataSize = size;
    }
    if (type != nullptr) {
        *type = value.type;
    }
    return error::kSuccess;
}

ErrorCode Win32Registry::setValue(RegKey key, const wchar_t* name, std::uint32_t type,
                                  const std::uint8_t* data, std::uint32_t dataSize) {
    if (data == nullptr && dataSize != 0) {
        return error::kInvalidParameter;
    }
    return toError(RegSetValueExW(toHkey(key), name, 0, type, data, dataSize));
}

ErrorCode Win32Registry::enumKey(RegKey key, std::uint32_t index, wchar_t* name, std::uint32_t* nameChars) {
    if (name == nullptr || nameChars == nullptr) {
        return error::kInvalidParameter;
    }
    wchar_t found[kMaxKeyNameChars + 1] = {};
    DWORD foundChars = kMaxKeyNameChars + 1;
    const LSTATUS status =
        RegEnumKeyExW(toHkey(key), index, found, &foundChars, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) {
        return toError(status);
    }
    if (*nameChars <= foundChars) {
        return error::kMoreData; // no room for the name and its terminator
    }
    std::memcpy(name, found, (foundChars + 1) * sizeof(wchar_t));
    *nameChars = foundChars;
    return error::kSuccess;
}

ErrorCode Win32Registry::enumValue(RegKey key, std::uint32_t index, wchar_t* name, std::uint32_t* nameChars,
                                   std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) {
    if (name == nullptr || nameChars == nullptr || (data != nullptr && dataSize == nullptr)) {
        return error::kInvalidParameter;
    }
    EnumRead value;
    const LSTATUS status = enumValueAt(toHkey(key), index, data != nullptr, value);
    if (status != ERROR_SUCCESS) {
        return toError(status);
    }
    const bool nameFits = *nameChars > value.nameChars;
    const bool dataFits = data == nullptr || *dataSize >= value.size;
    if (!nameFits || !dataFits) {
        if (dataSize != nullptr) {
            *dataSize = value.size; // as for queryValue: the size needed
        }
        return error::kMoreData;
    }
    std::memcpy(name, value.name.data(), value.nameChars * sizeof(wchar_t));
    name[value.nameChars] = L'\0';
    *nameChars = value.nameChars;
    if (data != nullptr) {
        std::copy(value.bytes.begin(), value.bytes.end(), data);
    }
    if (dataSize != nullptr) {
        *dataSize = value.size;
    }
    if (type != nullptr) {
        *type = value.type;
    }
    return error::kSuccess;
}

ErrorCode Win32Registry::closeKey(RegKey key) {
    return toError(RegCloseKey(toHkey(key)));
}

} // namespace platform::win32
