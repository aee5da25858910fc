// The firmware simulator's step player. Portable.
#include "tools/firmware-sim/ScriptRunner.h"

#include "common/ControllerIdentity.h"
#include "common/Text.h"
#include "sim/CecOpcodes.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <thread>

namespace fwsim {

namespace {

constexpr std::uint64_t kPollMs = 10;

platform::SystemTime utcNow() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count();
    return sim::VirtualClock::fromEpochMs(ms);
}

std::string msText(double us) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3f", us / 1000.0);
    return buffer;
}

std::string narrow(const std::wstring& s) {
    return text::toUtf8(s);
}

std::size_t countOccurrences(const std::string& haystack, const std::string& needle) {
    if (needle.empty()) {
        return 0;
    }
    std::size_t count = 0;
    for (std::size_t at = haystack.find(needle); at != std::string::npos;
         at = haystack.find(needle, at + 1)) {
        ++count;
    }
    return count;
}

// The value at the given fraction of sorted samples (nearest rank).
std::uint64_t percentile(const std::vector<std::uint64_t>& sorted, double fraction) {
    if (sorted.empty()) {
        return 0;
    }
    std::size_t rank = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size()) + 0.999999);
    rank = std::clamp<std::size_t>(rank, 1, sorted.size());
    return sorted[rank - 1];
}

} // namespace

ScriptRunner::ScriptRunner(SimulatedHardware& hardware, platform::Windowing& windowing, ProgramHost& host,
                           RunnerOptions options, std::ostream& out)
    : m_hardware(hardware), m_windowing(windowing), m_host(host), m_options(std::move(options)), m_out(out),
      m_startUtc(utcNow()) {}

std::string ScriptRunner::now() const {
    char buffer[32];
    const std::uint64_t ms = m_hardware.driver().elapsedMicroseconds() / 1000;
    std::snprintf(buffer, sizeof buffer, "[%6llu.%03llu]", static_cast<unsigned long long>(ms / 1000),
                  static_cast<unsigned long long>(ms % 1000));
    return buffer;
}

bool ScriptRunner::run(const std::vector<Step>& steps) {
    m_failure.clear();
    for (const Step& step : steps) {
        m_out << now() << " line " << step.line << ": " << step.text << std::endl;
        const std::string failure = execute(step);
        if (!failure.empty()) {
            m_failure = "line " + std::to_string(step.line) + ": " + step.text + ": " + failure;
            m_out << now() << " FAIL " << m_failure << std::endl;
            return false;
        }
    }
    m_out << now() << " all steps passed" << std::endl;
    return true;
}

