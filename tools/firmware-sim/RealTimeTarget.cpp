// The scenario target in real time. Portable.
#include "tools/firmware-sim/RealTimeTarget.h"

#include "tools/scenario/PeerActions.h"
#include "tools/scenario/SharedActions.h"

#include "common/ControllerIdentity.h"
#include "common/FirmwareRecord.h"
#include "common/Text.h"
#include "platform/Clock.h"
#include "platform/Session.h"
#include "sim/CecOpcodes.h"
#include "tools/scenario/ScenarioRunner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace fwsim {

namespace {

using scenario::ActionKind;
using scenario::Event;
using scenario::EventKind;
using scenario::hiveKey;
using scenario::makeEvent;

// Nothing the world runs on its own waits this long: "never" in a delay setting.
// The console session the controller runs in.
constexpr platform::LParam kConsoleSession = 1;
// What the controller logs when it shows a notice.
constexpr std::string_view kNoticeLogText = "Show notification dialog (variant ";

std::string hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string firmwareEventName(std::uint32_t code) {
    if (code == sim::event::kHotPlugHigh) {
        return "hot plug high";
    }
    if (code == sim::event::kHotPlugLow) {
        return "hot plug low";
    }
    if ((code & 0xFF00) == sim::event::kRemoteKeyBase) {
        return "remote key " + hex(code & 0xFF, 2);
    }
    return {};
}

// A trace log line without its thread and time stamps: from the source file onward.
std::string logText(const std::string& line) {
    const std::size_t threadEnd = line.find(']');
    const std::size_t stamp = line.find('[', threadEnd == std::string::npos ? 0 : threadEnd + 1);
    if (stamp != std::string::npos) {
        const std::size_t end = line.find("] ", stamp);
        if (end != std::string::npos) {
            return line.substr(end + 2);
        }
    }
    return line;
}

platform::SystemTime utcNow() {
    return sim::VirtualClock::fromEpochMs(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::system_clock::now().time_since_epoch())
                                              .count());
}

std::string msText(double us) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3f", us / 1000.0);
    return buffer;
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

std::vector<std::wstring> splitCommandLine(const std::wstring& line) {
    std::vector<std::wstring> words;
    std::wistringstream stream(line);
    std::wstring word;
    while (stream >> word) {
        words.push_back(word);
    }
    return words;
}

} // namespace

bool readWholeFile(const std::wstring& path, std::string& content) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    if (!file) {
        return false;
    }
    content.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

RealTimeTarget::RealTimeTarget(scenario::Journal& journal, SimulatedHardware& hardware,
                               platform::Windowing& windowing, platform::Registry& registry,
                               ProgramHost& host, Options options)
    : m_journal(journal), m_hardware(hardware), m_windowing(windowing), m_registry(registry), m_host(host),
      m_options(std::move(options)), m_startUtc(utcNow()) {
    // What the world held before the scenario is not part of its timeline.
    m_hardware.driver().withWorld([this] {
        sim::Peers& peers = m_hardware.peers();
        m_seen.frames = peers.bus().records().size();
        m_seen.displayCalls = peers.display().calls().size();
        m_seen.displayChanges = peers.display().changes().size();
        m_seen.events = peers.events().events().size();
    });
}

std::uint64_t RealTimeTarget::now() {
    return m_hardware.driver().elapsedMicroseconds() / 1000;
}

void RealTimeTarget::schedule(std::uint64_t delayMs, std::function<void()> resume) {
    m_resumeAt = now() + delayMs;
    m_resume = std::move(resume);
}

std::string RealTimeTarget::run(const std::function<bool()>& finished) {
    while (!finished()) {
        if (!m_resume || !m_resumeAt) {
            return "the scenario waits for nothing that can happen";
        }
        const std::uint64_t at = *m_resumeAt;
        for (std::uint64_t t = now(); t < at; t = now()) {
            std::this_thread::sleep_for(
                std::chrono::milliseconds(std::min<std::uint64_t>(at - t, m_options.collectEveryMs)));
            collect();
        }
        std::function<void()> resume = std::move(m_resume);
        m_resume = nullptr;
        m_resumeAt.reset();
        resume();
    }
    return {};
}

