// Test helper: switches the trace log fully on for every module into a simulated file and
// hands the written lines back without their thread and time stamps.
#pragma once

#include "common/TraceLog.h"
#include "sim/SimFiles.h"
#include "sim/SimRegistry.h"
#include "sim/SimThreads.h"
#include "sim/VirtualClock.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

class TraceCapture {
public:
    static constexpr const wchar_t* kFolder = L"C:\\trace";

    // With the ports of a simulated world (its registry, clock, files and threads).
    TraceCapture(sim::SimRegistry& registry, sim::VirtualClock& clock, sim::SimFiles& files,
                 sim::SimThreads& threads) {
        install(registry, clock, files, threads);
    }

    // Standalone, with its own simulated ports.
    TraceCapture() : m_own(std::make_unique<OwnPorts>()) {
        install(m_own->registry, m_own->clock, m_own->files, m_own->threads);
    }

    ~TraceCapture() { TraceLog::installPorts({}); }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    void install(sim::SimRegistry& registry, sim::VirtualClock& clock, sim::SimFiles& files,
                 sim::SimThreads& threads) {
        m_files = &files;
        files.addFolder(kFolder);
        const std::wstring key = L"SOFTWARE\\KORVATH\\Sentrixd\\TRACELOG";
        for (const wchar_t* module : {L"Sentrixd", L"Sentrixset", L"Outswap"}) {
            for (const wchar_t* level : {L"LOG_ERROR", L"LOG_TRACE", L"LOG_FUNC"}) {
                registry.setDword(platform::kHkeyLocalMachine, key + L"\\" + module, level, 1);
            }
        }
        registry.setString(platform::kHkeyLocalMachine, key, L"TraceLogFilePath",
                           std::wstring(kFolder) + L"\\sentrix.log");
        TraceLog::installPorts({&registry, &clock, &files, &threads});
        m_path = TraceLog::logPath();
    }

    // Every line written since the last clear, from the source file onward
    // (".\File.cpp (12) : Enter X::y ").
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        const auto content = m_files->content(m_path);
        if (!content) {
            return out;
        }
        std::size_t start = m_consumed;
        for (std::size_t end; (end = content->find("\r\n", start)) != std::string::npos; start = end + 2) {
            const std::string line = content->substr(start, end - start);
            const std::size_t stamp = line.find("] ", line.find("]") + 1);
            out.push_back(stamp == std::string::npos ? line : line.substr(stamp + 2));
        }
        return out;
    }

    // Lines reduced to what follows " : " (the statement's own text).
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const std::string& line : lines()) {
            const std::size_t colon = line.find(" : ");
            out.push_back(colon == std::string::npos ? line : line.substr(colon + 3));
        }
        return out;
    }

    std::size_t count(std::string_view needle) const {
        std::size_t n = 0;
        for (const std::string& line : lines()) {
            n += line.find(needle) != std::string::npos ? 1 : 0;
        }
        return n;
    }
    bool contains(std::string_view needle) const { return count(needle) != 0; }

    // Whether a statement's own text (see texts()) is exactly `text`.
    bool hasText(std::string_view text) const {
        for (const std::string& t : texts()) {
            if (t == text) {
                return true;
            }
        }
        return false;
    }

    void clear() {
        const auto content = m_files->content(m_path);
        m_consumed = content ? content->size() : 0;
    }

private:
    struct OwnPorts {
        sim::SimRegistry registry;
        sim::VirtualClock clock;
        sim::SimFiles files;
        sim::SimThreads threads;
    };

    std::unique_ptr<OwnPorts> m_own;
    sim::SimFiles* m_files = nullptr;
    std::wstring m_path;
    std::size_t m_consumed = 0;
};

} // namespace testing_support