std::string ScriptRunner::execute(const Step& step) {
    auto world = [this](auto&& work) { m_hardware.driver().withWorld(work); };
    sim::Peers& peers = m_hardware.peers();
    switch (step.kind) {
    case StepKind::Plug:
        world([&] { peers.plugCable(); });
        return {};
    case StepKind::Unplug:
        world([&] { peers.unplugCable(); });
        return {};
    case StepKind::TvVendor:
        world([&] { peers.tv().setVendorId(step.number); });
        return {};
    case StepKind::TvCec:
        world([&] { peers.setTvWithoutCec(!step.flag); });
        return {};
    case StepKind::TvSwitchToPc:
        world([&] {
            peers.tv().switchToPc(step.flag ? sim::TvModel::Route::RoutingChange
                                            : sim::TvModel::Route::SetStreamPath);
        });
        return {};
    case StepKind::TvSwitchTo:
        world([&] {
            peers.tv().switchTo(static_cast<std::uint16_t>(step.number),
                                step.flag ? sim::TvModel::Route::RoutingChange
                                          : sim::TvModel::Route::SetStreamPath);
        });
        return {};
    case StepKind::TvStandby:
        world([&] { peers.tv().standby(); });
        return {};
    case StepKind::TvPowerOn:
        world([&] { peers.tv().powerOn(); });
        return {};
    case StepKind::TvGiveOsdName:
        world([&] { peers.tv().sendGiveOsdName(); });
        return {};
    case StepKind::TvRequestActiveSource:
        world([&] { peers.tv().sendRequestActiveSource(); });
        return {};
    case StepKind::TvMenuRequest:
        world([&] { peers.tv().sendMenuRequest(static_cast<std::uint8_t>(step.number)); });
        return {};
    case StepKind::TvSend:
        world([&] { peers.tv().sendRaw(sim::makeFrameFromBytes(step.bytes.data(), step.bytes.size())); });
        return {};
    case StepKind::RemoteKey:
        world([&] { peers.remoteKey(static_cast<std::uint8_t>(step.number)); });
        return {};
    case StepKind::Wait:
        std::this_thread::sleep_for(std::chrono::milliseconds(step.withinMs));
        return {};
    case StepKind::Mark:
        mark();
        return {};
    case StepKind::Start: {
        std::string error;
        return m_host.start(step.program, step.arguments, error) ? std::string() : error;
    }
    case StepKind::Run: {
        std::string error;
        m_lastExit = m_host.run(step.program, step.arguments, m_options.runTimeoutMs, error);
        if (!m_lastExit) {
            return error;
        }
        m_out << now() << "   exit code " << *m_lastExit << std::endl;
        return {};
    }
    case StepKind::Post:
        return post(step);
    case StepKind::PressKey: {
        std::string error;
        return m_host.pressKey(static_cast<std::uint8_t>(step.number), error) ? std::string() : error;
    }
    case StepKind::ExpectFrame:
        return expectFrame(step);
    case StepKind::ExpectNoFrame:
        return expectNoFrame(step);
    case StepKind::ExpectExit:
        if (!m_lastExit) {
            return "no program has been run";
        }
        return *m_lastExit == step.number
                   ? std::string()
                   : "exit code " + std::to_string(*m_lastExit) + ", expected " + std::to_string(step.number);
    case StepKind::ExpectWindow:
        return expectWindow(step);
    case StepKind::ExpectProcess:
        return expectProcess(step);
    case StepKind::ExpectDisplay: {
        std::uint32_t arrangement = 0;
        const bool ok = m_hardware.driver().waitFor(
            [&] {
                arrangement = peers.display().arrangement();
                return arrangement == step.number;
            },
            step.withinMs);
        if (ok) {
            return {};
        }
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "the arrangement is 0x%x", arrangement);
        return buffer;
    }
    case StepKind::ExpectLog:
        return expectLog(step);
    case StepKind::ExpectFile:
        return expectFile(step);
    case StepKind::ExpectSetting:
        return expectSetting(step);
    case StepKind::ExpectLogLayout:
        return expectLogLayout();
    case StepKind::MeasureLatency:
        return measureLatency(step);
    case StepKind::MeasureIdle:
        return measureIdle(step);
    }
    return "unknown step";
}

bool ScriptRunner::matches(const AddressMatch& match, std::uint8_t address) {
    switch (match.kind) {
    case AddressMatch::Kind::Any:
        return true;
    case AddressMatch::Kind::Pc:
        return address == m_hardware.peers().cecc().logicalAddress();
    case AddressMatch::Kind::Fixed:
        return address == match.address;
    }
    return false;
}

std::optional<std::size_t> ScriptRunner::findFrame(const Step& step, std::size_t from) {
    const auto& records = m_hardware.peers().bus().records();
    for (std::size_t i = from; i < records.size(); ++i) {
        const sim::CecFrame& frame = records[i].frame;
        if (frame.opcode() != step.opcode || !matches(step.from, frame.initiator()) ||
            !matches(step.to, frame.destination())) {
            continue;
        }
        if (step.operands &&
            (frame.operandCount() != step.operands->size() ||
             !std::equal(step.operands->begin(), step.operands->end(), frame.bytes.begin() + 2))) {
            continue;
        }
        return i;
    }
    return std::nullopt;
}