void RealTimeTarget::note(const std::string& text) {
    m_journal.add(makeEvent(now(), EventKind::Note, text));
}

void RealTimeTarget::collect() {
    std::vector<Event> batch;
    collectWorld(batch);
    collectLog(batch);
    collectController(batch);
    std::stable_sort(batch.begin(), batch.end(),
                     [](const Event& a, const Event& b) { return a.time < b.time; });
    for (Event& event : batch) {
        m_journal.add(std::move(event));
    }
}

void RealTimeTarget::collectWorld(std::vector<Event>& batch) {
    m_hardware.driver().withWorld([&] {
        sim::Peers& peers = m_hardware.peers();
        const auto& records = peers.bus().records();
        for (; m_seen.frames < records.size(); ++m_seen.frames) {
            const sim::CecBus::Record& record = records[m_seen.frames];
            const std::vector<std::uint8_t> bytes(record.frame.bytes.begin(),
                                                  record.frame.bytes.begin() + record.frame.length);
            std::string text = record.describe() + "   (" + scenario::hexText(bytes) + ")";
            if (!record.acknowledged && !record.frame.isBroadcast()) {
                text += " not acknowledged";
            }
            Event event = makeEvent(record.time, EventKind::Frame, text);
            event.bytes = bytes;
            event.subject = record.describe();
            batch.push_back(std::move(event));
        }
        const auto& calls = peers.display().calls();
        for (; m_seen.displayCalls < calls.size(); ++m_seen.displayCalls) {
            const auto& call = calls[m_seen.displayCalls];
            if (call.entry == sim::DisplayModel::Entry::SetMonitorDevice) {
                Event event = makeEvent(call.time, EventKind::DisplayRequest,
                                        "switch to " + scenario::arrangementName(call.argument) + " asked: " +
                                            (call.result == 1 ? std::string("accepted")
                                                              : "answered " + std::to_string(call.result)));
                event.value = call.argument;
                batch.push_back(std::move(event));
            }
        }
        const auto& changes = peers.display().changes();
        for (; m_seen.displayChanges < changes.size(); ++m_seen.displayChanges) {
            const auto& change = changes[m_seen.displayChanges];
            Event event = makeEvent(change.time, EventKind::Display,
                                    "now " + scenario::arrangementName(change.arrangement));
            event.value = change.arrangement;
            batch.push_back(std::move(event));
        }
        const auto& events = peers.events().events();
        for (; m_seen.events < events.size(); ++m_seen.events) {
            const auto& record = events[m_seen.events];
            const std::string name = firmwareEventName(record.code);
            if (!name.empty()) {
                Event event = makeEvent(record.time, EventKind::FirmwareEvent,
                                        name + " (" + hex(record.code, 4) + ")" +
                                            (record.delivered ? "" : ", no controller to take it"));
                event.value = record.code;
                batch.push_back(std::move(event));
            }
        }
        const sim::TvModel& tv = peers.tv();
        const bool on = tv.power() == sim::TvModel::Power::On;
        if (!m_seen.tvValid || m_seen.tvOn != on || m_seen.tvInput != tv.input()) {
            const bool first = !m_seen.tvValid;
            m_seen.tvValid = true;
            m_seen.tvOn = on;
            m_seen.tvInput = tv.input();
            if (!first) {
                std::string text = on ? "on, " : "standby, ";
                text += tv.input() ? "input " + scenario::addressText(*tv.input()) : std::string("its tuner");
                if (tv.showsPc()) {
                    text += ": showing the PC";
                }
                batch.push_back(makeEvent(m_hardware.clock().now(), EventKind::Tv, text));
            }
        }
    });
}

