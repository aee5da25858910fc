// The diagnostic trace log: one process-wide object that appends a line per log statement to
// a date-named file, switched per program module and category from the machine hive.
// Portable.
#pragma once

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Threads.h"

#include <atomic>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

// Module identifiers; each names its configuration subkey under the TRACELOG key.
enum class TraceModule : std::uint32_t {
    Sentrixd = 1,
    Sentrixset = 2,
    Tonemux = 3,
    Outswap = 4,
    Tvbridge = 5,
    HdmiHook = 6,
};

// The ports through which the trace log reads its configuration and writes its file.
struct TracePorts {
    platform::Registry* registry = nullptr;
    platform::Clock* clock = nullptr;
    platform::Files* files = nullptr;
    platform::Threads* threads = nullptr;
};

class TraceLog {
public:
    static constexpr std::uint32_t kLevel = 1;        // the level every statement requests
    static constexpr std::size_t kPrefixBytes = 1024; // prefix buffer; 1022 characters are used
    static constexpr std::size_t kPrefixChars = 1022;
    static constexpr std::size_t kPathChars = 261; // log path buffer with terminator

    // A statement is one traceFormat followed, on the same thread, by one writer. The lock
    // taken by traceFormat is released by the writer.
    static void traceFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static void traceFunction(std::uint32_t module, std::uint32_t level, const wchar_t* format, ...);
    static void traceError(std::uint32_t module, std::uint32_t level, const wchar_t* format, ...);
    static void traceMessage(std::uint32_t module, std::uint32_t level, const wchar_t* format, ...);

    // Installs the ports of this process and drops the current configuration, so that the
    // next statement reads it afresh. Programs call it once at start; tests call it again.
    // Safe while other threads log: it waits for a statement in progress to end, and a
    // statement never sees half of the old and half of the new configuration.
    static void installPorts(const TracePorts& ports);

    // The module that common code (used by several programs) logs under.
    static void setProgramModule(TraceModule module);
    static std::uint32_t programModule();

    // The log path with its date suffix; empty when nothing is written. For diagnostics and tests.
    static std::wstring logPath();

    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;

private:
    struct Levels {
        std::uint32_t module = 0;
        std::uint32_t logError = 0;
        std::uint32_t logTrace = 0;
        std::uint32_t logFunc = 0;
    };
    enum class Category { Function, Error, Message };

    explicit TraceLog(const TracePorts& ports);
    // The one instance, configured: it lives until the process ends.
    static TraceLog* instance();
    // Reads the configuration when it was dropped; under the lock.
    void ensureConfigured();
    void readConfiguration();
    bool categoryEnabled(std::uint32_t module, std::uint32_t level, Category category) const;
    void write(std::uint32_t module, std::uint32_t level, Category category, const wchar_t* format,
               va_list args);

    // m_lock guards everything below; m_configured and m_canWrite are also read without it,
    // for the statement that has nothing to write.
    std::recursive_mutex m_lock;
    TracePorts m_ports;
    char m_prefix[kPrefixBytes] = {};
    std::wstring m_logPath;
    std::map<std::uint32_t, Levels> m_modules;
    std::atomic<bool> m_configured{false};
    std::atomic<bool> m_canWrite{false}; // a log path and at least one enabled category
};
