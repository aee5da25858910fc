// The trace log. Portable.
#include "common/TraceLog.h"
#include "common/Bytes.h"

#include "common/Text.h"

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kTraceKey = L"SOFTWARE\\KORVATH\\Sentrixd\\TRACELOG";
constexpr const wchar_t* kTracePathValue = L"TraceLogFilePath";

struct ModuleRow {
    TraceModule id;
    const wchar_t* name;
};
constexpr ModuleRow kModuleTable[] = {
    {TraceModule::Sentrixd, L"Sentrixd"}, {TraceModule::Sentrixset, L"Sentrixset"},
    {TraceModule::Tonemux, L"Tonemux"},   {TraceModule::Outswap, L"Outswap"},
    {TraceModule::Tvbridge, L"Tvbridge"}, {TraceModule::HdmiHook, L"HdmiHook"},
};

// Buffer limits of the path split and join, in characters with the terminator.
constexpr std::size_t kDriveChars = 3;
constexpr std::size_t kPartChars = 256;

TracePorts g_ports;
std::atomic<TraceLog*> g_instance{nullptr};

// Destroys the instance at process exit; a statement made after that creates a new one.
struct Owner {
    std::unique_ptr<TraceLog> log;
    ~Owner() {
        g_instance.store(nullptr, std::memory_order_release);
        log.reset();
    }
};
Owner g_owner;
std::mutex g_createLock;
std::atomic<std::uint32_t> g_programModule{static_cast<std::uint32_t>(TraceModule::Sentrixd)};

// Statements opened by traceFormat on this thread and not yet closed by a writer; a writer
// without its traceFormat then cannot release a lock it does not hold.
thread_local int t_openStatements = 0;

std::uint32_t readLevel(platform::Registry& registry, const std::wstring& keyPath, const wchar_t* name) {
    platform::ScopedRegKey key(registry);
    if (registry.openKey(platform::kHkeyLocalMachine, keyPath.c_str(), platform::RegAccess::Read,
                         key.out()) != platform::error::kSuccess) {
        return 0;
    }
    std::uint8_t data[4] = {};
    std::uint32_t size = sizeof(data);
    std::uint32_t value = 0;
    if (registry.queryValue(key, name, nullptr, data, &size) == platform::error::kSuccess) {
        value = bytes::le32(data);
    }
    return value;
}

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// Splits a path as the runtime's path split does; false when a part does not fit its buffer.
bool splitPath(const std::wstring& path, std::wstring& drive, std::wstring& dir, std::wstring& name,
               std::wstring& ext) {
    std::size_t pos = 0;
    if (path.size() >= 2 && path[1] == L':') {
        drive = path.substr(0, 2);
        pos = 2;
    }
    std::size_t lastSep = std::wstring::npos;
    for (std::size_t i = pos; i < path.size(); ++i) {
        if (isSeparator(path[i])) {
            lastSep = i;
        }
    }
    if (lastSep != std::wstring::npos) {
        dir = path.substr(pos, lastSep + 1 - pos);
        pos = lastSep + 1;
    }
    const std::wstring rest = path.substr(pos);
    const std::size_t dot = rest.rfind(L'.');
    name = dot == std::wstring::npos ? rest : rest.substr(0, dot);
    ext = dot == std::wstring::npos ? std::wstring() : rest.substr(dot);
    return drive.size() < kDriveChars && dir.size() < kPartChars && name.size() < kPartChars &&
           ext.size() < kPartChars;
}

std::wstring joinPath(const std::wstring& drive, const std::wstring& dir, const std::wstring& name,
                      const std::wstring& ext) {
    std::wstring out = drive + dir;
    if (!dir.empty() && !isSeparator(dir.back())) {
        out += L'\\';
    }
    out += name;
    if (!ext.empty() && ext.front() != L'.') {
        out += L'.';
    }
    return out + ext;
}