void RealTimeTarget::collectLog(std::vector<Event>& batch) {
    if (m_options.traceLogPath.empty()) {
        return;
    }
    std::ifstream file(std::filesystem::path(datedLogPath(m_options.traceLogPath, utcNow())),
                       std::ios::binary);
    if (!file) {
        return;
    }
    file.seekg(0, std::ios::end);
    const auto size = static_cast<std::size_t>(file.tellg());
    if (size < m_seen.logBytes) {
        m_seen.logBytes = 0; // a new file
        m_logPending.clear();
    }
    if (size == m_seen.logBytes) {
        return;
    }
    file.seekg(static_cast<std::streamoff>(m_seen.logBytes));
    std::string added(size - m_seen.logBytes, '\0');
    file.read(added.data(), static_cast<std::streamsize>(added.size()));
    added.resize(static_cast<std::size_t>(file.gcount()));
    m_seen.logBytes += added.size();
    m_logPending += added;
    const std::uint64_t time = now();
    for (std::size_t end = m_logPending.find("\r\n"); end != std::string::npos;
         end = m_logPending.find("\r\n")) {
        const std::string line = logText(m_logPending.substr(0, end));
        m_logPending.erase(0, end + 2);
        batch.push_back(makeEvent(time, EventKind::Log, line));
        const std::size_t notice = line.find(kNoticeLogText);
        if (notice != std::string::npos) {
            const int variant = std::atoi(line.c_str() + notice + kNoticeLogText.size());
            Event event =
                makeEvent(time, EventKind::Notification,
                          variant == 1 ? "supported: the TV supports HDMI control"
                                       : "not supported: the TV does not support HDMI control, or is off");
            event.value = variant;
            batch.push_back(std::move(event));
        }
    }
}

void RealTimeTarget::collectController(std::vector<Event>& batch) {
    const bool running = m_host.running(m_options.controller).value_or(false);
    if (m_seen.controllerRunning && !running) {
        batch.push_back(makeEvent(now(), EventKind::Controller, "the controller has ended"));
    }
    m_seen.controllerRunning = running;
}

std::uint32_t RealTimeTarget::displayArrangement() {
    return m_hardware.driver().withWorld([this] { return m_hardware.peers().display().arrangement(); });
}

scenario::SoundOutput RealTimeTarget::soundOutput() {
    return scenario::SoundOutput::Speaker;
}

bool RealTimeTarget::windowExists(const std::wstring& className, const std::wstring& title) {
    return m_windowing.findWindow(className.c_str(), title.c_str()) != 0;
}

std::optional<scenario::RegistryData>
RealTimeTarget::registryValue(scenario::Hive hive, const std::wstring& path, const std::wstring& name) {
    platform::RegKey key = 0;
    if (m_registry.openKey(hiveKey(hive), path.c_str(), platform::RegAccess::Read, key) !=
        platform::error::kSuccess) {
        return std::nullopt;
    }
    std::optional<scenario::RegistryData> result;
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    if (m_registry.queryValue(key, name.c_str(), &type, nullptr, &size) == platform::error::kSuccess) {
        std::vector<std::uint8_t> bytes(size);
        if (m_registry.queryValue(key, name.c_str(), &type, bytes.data(), &size) ==
            platform::error::kSuccess) {
            bytes.resize(size);
            result = scenario::RegistryData{type, bytes};
        }
    }
    m_registry.closeKey(key);
    return result;
}

scenario::TvState RealTimeTarget::tvState() {
    return m_hardware.driver().withWorld([this] {
        const sim::TvModel& tv = m_hardware.peers().tv();
        return scenario::TvState{tv.power() == sim::TvModel::Power::On, tv.input(), tv.pcAddress(),
                                 tv.showsPc()};
    });
}

bool RealTimeTarget::controllerRunning() {
    return m_host.running(m_options.controller).value_or(false);
}

void RealTimeTarget::notePicture(const std::string& what, const std::string& picture) {
    if (!picture.empty()) {
        note("screenshot of " + what + ": " + picture);
    }
}

std::optional<scenario::NoticeView> RealTimeTarget::notice() {
    if (m_options.screen == nullptr) {
        return std::nullopt;
    }
    const std::optional<ScreenObserver::NoticeSight> sight = m_options.screen->notice();
    if (!sight) {
        return std::nullopt;
    }
    notePicture("the notice", sight->picture);
    scenario::NoticeView view;
    view.open = sight->open;
    view.title = sight->title;
    view.message = sight->message;
    view.checkBoxText = sight->checkBoxText;
    view.checked = sight->checked;
    view.drawingFaults = sight->faults;
    return view;
}

