// Log statement macros over TraceLog. Every method opens a TraceScope, which writes its
// "Enter" line at once and its "Leave" line on every return; TRACE_ERROR and TRACE_MSG write
// the error and free-form lines of the enclosing scope. The source file appears as ".\name".
// Portable.
#pragma once

#include "common/TraceLog.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace trace_detail {

template <std::size_t N> struct SourceName { std::array<char, N + 2> text{}; };

// ".\" followed by the file name of a compiler path.
template <std::size_t N> consteval SourceName<N> sourceName(const char (&path)[N]) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < N; ++i) {
        if (path[i] == '/' || path[i] == '\\') {
            start = i + 1;
        }
    }
    SourceName<N> out;
    out.text[0] = '.';
    out.text[1] = '\\';
    std::size_t k = 2;
    for (std::size_t i = start; i < N && path[i] != '\0'; ++i) {
        out.text[k++] = path[i];
    }
    out.text[k] = '\0';
    return out;
}

} // namespace trace_detail

#define TRACE_SOURCE                                                                                         \
    ([]() -> const char* {                                                                                   \
        static constexpr auto source_ = ::trace_detail::sourceName(__FILE__);                                \
        return source_.text.data();                                                                          \
    }())

// Enter and Leave lines of one method, under its qualified name.
class TraceScope {
public:
    TraceScope(std::uint32_t module, const char* source, int line, const char* name)
        : m_module(module), m_source(source), m_line(line), m_name(name) {
        TraceLog::traceFormat("%s (%d) : Enter %s ", m_source, m_line, m_name);
        TraceLog::traceFunction(m_module, TraceLog::kLevel, L"");
    }
    TraceScope(TraceModule module, const char* source, int line, const char* name)
        : TraceScope(static_cast<std::uint32_t>(module), source, line, name) {}
    ~TraceScope() {
        TraceLog::traceFormat("%s (%d) : Leave %s ", m_source, m_line, m_name);
        TraceLog::traceFunction(m_module, TraceLog::kLevel, L"");
    }
    TraceScope(const TraceScope&) = delete;
    TraceScope& operator=(const TraceScope&) = delete;

    std::uint32_t module() const { return m_module; }
    const char* name() const { return m_name; }

private:
    std::uint32_t m_module;
    const char* m_source;
    int m_line;
    const char* m_name;
};

#define TRACE_SCOPE(module, name) ::TraceScope traceScope_((module), TRACE_SOURCE, __LINE__, (name))

// Error line of the enclosing scope: "ERROR!! in <name>" then the wide message.
#define TRACE_ERROR(...)                                                                                     \
    do {                                                                                                     \
        ::TraceLog::traceFormat("%s (%d) : ERROR!! in %s ", TRACE_SOURCE, __LINE__, traceScope_.name());     \
        ::TraceLog::traceError(traceScope_.module(), ::TraceLog::kLevel, __VA_ARGS__);                       \
    } while (0)

// Error line under an explicit qualified name (for a failure reported on behalf of another method).
#define TRACE_ERROR_AS(name, ...)                                                                            \
    do {                                                                                                     \
        ::TraceLog::traceFormat("%s (%d) : ERROR!! in %s ", TRACE_SOURCE, __LINE__, (name));                 \
        ::TraceLog::traceError(traceScope_.module(), ::TraceLog::kLevel, __VA_ARGS__);                       \
    } while (0)

// Free-form line of the enclosing scope.
#define TRACE_MSG(...)                                                                                       \
    do {                                                                                                     \
        ::TraceLog::traceFormat("%s (%d) : ", TRACE_SOURCE, __LINE__);                                       \
        ::TraceLog::traceMessage(traceScope_.module(), ::TraceLog::kLevel, __VA_ARGS__);                     \
    } while (0)