// vswprintf into a growing buffer; a message that cannot be formatted within the limit is
// written as far as it got.
std::wstring formatWide(const wchar_t* format, va_list args) {
    constexpr std::size_t kLimit = 1 << 16;
    std::vector<wchar_t> buffer(512);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        const int n = std::vswprintf(buffer.data(), buffer.size(), format, copy);
        va_end(copy);
        if (n >= 0) {
            return std::wstring(buffer.data(), static_cast<std::size_t>(n));
        }
        if (buffer.size() >= kLimit) {
            buffer.back() = L'\0';
            return std::wstring(buffer.data());
        }
        buffer.assign(buffer.size() * 4, L'\0');
    }
}

} // namespace

TraceLog::TraceLog(const TracePorts& ports) : m_ports(ports) {}

TraceLog* TraceLog::instance() {
    TraceLog* log = g_instance.load(std::memory_order_acquire);
    if (log == nullptr) {
        std::lock_guard<std::mutex> guard(g_createLock);
        log = g_instance.load(std::memory_order_relaxed);
        if (log == nullptr) {
            g_owner.log.reset(new TraceLog(g_ports));
            log = g_owner.log.get();
            g_instance.store(log, std::memory_order_release);
        }
    }
    log->ensureConfigured();
    return log;
}

void TraceLog::ensureConfigured() {
    if (m_configured.load(std::memory_order_acquire)) {
        return;
    }
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!m_configured.load(std::memory_order_relaxed)) {
        m_modules.clear();
        m_logPath.clear();
        m_canWrite.store(false, std::memory_order_relaxed);
        readConfiguration();
        m_configured.store(true, std::memory_order_release);
    }
}

void TraceLog::installPorts(const TracePorts& ports) {
    std::lock_guard<std::mutex> guard(g_createLock);
    g_ports = ports;
    // The instance stays: a statement another thread has open holds its lock and ends on it.
    TraceLog* log = g_instance.load(std::memory_order_acquire);
    if (log != nullptr) {
        std::lock_guard<std::recursive_mutex> statementGuard(log->m_lock);
        log->m_ports = ports;
        log->m_configured.store(false, std::memory_order_release);
    }
}

void TraceLog::setProgramModule(TraceModule module) {
    g_programModule.store(static_cast<std::uint32_t>(module), std::memory_order_relaxed);
}

std::uint32_t TraceLog::programModule() {
    return g_programModule.load(std::memory_order_relaxed);
}

std::wstring TraceLog::logPath() {
    TraceLog* log = instance();
    std::lock_guard<std::recursive_mutex> guard(log->m_lock);
    return log->m_logPath;
}

void TraceLog::readConfiguration() {
    platform::Registry* registry = m_ports.registry;
    if (registry == nullptr) {
        return;
    }
    for (const ModuleRow& row : kModuleTable) {
        const std::wstring keyPath = std::wstring(kTraceKey) + L"\\" + row.name;
        Levels levels;
        levels.module = static_cast<std::uint32_t>(row.id);
        levels.logTrace = readLevel(*registry, keyPath, L"LOG_TRACE");
        levels.logError = readLevel(*registry, keyPath, L"LOG_ERROR");
        levels.logFunc = readLevel(*registry, keyPath, L"LOG_FUNC");
        m_modules.emplace(levels.module, levels); // a repeated identifier keeps its first record
    }

    platform::ScopedRegKey key(*registry);
    if (registry->openKey(platform::kHkeyLocalMachine, kTraceKey, platform::RegAccess::Read, key.out()) !=
        platform::error::kSuccess) {
        return;
    }
    std::uint8_t data[kPathChars * 2] = {};
    std::uint32_t size = sizeof(data);
    std::uint32_t type = 0;
    const bool read =
        registry->queryValue(key, kTracePathValue, &type, data, &size) == platform::error::kSuccess;
    key.reset();
    if (!read || (type != platform::regtype::kSz && type != platform::regtype::kExpandSz)) {
        return;
    }
    const std::wstring configured = text::fromUtf16Le(data, size);
    if (configured.empty() || configured.size() >= kPathChars) {
        return; // empty, or no room for the terminator
    }
    if (m_ports.clock == nullptr) {
        return;
    }

    std::wstring drive, dir, name, ext;
    if (!splitPath(configured, drive, dir, name, ext)) {
        return;
    }
    const platform::SystemTime utc = m_ports.clock->utcTime();
    wchar_t suffix[64];
    std::swprintf(suffix, 64, L"_%d%d%d", utc.year, utc.month, utc.day);
    name += suffix;
    if (name.size() >= kPartChars) {
        return;
    }
    std::wstring path = joinPath(drive, dir, name, ext);
    if (path.size() >= kPathChars) {
        return;
    }
    m_logPath = std::move(path);

    bool anyLevel = false;
    for (const auto& entry : m_modules) {
        anyLevel =
            anyLevel || entry.second.logError != 0 || entry.second.logTrace != 0 || entry.second.logFunc != 0;
    }
    m_canWrite.store(anyLevel && m_ports.files != nullptr && m_ports.threads != nullptr,
                     std::memory_order_relaxed);
}