std::optional<scenario::MenuView> RealTimeTarget::controlMenu() {
    if (m_options.screen == nullptr) {
        return std::nullopt;
    }
    const std::optional<ScreenObserver::MenuSight> sight = m_options.screen->controlMenu();
    if (!sight) {
        return std::nullopt;
    }
    notePicture("the control menu", sight->picture);
    scenario::MenuView view;
    view.visible = sight->visible;
    view.entries = sight->entries;
    view.selected = sight->selected;
    view.drawingFaults = sight->faults;
    return view;
}

std::optional<std::uint32_t> RealTimeTarget::firmwareSetting(std::uint32_t number) {
    return m_hardware.driver().withWorld([&] { return m_hardware.firmware().setting(number); });
}

std::string RealTimeTarget::lastExitCode(std::uint32_t& code) {
    if (!m_lastExit) {
        return "no program has been run (program run)";
    }
    code = *m_lastExit;
    return {};
}

std::string RealTimeTarget::programRunning(const std::wstring& file, bool& running) {
    const std::optional<bool> now = m_host.running(file);
    if (!now) {
        return "no program " + text::toUtf8(file) + " was started";
    }
    running = *now;
    return {};
}

std::string RealTimeTarget::fileContent(const std::wstring& path, std::string& content) {
    return readWholeFile(path, content) ? std::string() : "cannot read " + text::toUtf8(path);
}

std::wstring RealTimeTarget::datedLogPath(const std::wstring& configured, const platform::SystemTime& utc) {
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

std::wstring RealTimeTarget::traceLogFile() const {
    const std::wstring today = datedLogPath(m_options.traceLogPath, utcNow());
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::path(today), error)) {
        return today;
    }
    return datedLogPath(m_options.traceLogPath, m_startUtc); // a run across midnight
}

std::string RealTimeTarget::traceLogContent(std::string& content) {
    if (m_options.traceLogPath.empty()) {
        return "no trace log given (--trace-log)";
    }
    const std::wstring file = traceLogFile();
    return readWholeFile(file, content) ? std::string() : "cannot read " + text::toUtf8(file);
}

void RealTimeTarget::result(const std::string& nameValue) {
    m_journal.add(makeEvent(now(), EventKind::Result, nameValue));
}

std::string RealTimeTarget::runToEnd(const scenario::Action& a) {
    note("runs " + text::toUtf8(a.text) + " to its end");
    std::string error;
    m_lastExit = m_host.run(a.text, a.arguments, m_options.programTimeoutMs, error);
    if (!m_lastExit) {
        return error;
    }
    note(text::toUtf8(a.text) + " ended with exit code " + std::to_string(*m_lastExit));
    return {};
}