std::string ScriptRunner::expectFrame(const Step& step) {
    std::optional<std::size_t> found;
    std::uint64_t time = 0;
    std::string description;
    m_hardware.driver().waitFor(
        [&] {
            found = findFrame(step, m_frameCursor);
            if (found) {
                const auto& record = m_hardware.peers().bus().records()[*found];
                time = record.time;
                description = record.describe();
            }
            return found.has_value();
        },
        step.withinMs);
    if (!found) {
        return "no such frame";
    }
    m_out << now() << "   seen at " << msText(static_cast<double>(time) * 1000) << " ms: " << description
          << std::endl;
    const std::optional<std::uint64_t> previous = m_lastFrameTime;
    m_frameCursor = *found + 1;
    m_lastFrameTime = time;
    if (step.gapMs) {
        if (!previous) {
            return "no earlier frame to measure the gap from";
        }
        const std::uint64_t gap = time - *previous;
        m_out << now() << "   gap " << gap << " ms" << std::endl;
        if (gap + step.toleranceMs < *step.gapMs || gap > *step.gapMs + step.toleranceMs) {
            return "gap " + std::to_string(gap) + " ms, expected " + std::to_string(*step.gapMs) + " +- " +
                   std::to_string(step.toleranceMs) + " ms";
        }
    }
    return {};
}

std::string ScriptRunner::expectNoFrame(const Step& step) {
    std::string description;
    const bool seen = m_hardware.driver().waitFor(
        [&] {
            const auto found = findFrame(step, m_frameCursor);
            if (found) {
                description = m_hardware.peers().bus().records()[*found].describe();
            }
            return found.has_value();
        },
        step.withinMs);
    return seen ? "seen: " + description : std::string();
}

bool ScriptRunner::poll(const std::function<bool()>& condition, std::uint64_t timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
}

std::string ScriptRunner::expectWindow(const Step& step) {
    const bool ok = poll(
        [&] {
            return (m_windowing.findWindow(kControllerWindowClass, kControllerWindowTitle) != 0) == step.flag;
        },
        step.withinMs);
    if (ok) {
        return {};
    }
    return step.flag ? "no controller window" : "the controller window is still there";
}

std::string ScriptRunner::expectProcess(const Step& step) {
    std::optional<bool> running;
    const bool ok = poll(
        [&] {
            running = m_host.running(step.program);
            return running && *running == step.flag;
        },
        step.withinMs);
    if (ok) {
        return {};
    }
    if (!running) {
        return "no program " + narrow(step.program) + " was started";
    }
    return *running ? "still running" : "not running";
}

std::string ScriptRunner::post(const Step& step) {
    const platform::MessageId message = m_windowing.registerMessage(text::fromUtf8(step.word).c_str());
    if (message == 0) {
        return "the message cannot be registered";
    }
    const platform::WindowHandle window =
        m_windowing.findWindow(kControllerWindowClass, kControllerWindowTitle);
    if (window == 0) {
        return "no controller window";
    }
    return m_windowing.postMessage(window, message, step.number, 0) ? std::string() : "the post failed";
}

std::wstring ScriptRunner::datedLogPath(const std::wstring& configured, const platform::SystemTime& utc) {
    const std::size_t slash = configured.find_last_of(L"\\/:");
    const std::size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
    std::size_t dot = configured.find_last_of(L'.');
    if (dot == std::wstring::npos || dot < nameStart) {
        dot = configured.size();
    }
    const std::wstring suffix =
        L"_" + std::to_wstring(utc.year) + std::to_wstring(utc.month) + std::to_wstring(utc.day);
    return configured.substr(0, dot) + suffix + configured.substr(dot);
}

std::wstring ScriptRunner::logPath() const {
    if (m_options.traceLogPath.empty()) {
        return {};
    }
    const std::wstring today = datedLogPath(m_options.traceLogPath, utcNow());
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::path(today), error)) {
        return today;
    }
    return datedLogPath(m_options.traceLogPath, m_startUtc); // a run across midnight
}