void TraceLog::traceFormat(const char* format, ...) {
    TraceLog* log = instance();
    if (!log->m_canWrite.load(std::memory_order_relaxed)) {
        return; // nothing can be written: format nothing, lock nothing
    }
    log->m_lock.lock();
    ++t_openStatements;
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(log->m_prefix, kPrefixChars + 1, format, args);
    va_end(args);
    if (n < 0) {
        log->m_prefix[0] = '\0';
    }
}

bool TraceLog::categoryEnabled(std::uint32_t module, std::uint32_t level, Category category) const {
    const auto it = m_modules.find(module);
    if (it == m_modules.end()) {
        return false;
    }
    switch (category) {
    case Category::Function:
        return it->second.logFunc >= level;
    case Category::Error:
        return it->second.logError >= level;
    case Category::Message:
        return it->second.logTrace >= level;
    }
    return false;
}

void TraceLog::write(std::uint32_t module, std::uint32_t level, Category category, const wchar_t* format,
                     va_list args) {
    // The configuration may have been dropped and read again (by instance()) since traceFormat
    // checked it: write only what the current one enables.
    if (m_canWrite.load(std::memory_order_relaxed) && categoryEnabled(module, level, category)) {
        wchar_t tid[128];
        std::swprintf(tid, 128, L" :TID[0x%x]", m_ports.threads->currentThreadId());
        const platform::SystemTime now = m_ports.clock->localTime();
        wchar_t stamp[128];
        std::swprintf(stamp, 128, L"[%04d/%02d/%02d %02d:%02d:%02d.%03d] ", now.year, now.month, now.day,
                      now.hour, now.minute, now.second, now.milliseconds);
        std::string line = text::toUtf8(tid);
        line += text::toUtf8(stamp);
        line += m_prefix;
        line += text::toUtf8(formatWide(format != nullptr ? format : L"", args));
        line += "\r\n";
        m_ports.files->append(m_logPath.c_str(), line.data(), line.size());
    }
    --t_openStatements;
    m_lock.unlock();
}

#define TRACE_LOG_WRITER(method, category)                                                                   \
    void TraceLog::method(std::uint32_t module, std::uint32_t level, const wchar_t* format, ...) {           \
        if (t_openStatements == 0) {                                                                         \
            return; /* a writer without its traceFormat holds no lock and has no prefix */                   \
        }                                                                                                    \
        va_list args;                                                                                        \
        va_start(args, format);                                                                              \
        instance()->write(module, level, category, format, args);                                            \
        va_end(args);                                                                                        \
    }

TRACE_LOG_WRITER(traceFunction, Category::Function)
TRACE_LOG_WRITER(traceError, Category::Error)
TRACE_LOG_WRITER(traceMessage, Category::Message)