std::string RealTimeTarget::measureLatency(const scenario::Action& a) {
    const bool activeSource = a.flag;
    const std::string request = activeSource ? "request-active-source" : "give-osd-name";
    const std::uint8_t answer = activeSource ? sim::cecop::kActiveSource : sim::cecop::kSetOsdName;
    std::vector<std::uint64_t> samples;
    for (std::uint32_t i = 0; i < a.value; ++i) {
        std::size_t firstStamp = 0;
        m_hardware.driver().withWorld([&] {
            firstStamp = m_hardware.stamps().size();
            if (activeSource) {
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
                        answered = answered || stamp.code == answer;
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
    collect(); // the frames of the measurement come before its results
    std::sort(samples.begin(), samples.end());
    double sum = 0;
    for (const std::uint64_t sample : samples) {
        sum += static_cast<double>(sample);
    }
    const std::string name = "latency_" + request;
    result(name + "_count=" + std::to_string(samples.size()));
    result(name + "_mean_ms=" + msText(sum / static_cast<double>(samples.size())));
    result(name + "_p50_ms=" + msText(static_cast<double>(percentile(samples, 0.50))));
    result(name + "_p90_ms=" + msText(static_cast<double>(percentile(samples, 0.90))));
    result(name + "_p99_ms=" + msText(static_cast<double>(percentile(samples, 0.99))));
    result(name + "_max_ms=" + msText(static_cast<double>(samples.back())));
    return {};
}

std::string RealTimeTarget::measureIdle(const scenario::Action& a) {
    const std::string program = text::toUtf8(a.text);
    const std::uint64_t duration = a.duration.value_or(0);
    const auto before = m_host.usage(a.text);
    if (!before) {
        return "no usage of " + program;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(duration));
    const auto after = m_host.usage(a.text);
    if (!after) {
        return "no usage of " + program + " at the end";
    }
    const std::string name = "idle_" + program;
    result(name + "_ms=" + std::to_string(duration));
    result(name + "_cpu_ms=" + msText(static_cast<double>(after->cpuMicroseconds - before->cpuMicroseconds)));
    result(name + "_working_set_kb=" + std::to_string(after->workingSetBytes / 1024));
    result(name + "_peak_working_set_kb=" + std::to_string(after->peakWorkingSetBytes / 1024));
    return {};
}

std::string RealTimeTarget::noticeAnswer(std::uint32_t answer) {
    // The notice's check box and OK button, and Esc, which a dialog turns into Cancel.
    constexpr int kCheckBox = 1007;
    constexpr int kOk = 1;
    constexpr int kCancel = 2;
    constexpr int kCloseBox = 0;
    switch (static_cast<scenario::NoticeAnswer>(answer)) {
    case scenario::NoticeAnswer::CheckBox:
        return m_options.screen->clickNotice(kCheckBox);
    case scenario::NoticeAnswer::Ok:
        return m_options.screen->clickNotice(kOk);
    case scenario::NoticeAnswer::CloseBox:
        return m_options.screen->clickNotice(kCloseBox);
    case scenario::NoticeAnswer::Escape:
        return m_options.screen->clickNotice(kCancel);
    }
    return "unknown answer to the notice";
}

std::string RealTimeTarget::runProgram(const std::wstring& program,
                                       const std::vector<std::wstring>& arguments,
                                       std::uint32_t expectedExit) {
    std::string error;
    const std::optional<std::uint32_t> exit =
        m_host.run(program, arguments, m_options.programTimeoutMs, error);
    if (!exit) {
        return error;
    }
    if (*exit != expectedExit) {
        return text::toUtf8(program) + " ended with exit code " + std::to_string(*exit) + ", expected " +
               std::to_string(expectedExit);
    }
    return {};
}

std::string RealTimeTarget::postToController(platform::MessageId message, platform::WParam wParam,
                                             platform::LParam lParam, const std::string& what) {
    const platform::WindowHandle window =
        m_windowing.findWindow(kControllerWindowClass, kControllerWindowTitle);
    if (window == 0 || !m_windowing.postMessage(window, message, wParam, lParam)) {
        note("no controller window: " + what + " is lost");
    }
    return {};
}

std::string RealTimeTarget::post(const scenario::ControllerPost& post) {
    const platform::MessageId message =
        post.name.empty() ? post.message : m_windowing.registerMessage(post.name.c_str());
    if (message == 0) {
        return "cannot register " + post.what;
    }
    return postToController(message, post.wParam, post.lParam, post.what);
}

std::string RealTimeTarget::worldAct(const scenario::Action& a) {
    return m_hardware.driver().withWorld([&]() -> std::string {
        if (!scenario::applyPeerAction(m_hardware.peers(), m_hardware.firmware(), a)) {
            return "not a world step";
        }
        if (a.kind == ActionKind::TvState) {
            m_seen.tvValid = false; // set without a frame: the timeline reports it afresh
        }
        return {};
    });
}

std::string RealTimeTarget::act(const scenario::Action& a) {
    if (const std::optional<scenario::ControllerPost> message = scenario::controllerPost(a)) {
        return post(*message);
    }
    switch (a.kind) {
    case ActionKind::RegistrySet:
        return scenario::writeRegistryValue(m_registry, a);
    case ActionKind::RegistryDeleteValue:
    case ActionKind::RegistryDeleteKey:
        return "deleting from the registry is not available in real time";
    case ActionKind::SoundChangerState:
        return a.soundChanger == scenario::SoundChanger::Missing
                   ? std::string()
                   : "there is no sound-output changer in real time (it is missing)";
    case ActionKind::LibraryRemove:
        return "the installed libraries are set up by the machine, not by a step in real time";
    case ActionKind::FirmwareDevice:
        return a.flag ? std::string()
                      : "a missing device is set up by the machine (no FirmwarePipe setting), not by a step "
                        "in real "
                        "time";
    case ActionKind::SystemLanguage:
    case ActionKind::SystemModel:
        return "the system's language and model are the real machine's";
    case ActionKind::MessageBoxReaction:
    case ActionKind::MessageBoxAnswer:
        return "message boxes are not answered in real time";
    case ActionKind::DiscDrive:
        return "the disc drive is the real machine's";
    case ActionKind::SessionConsole:
        return "the console session is the real machine's";
    case ActionKind::AppInstall:
    case ActionKind::AppFront:
    case ActionKind::AppEnd:
        return "applications and their windows are the real machine's, set up outside the scenario";
    case ActionKind::ControllerStart: {
        m_journal.add(
            makeEvent(now(), EventKind::Controller,
                      "the controller starts" +
                          (a.text.empty() ? std::string() : " with \"" + text::toUtf8(a.text) + "\"")));
        std::string error;
        if (!m_host.start(m_options.controller, splitCommandLine(a.text), error)) {
            return error;
        }
        return {};
    }
    case ActionKind::Suspend:
        return postToController(platform::wm::kPowerBroadcast, platform::pbt::kApmSuspend, 0);
    case ActionKind::Resume:
        m_hardware.driver().withWorld(
            [&] { m_hardware.firmware().setWakeupFactor(static_cast<std::uint16_t>(a.value)); });
        return postToController(platform::wm::kPowerBroadcast, platform::pbt::kApmResumeSuspend, 0);
    case ActionKind::SessionLock:
        return postToController(platform::wm::kWtsSessionChange, platform::wts::kSessionLock,
                                kConsoleSession);
    case ActionKind::SessionUnlock:
        return postToController(platform::wm::kWtsSessionChange, platform::wts::kSessionUnlock,
                                kConsoleSession);
    case ActionKind::SessionEvent:
        return postToController(platform::wm::kWtsSessionChange, a.value,
                                a.address.value_or(kConsoleSession));
    case ActionKind::PowerEvent:
        return postToController(platform::wm::kPowerBroadcast, a.value, 0);
    case ActionKind::OutputKey:
        return runProgram(m_options.outswap, {}, 0);
    case ActionKind::BridgeTurnOffTv:
        return runProgram(m_options.bridgeClient, {L"query-turn-off-tv"}, 1);
    case ActionKind::BridgeChangeOutput:
        return runProgram(m_options.bridgeClient, {L"change-hdmi-output", std::to_wstring(a.value)}, 1);
    case ActionKind::BridgeTvEnhancement:
        return runProgram(m_options.bridgeClient, {L"use-tv-enhancement", std::to_wstring(a.value)}, 1);
    case ActionKind::MenuKey:
        return m_options.screen == nullptr ? std::string("the control menu cannot be seen here")
                                           : m_options.screen->pressMenuKey(a.value);
    case ActionKind::NoticeAnswer:
        return m_options.screen == nullptr ? std::string("the notice cannot be seen here")
                                           : noticeAnswer(a.value);
    case ActionKind::ProgramStart: {
        note("starts " + text::toUtf8(a.text));
        std::string error;
        return m_host.start(a.text, a.arguments, error) ? std::string() : error;
    }
    case ActionKind::ProgramRun:
        return runToEnd(a);
    case ActionKind::MeasureLatency:
        return measureLatency(a);
    case ActionKind::MeasureIdle:
        return measureIdle(a);
    case ActionKind::KeyPress: {
        std::string error;
        return m_host.pressKey(static_cast<std::uint8_t>(a.value), error) ? std::string() : error;
    }
    default:
        return worldAct(a);
    }
}

} // namespace fwsim