std::optional<std::string> ScriptRunner::readLog() {
    const std::wstring path = logPath();
    if (path.empty()) {
        return std::nullopt;
    }
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void ScriptRunner::mark() {
    m_hardware.driver().withWorld([this] { m_frameCursor = m_hardware.peers().bus().records().size(); });
    m_lastFrameTime.reset();
    const auto log = readLog();
    m_logMark = log ? log->size() : 0;
}

std::string ScriptRunner::expectSetting(const Step& step) {
    std::uint32_t value = 0;
    m_hardware.driver().withWorld([&] { value = m_hardware.firmware().setting(step.setting); });
    if (value == step.number) {
        return {};
    }
    char text[96];
    std::snprintf(text, sizeof text, "firmware setting 0x%x is %u, expected %u",
                  static_cast<unsigned>(step.setting), static_cast<unsigned>(value),
                  static_cast<unsigned>(step.number));
    return text;
}

std::string ScriptRunner::expectFile(const Step& step) {
    bool readable = false;
    bool found = false;
    poll(
        [&] {
            std::ifstream file(std::filesystem::path(step.program), std::ios::binary);
            readable = static_cast<bool>(file);
            const std::string content((std::istreambuf_iterator<char>(file)),
                                      std::istreambuf_iterator<char>());
            found = content.find(step.word) != std::string::npos;
            return found;
        },
        step.withinMs);
    if (found) {
        return {};
    }
    return readable ? "the file " + narrow(step.program) + " does not contain \"" + step.word + "\""
                    : "cannot read " + narrow(step.program);
}

std::string ScriptRunner::expectLog(const Step& step) {
    if (m_options.traceLogPath.empty()) {
        return "no trace log given (--trace-log)";
    }
    std::size_t count = 0;
    bool readable = false;
    auto countNow = [&] {
        const auto log = readLog();
        readable = log.has_value();
        count = log && log->size() > m_logMark ? countOccurrences(log->substr(m_logMark), step.word) : 0;
        return count;
    };
    if (step.flag && step.number == 0) {
        // Nothing may appear during the whole time.
        poll([&] { return countNow() > 0; }, step.withinMs);
    } else {
        poll([&] { return countNow() >= step.number; }, step.withinMs);
    }
    const bool ok = step.flag ? count == step.number : count >= step.number;
    if (ok) {
        return {};
    }
    if (!readable) {
        return "cannot read " + narrow(logPath());
    }
    return "found " + std::to_string(count) + " time(s) since the mark";
}

std::optional<std::string> ScriptRunner::checkLogLayout(const std::string& content) {
    if (content.empty()) {
        return "line 1: the log is empty";
    }
    static const std::regex kLine(
        R"( :TID\[0x[0-9a-f]+\]\[\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}\.\d{3}\] \.\\[^ \\]+ \(\d+\) : .*)");
    std::size_t start = 0;
    int number = 0;
    while (start < content.size()) {
        ++number;
        const std::size_t end = content.find('\n', start);
        if (end == std::string::npos) {
            return "line " + std::to_string(number) + ": no line end";
        }
        if (end == start || content[end - 1] != '\r') {
            return "line " + std::to_string(number) + ": does not end in CR LF";
        }
        const std::string line = content.substr(start, end - 1 - start);
        if (line.find('\r') != std::string::npos || !std::regex_match(line, kLine)) {
            return "line " + std::to_string(number) + ": not in the layout: " + line.substr(0, 200);
        }
        start = end + 1;
    }
    return std::nullopt;
}

std::string ScriptRunner::expectLogLayout() {
    const auto log = readLog();
    if (!log) {
        return "cannot read " + narrow(logPath());
    }
    const auto bad = checkLogLayout(*log);
    return bad ? *bad : std::string();
}

std::string ScriptRunner::measureLatency(const Step& step) {
    std::vector<std::uint64_t> samples;
    const std::uint8_t answer =
        step.word == "request-active-source" ? sim::cecop::kActiveSource : sim::cecop::kSetOsdName;
    for (std::uint32_t i = 0; i < step.number; ++i) {
        std::size_t firstStamp = 0;
        m_hardware.driver().withWorld([&] {
            firstStamp = m_hardware.stamps().size();
            if (step.word == "request-active-source") {
                m_hardware.peers().tv().sendRequestActiveSource();
            } else {
                m_hardware.peers().tv().sendGiveOsdName();
            }
        });
        std::optional<std::uint64_t> posted;
        std::optional<std::uint64_t> requested;
        bool answered = false;
        m_hardware.driver().waitFor(
            [&] {
                const auto& stamps = m_hardware.stamps();
                for (std::size_t k = firstStamp; k < stamps.size(); ++k) {
                    const SimulatedHardware::Stamp& stamp = stamps[k];
                    if (!posted && stamp.kind == SimulatedHardware::Stamp::Kind::EventPosted &&
                        stamp.code == sim::event::kCecMessage) {
                        posted = stamp.microseconds;
                    } else if (posted && stamp.kind == SimulatedHardware::Stamp::Kind::FrameRequested) {
                        if (!requested) {
                            requested = stamp.microseconds;
                        }
                        if (stamp.code == answer) {
                            answered = true;
                        }
                    }
                }
                return answered;
            },
            m_options.latencyTimeoutMs);
        if (!posted || !requested) {
            return "sample " + std::to_string(i + 1) + ": no answer within " +
                   std::to_string(m_options.latencyTimeoutMs) + " ms";
        }
        samples.push_back(*requested - *posted);
        std::this_thread::sleep_for(std::chrono::milliseconds(m_options.latencyPauseMs));
    }
    std::sort(samples.begin(), samples.end());
    double sum = 0;
    for (const std::uint64_t sample : samples) {
        sum += static_cast<double>(sample);
    }
    const std::string name = "latency_" + step.word;
    const std::vector<std::string> results = {
        name + "_count=" + std::to_string(samples.size()),
        name + "_mean_ms=" + msText(samples.empty() ? 0.0 : sum / static_cast<double>(samples.size())),
        name + "_p50_ms=" + msText(static_cast<double>(percentile(samples, 0.50))),
        name + "_p90_ms=" + msText(static_cast<double>(percentile(samples, 0.90))),
        name + "_p99_ms=" + msText(static_cast<double>(percentile(samples, 0.99))),
        name + "_max_ms=" + msText(samples.empty() ? 0.0 : static_cast<double>(samples.back())),
    };
    for (const std::string& result : results) {
        m_results.push_back(result);
        m_out << "RESULT " << result << std::endl;
    }
    return {};
}

std::string ScriptRunner::measureIdle(const Step& step) {
    const auto before = m_host.usage(step.program);
    if (!before) {
        return "no usage of " + narrow(step.program);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(step.withinMs));
    const auto after = m_host.usage(step.program);
    if (!after) {
        return "no usage of " + narrow(step.program) + " at the end";
    }
    const std::string name = "idle_" + narrow(step.program);
    const std::uint64_t cpu = after->cpuMicroseconds - before->cpuMicroseconds;
    const std::vector<std::string> results = {
        name + "_ms=" + std::to_string(step.withinMs),
        name + "_cpu_ms=" + msText(static_cast<double>(cpu)),
        name + "_working_set_kb=" + std::to_string(after->workingSetBytes / 1024),
        name + "_peak_working_set_kb=" + std::to_string(after->peakWorkingSetBytes / 1024),
    };
    for (const std::string& result : results) {
        m_results.push_back(result);
        m_out << "RESULT " << result << std::endl;
    }
    return {};
}

} // namespace fwsim
