// Cost of a log statement with the log off (the usual case) and lines per second with the log on.
#include "common/Trace.h"
#include "sim/SimFiles.h"
#include "sim/SimRegistry.h"
#include "sim/SimThreads.h"
#include "sim/VirtualClock.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// The statements of a typical method: Enter, one progress line, Leave.
void typicalMethod(int value) {
    TRACE_SCOPE(TraceModule::Sentrixd, "CSentrixdDlg::onSetStreamPath");
    TRACE_MSG(L"onSetStreamPath: %02x %02x %02x %02x", value, 0x86, 0x10, 0x00);
}

void BM_StatementLogOff(benchmark::State& state) {
    sim::SimRegistry registry;
    sim::VirtualClock clock;
    sim::SimFiles files;
    sim::SimThreads threads;
    TraceLog::installPorts({&registry, &clock, &files, &threads}); // no TRACELOG key
    int i = 0;
    for (auto _ : state) {
        TraceLog::traceFormat("%s (%d) : ", ".\\SentrixdDlg.cpp", 42);
        TraceLog::traceMessage(1, 1, L"value %d", ++i);
    }
    TraceLog::installPorts({});
}
BENCHMARK(BM_StatementLogOff);

void BM_StatementLogOnModuleOff(benchmark::State& state) {
    sim::SimRegistry registry;
    sim::VirtualClock clock;
    sim::SimFiles files;
    sim::SimThreads threads;
    files.addFolder(L"C:\\trace");
    registry.setString(platform::kHkeyLocalMachine, L"SOFTWARE\\KORVATH\\Sentrixd\\TRACELOG",
                       L"TraceLogFilePath", L"C:\\trace\\x.log");
    registry.setDword(platform::kHkeyLocalMachine, L"SOFTWARE\\KORVATH\\Sentrixd\\TRACELOG\\Outswap",
                      L"LOG_TRACE", 1);
    TraceLog::installPorts({&registry, &clock, &files, &threads});
    int i = 0;
    for (auto _ : state) {
        TraceLog::traceFormat("%s (%d) : ", ".\\SentrixdDlg.cpp", 42);
        TraceLog::traceMessage(1, 1, L"value %d", ++i);
    }
    TraceLog::installPorts({});
}
BENCHMARK(BM_StatementLogOnModuleOff);

// Lines per second into a real file: each line opens, appends and closes the file.
class RealFiles final : public platform::Files {
public:
    explicit RealFiles(std::string path) : m_path(std::move(path)) {}
    bool append(const wchar_t*, const char* data, std::size_t size) override {
        std::FILE* f = std::fopen(m_path.c_str(), "ab");
        if (f == nullptr) {
            return false;
        }
        const bool ok = std::fwrite(data, 1, size, f) == size;
        return std::fclose(f) == 0 && ok;
    }

private:
    std::string m_path;
};

void BM_LinesLogOnToFile(benchmark::State& state) {
    const std::string path = (std::filesystem::temp_directory_path() / "sentrix_bench_trace.log").string();
    std::filesystem::remove(path);
    sim::SimRegistry registry;
    sim::VirtualClock clock;
    RealFiles files(path);
    sim::SimThreads threads;
    const std::wstring key = L"SOFTWARE\\KORVATH\\Sentrixd\\TRACELOG";
    registry.setString(platform::kHkeyLocalMachine, key, L"TraceLogFilePath", L"C:\\trace\\bench.log");
    for (const wchar_t* level : {L"LOG_ERROR", L"LOG_TRACE", L"LOG_FUNC"}) {
        registry.setDword(platform::kHkeyLocalMachine, key + L"\\Sentrixd", level, 1);
    }
    TraceLog::installPorts({&registry, &clock, &files, &threads});
    int i = 0;
    for (auto _ : state) {
        typicalMethod(++i);
    }
    state.SetItemsProcessed(state.iterations() * 3); // three lines per method
    TraceLog::installPorts({});
    std::filesystem::remove(path);
}
BENCHMARK(BM_LinesLogOnToFile);

} // namespace
