// The scenario target in virtual time. Simulation.
#include "tools/scenario/VirtualTarget.h"

#include "tools/scenario/PeerActions.h"
#include "tools/scenario/SharedActions.h"

#include "common/FirmwareRecord.h"
#include "common/Text.h"
#include "controller/SentrixdDlg.h"
#include "tools/scenario/ScenarioRunner.h"
#include "tools/simrun/Installation.h"

#include <algorithm>
#include <cstdio>

namespace scenario {
namespace {

constexpr const wchar_t* kTraceLogKey = L"SOFTWARE\\KORVATH\\Sentrixd\\TRACELOG";
// Nothing the world runs on its own waits this long: "never" in a delay setting.

std::string hex(std::uint32_t value, int digits = 0) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string mediaCommandName(std::uint32_t command) {
    switch (command) {
    case 13:
        return "stop";
    case 46:
        return "play";
    case 47:
        return "pause";
    case 49:
        return "fast-forward";
    case 50:
        return "rewind";
    case 51:
        return "channel-up";
    case 52:
        return "channel-down";
    default:
        return "command " + std::to_string(command);
    }
}

// "11 down, 43 down, 11 up, 43 up", as the scenario language writes key events.
std::string keyEventsText(const std::vector<platform::KeyEvent>& events) {
    std::string out;
    for (const platform::KeyEvent& event : events) {
        char text[16];
        std::snprintf(text, sizeof text, "%02X %s", static_cast<unsigned>(event.virtualKey),
                      (event.flags & platform::kKeyEventKeyUp) != 0 ? "up" : "down");
        out += (out.empty() ? "" : ", ") + std::string(text);
    }
    return out;
}

std::string eventName(std::uint32_t code) {
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
std::string_view logText(std::string_view line) {
    const std::size_t stamp =
        line.find('[', line.find(']') == std::string_view::npos ? 0 : line.find(']') + 1);
    if (stamp != std::string_view::npos) {
        const std::size_t end = line.find("] ", stamp);
        if (end != std::string_view::npos) {
            return line.substr(end + 2);
        }
    }
    return line;
}

std::string frameText(const sim::CecBus::Record& record) {
    std::vector<std::uint8_t> bytes(record.frame.bytes.begin(),
                                    record.frame.bytes.begin() + record.frame.length);
    std::string text = record.describe() + "   (" + hexText(bytes) + ")";
    if (!record.acknowledged && !record.frame.isBroadcast()) {
        text += " not acknowledged";
    }
    return text;
}

} // namespace

bool VirtualTarget::TraceFiles::append(const wchar_t* path, const char* data, std::size_t size) {
    const bool written = m_target.m_world.files().append(path, data, size);
    if (written && data != nullptr) {
        std::string_view rest(data, size);
        while (!rest.empty()) {
            const std::size_t end = rest.find("\r\n");
            m_target.onTraceLine(rest.substr(0, end));
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);
        }
    }
    return written;
}

VirtualTarget::VirtualTarget(Journal& journal, std::string* error) : m_journal(journal) {
    std::wstring why;
    if (!simrun::installProduct(m_world, &why) && error != nullptr) {
        *error = "the installation data does not import: " + text::toUtf8(why);
    }
    switchTraceLogOn();
    m_world.peers().bus().observer = [this](const sim::CecBus::Record& record) {
        collect();
        Event event = makeEvent(record.time, EventKind::Frame, frameText(record));
        event.bytes.assign(record.frame.bytes.begin(), record.frame.bytes.begin() + record.frame.length);
        event.subject = record.describe();
        add(std::move(event));
    };
    m_world.desktop().messageBoxObserver = [this](const sim::SimDesktop::MessageBoxRecord& box) {
        collect();
        Event event = makeEvent(box.time, EventKind::MessageBox,
                                "\"" + text::toUtf8(box.text) + "\" (" + text::toUtf8(box.caption) + ")");
        event.subject = text::toUtf8(box.text);
        event.detail = text::toUtf8(box.caption);
        add(std::move(event));
    };
}

VirtualTarget::~VirtualTarget() {
    // The world's end closes a running controller; what happens then is no longer reported.
    m_world.peers().bus().observer = nullptr;
    m_world.desktop().messageBoxObserver = nullptr;
    m_silent = true;
    m_controllers.clear();
    TraceLog::installPorts({});
}

void VirtualTarget::switchTraceLogOn() {
    m_world.files().addFolder(kTraceFolder);
    sim::SimRegistry& registry = m_world.registry();
    for (const wchar_t* module : {L"Sentrixd", L"Sentrixset", L"Outswap"}) {
        for (const wchar_t* level : {L"LOG_ERROR", L"LOG_TRACE", L"LOG_FUNC"}) {
            registry.setDword(platform::kHkeyLocalMachine, std::wstring(kTraceLogKey) + L"\\" + module, level,
                              1);
        }
    }
    registry.setString(platform::kHkeyLocalMachine, kTraceLogKey, L"TraceLogFilePath", kTraceFile);
    TraceLog::installPorts({&registry, &m_world.clock(), &m_traceFiles, &m_world.threads()});
}

void VirtualTarget::onTraceLine(std::string_view line) {
    if (m_silent) {
        return;
    }
    collect();
    add(makeEvent(now(), EventKind::Log, std::string(logText(line))));
}

void VirtualTarget::add(Event event) {
    if (!m_silent) {
        m_journal.add(std::move(event));
    }
}

// ---- time ------------------------------------------------------------------------------------

void VirtualTarget::schedule(std::uint64_t delayMs, std::function<void()> resume) {
    m_resumeAt = now() + delayMs;
    m_world.clock().scheduleAfter(delayMs, [this, resume = std::move(resume)] {
        m_resumeAt.reset();
        resume();
        if (!m_resumeAt) {
            // The scenario is over: a controller still waiting for a person ends with it.
            m_world.desktop().setHorizon(now());
        }
    });
}

std::string VirtualTarget::run(const std::function<bool()>& finished) {
    try {
        while (!finished()) {
            if (!m_resumeAt) {
                return "the scenario waits for nothing that can happen";
            }
            const std::uint64_t t = *m_resumeAt;
            if (simrun::SimController* controller = runningController()) {
                controller->runUntil(t);
                noteEnded();
            } else {
                m_world.clock().advanceTo(t);
            }
        }
    } catch (const sim::Deadlock& deadlock) {
        noteEnded();
        if (!finished()) {
            return deadlock.what();
        }
    }
    return {};
}

simrun::SimController* VirtualTarget::runningController() {
    for (ControllerEntry& entry : m_controllers) {
        if (entry.controller->running()) {
            return entry.controller.get();
        }
    }
    return nullptr;
}

simrun::SimMenus* VirtualTarget::shownMenus() {
    for (auto it = m_controllers.rbegin(); it != m_controllers.rend(); ++it) {
        const QuickMenu* menu = it->controller->menu();
        if (menu != nullptr && menu->isVisible()) {
            return &it->controller->menus();
        }
    }
    return nullptr;
}

std::optional<MenuView> VirtualTarget::controlMenu() {
    for (auto it = m_controllers.rbegin(); it != m_controllers.rend(); ++it) {
        const QuickMenu* menu = it->controller->menu();
        if (menu == nullptr) {
            continue;
        }
        MenuView view;
        view.visible = menu->isVisible();
        for (const QuickMenu::Entry& entry : menu->entries()) {
            view.entries.push_back(entry.text);
        }
        view.selected = menu->selectedIndex();
        return view;
    }
    return std::nullopt;
}

void VirtualTarget::noteEnded() {
    for (ControllerEntry& entry : m_controllers) {
        if (!entry.endNoted && !entry.controller->running()) {
            entry.endNoted = true;
            collect();
            add(makeEvent(now(), EventKind::Controller,
                          entry.controller->started() ? "the controller has ended"
                                                      : "the controller ended at once"));
        }
    }
}

// ---- observing -------------------------------------------------------------------------------

void VirtualTarget::collect() {
    if (m_collecting || m_silent) {
        return;
    }
    m_collecting = true;
    std::vector<Event> batch;
    pollRecords(batch);
    std::stable_sort(batch.begin(), batch.end(),
                     [](const Event& a, const Event& b) { return a.time < b.time; });
    m_collecting = false;
    for (Event& event : batch) {
        add(std::move(event));
    }
    pollTv();
}

void VirtualTarget::clearHistory() {
    collect();
    m_world.clearRecords();
    m_seen = {};
    for (ControllerEntry& entry : m_controllers) {
        entry.controller->menus().clearRecords();
        entry.controller->dialogs().clearRecords();
        entry.launcherShown = 0;
        entry.dialogsSeen = 0;
        entry.controller->noticesShownFrom(entry.dialogsSeen); // the open ones are in the journal
    }
}

void VirtualTarget::pollRecords(std::vector<Event>& batch) {
    sim::Peers& peers = m_world.peers();
    const auto& calls = peers.display().calls();
    for (; m_seen.displayCalls < calls.size(); ++m_seen.displayCalls) {
        const auto& call = calls[m_seen.displayCalls];
        if (call.entry == sim::DisplayModel::Entry::SetMonitorDevice) {
            Event event = makeEvent(
                call.time, EventKind::DisplayRequest,
                "switch to " + arrangementName(call.argument) + " asked: " +
                    (call.result == 1 ? std::string("accepted") : "answered " + std::to_string(call.result)));
            event.value = call.argument;
            batch.push_back(std::move(event));
        }
    }
    const auto& changes = peers.display().changes();
    for (; m_seen.displayChanges < changes.size(); ++m_seen.displayChanges) {
        const auto& change = changes[m_seen.displayChanges];
        Event event =
            makeEvent(change.time, EventKind::Display, "now " + arrangementName(change.arrangement));
        event.value = change.arrangement;
        batch.push_back(std::move(event));
    }
    const auto& sounds = peers.sound().changes();
    for (; m_seen.soundChanges < sounds.size(); ++m_seen.soundChanges) {
        const auto& change = sounds[m_seen.soundChanges];
        const bool hdmi = change.output == sim::SoundOutputModel::Output::Hdmi;
        Event event = makeEvent(change.time, EventKind::Sound, hdmi ? "now to HDMI" : "now to the speaker");
        event.value = hdmi ? 1 : 0;
        batch.push_back(std::move(event));
    }
    const auto& executes = peers.shell().executes();
    for (; m_seen.executes < executes.size(); ++m_seen.executes) {
        const auto& execute = executes[m_seen.executes];
        Event event =
            makeEvent(execute.time, EventKind::Program,
                      text::toUtf8(execute.file) +
                          (execute.parameters.empty() ? "" : " " + text::toUtf8(execute.parameters)) +
                          (execute.started ? "" : "   (could not be started)"));
        event.subject = text::toUtf8(execute.file);
        event.detail = text::toUtf8(execute.parameters);
        batch.push_back(std::move(event));
    }
    const auto& events = peers.events().events();
    for (; m_seen.events < events.size(); ++m_seen.events) {
        const auto& record = events[m_seen.events];
        const std::string name = eventName(record.code);
        if (!name.empty()) {
            Event event = makeEvent(record.time, EventKind::FirmwareEvent,
                                    name + " (" + hex(record.code, 4) + ")" +
                                        (record.delivered ? "" : ", no controller to take it"));
            event.value = record.code;
            batch.push_back(std::move(event));
        }
    }
    const auto& keyBatches = peers.keyboard().inputBatches();
    for (; m_seen.keyBatches < keyBatches.size(); ++m_seen.keyBatches) {
        const auto& input = keyBatches[m_seen.keyBatches];
        Event event = makeEvent(input.time, EventKind::Keys, "");
        event.subject = text::toUtf8(input.focusClass);
        event.detail = keyEventsText(input.events);
        event.text =
            event.detail + " to " + (event.subject.empty() ? std::string("no window") : event.subject);
        batch.push_back(std::move(event));
    }
    const auto& ejects = peers.media().ejects();
    for (; m_seen.ejects < ejects.size(); ++m_seen.ejects) {
        batch.push_back(makeEvent(ejects[m_seen.ejects], EventKind::Eject, "ejected"));
    }
    const auto& posts = m_world.desktop().posts();
    for (; m_seen.posts < posts.size(); ++m_seen.posts) {
        const auto& post = posts[m_seen.posts];
        if (post.message == platform::wm::kAppCommand) {
            const auto command = static_cast<std::uint32_t>((post.lParam >> 16) & 0x0FFF);
            Event event =
                makeEvent(post.time, EventKind::MediaCommand, mediaCommandName(command) + " to every window");
            event.value = command;
            batch.push_back(std::move(event));
        }
    }
    for (ControllerEntry& entry : m_controllers) {
        for (const auto& notice : entry.controller->noticesShownFrom(entry.dialogsSeen)) {
            Event event = makeEvent(notice.time, EventKind::Notification,
                                    notice.variant == 1
                                        ? "supported: the TV supports HDMI control"
                                        : "not supported: the TV does not support HDMI control, or is off");
            event.value = notice.variant;
            batch.push_back(std::move(event));
        }
        const auto& offered = entry.controller->menus().shown();
        for (; entry.launcherShown < offered.size(); ++entry.launcherShown) {
            const auto& showing = offered[entry.launcherShown];
            std::wstring entries;
            for (const auto& item : showing.entries) {
                entries += (entries.empty() ? L"" : L" | ") + item;
            }
            Event event = makeEvent(showing.time, EventKind::Launcher,
                                    "the control menu is offered: " + text::toUtf8(entries));
            event.subject = text::toUtf8(entries);
            batch.push_back(std::move(event));
        }
    }
}

void VirtualTarget::pollTv() {
    const sim::TvModel& tv = m_world.peers().tv();
    const bool on = tv.power() == sim::TvModel::Power::On;
    if (m_tvSeen.valid && m_tvSeen.on == on && m_tvSeen.input == tv.input()) {
        return;
    }
    const bool first = !m_tvSeen.valid;
    m_tvSeen = {on, tv.input(), true};
    if (first) {
        return; // the set-up, not a change
    }
    std::string text = on ? "on, " : "standby, ";
    text += tv.input() ? "input " + addressText(*tv.input()) : std::string("its tuner");
    if (tv.showsPc()) {
        text += ": showing the PC";
    }
    add(makeEvent(now(), EventKind::Tv, text));
}

std::uint32_t VirtualTarget::displayArrangement() {
    return m_world.peers().display().arrangement();
}

SoundOutput VirtualTarget::soundOutput() {
    return m_world.peers().sound().output() == sim::SoundOutputModel::Output::Hdmi ? SoundOutput::Hdmi
                                                                                   : SoundOutput::Speaker;
}

bool VirtualTarget::windowExists(const std::wstring& className, const std::wstring& title) {
    return m_world.desktop().find(className.c_str(), title.c_str()) != 0;
}

std::optional<RegistryData> VirtualTarget::registryValue(Hive hive, const std::wstring& path,
                                                         const std::wstring& name) {
    const std::optional<sim::RegValue> value = m_world.registry().getValue(hiveKey(hive), path, name);
    if (!value) {
        return std::nullopt;
    }
    return RegistryData{value->type, value->bytes};
}

TvState VirtualTarget::tvState() {
    const sim::TvModel& tv = m_world.peers().tv();
    return TvState{tv.power() == sim::TvModel::Power::On, tv.input(), tv.pcAddress(), tv.showsPc()};
}

bool VirtualTarget::controllerRunning() {
    return m_starting > 0 || runningController() != nullptr;
}

// ---- acting ----------------------------------------------------------------------------------

void VirtualTarget::startController(const std::wstring& commandLine) {
    collect();
    add(makeEvent(now(), EventKind::Controller,
                  "the controller starts" +
                      (commandLine.empty() ? std::string() : " with \"" + text::toUtf8(commandLine) + "\"")));
    auto controller = std::make_unique<simrun::SimController>(m_world, commandLine);
    --m_starting;
    const bool started = controller->started();
    m_controllers.push_back(ControllerEntry{std::move(controller)});
    if (started) {
        collect();
        add(makeEvent(now(), EventKind::Controller, "the controller's start-up is done"));
    } else {
        noteEnded();
    }
}

void VirtualTarget::postToController(const wchar_t* messageName, platform::WParam wParam,
                                     std::uint32_t fromProcess) {
    postToController(m_world.desktop().registerMessage(messageName), wParam, 0, fromProcess,
                     text::toUtf8(messageName));
}

void VirtualTarget::postToController(platform::MessageId message, platform::WParam wParam,
                                     platform::LParam lParam, std::uint32_t fromProcess,
                                     const std::string& what) {
    sim::SimDesktop& desktop = m_world.desktop();
    const platform::WindowHandle window = desktop.find(kMainWindowClass, kMainWindowTitle);
    if (window == 0 || !desktop.post(window, message, wParam, lParam, fromProcess)) {
        add(makeEvent(now(), EventKind::Note, "no controller window: " + what + " is lost"));
    }
}

std::string VirtualTarget::act(const Action& a) {
    sim::Peers& peers = m_world.peers();
    if (applyPeerAction(peers, m_world.firmware(), a)) {
        if (a.kind == ActionKind::TvState) {
            m_tvSeen.valid = false; // set without a frame: the timeline reports it afresh
        }
        return {};
    }
    if (const std::optional<ControllerPost> post = controllerPost(a)) {
        const platform::MessageId message =
            post->name.empty() ? post->message : m_world.desktop().registerMessage(post->name.c_str());
        postToController(message, post->wParam, post->lParam,
                         post->from == Sender::SettingsProgram ? kSettingsProcess : kApplicationProcess,
                         post->what);
        return {};
    }
    switch (a.kind) {
    case ActionKind::RegistrySet:
        return writeRegistryValue(m_world.registry(), a);
    case ActionKind::RegistryDeleteValue:
        m_world.registry().deleteValue(hiveKey(a.hive), a.path, a.name);
        break;
    case ActionKind::RegistryDeleteKey:
        m_world.registry().deleteKey(hiveKey(a.hive), a.path);
        break;
    case ActionKind::SoundChangerState:
        peers.shell().setSoundOutputModel(a.soundChanger == SoundChanger::Missing ? nullptr : &peers.sound());
        if (a.soundChanger == SoundChanger::Running) {
            peers.sound().startRunning();
        } else {
            peers.sound().stopRunning();
        }
        break;
    case ActionKind::LibraryRemove:
        m_world.libraries().removeLibrary(a.text);
        break;
    case ActionKind::FirmwareDevice:
        m_world.firmware().setDevicePresent(a.flag);
        break;
    case ActionKind::SystemLanguage:
        peers.locale().setLanguage(a.text);
        break;
    case ActionKind::SystemModel:
        peers.wmi().setModel(a.text);
        break;
    case ActionKind::MessageBoxReaction:
        m_world.desktop().setMessageBoxReaction(a.duration);
        break;
    case ActionKind::ControllerStart: {
        // The process starts now and runs its start-up on its own; the scenario goes on meanwhile.
        ++m_starting;
        m_world.clock().scheduleAfter(0, [this, line = a.text] { startController(line); });
        break;
    }
    case ActionKind::Suspend:
        m_world.suspend();
        break;
    case ActionKind::Resume:
        m_world.resume(static_cast<std::uint16_t>(a.value));
        break;
    case ActionKind::SessionLock:
        m_world.lockSession();
        break;
    case ActionKind::SessionUnlock:
        m_world.unlockSession();
        break;
    case ActionKind::SessionConsole:
        m_world.peers().session().setActiveConsoleSessionId(a.value);
        break;
    case ActionKind::SessionEvent:
        m_world.sessionEvent(a.value, a.address.value_or(1));
        break;
    case ActionKind::PowerEvent:
        m_world.powerEvent(a.value);
        break;
    case ActionKind::OutputKey:
        postToController(L"HDMIOUT_CHANGE_OUTPUT", 0, kOutswapProcess);
        break;
    case ActionKind::BridgeTurnOffTv:
        postToController(L"TVBRIDGEDLL_QUERY_TURN_OFF_TV", 0, kApplicationProcess);
        break;
    case ActionKind::BridgeChangeOutput:
        postToController(L"TVBRIDGEDLL_CHANGE_HDMI_OUTPUT", a.value, kApplicationProcess);
        break;
    case ActionKind::BridgeTvEnhancement:
        postToController(L"TVBRIDGEDLL_USE_TV_ENHANCEMENT", a.value, kApplicationProcess);
        break;
    case ActionKind::KeyPress:
        peers.keyboard().pressKey(static_cast<std::uint8_t>(a.value));
        break;
    case ActionKind::AppInstall:
        m_world.installApplication(a.text, a.name);
        break;
    case ActionKind::AppFront:
        m_world.bringToFront(a.text);
        break;
    case ActionKind::SettingsStart:
    case ActionKind::SettingsClick:
    case ActionKind::SettingsAbout:
        return actOnSettings(a);
    case ActionKind::NoticeAnswer:
        return answerNotice(static_cast<NoticeAnswer>(a.value));
    case ActionKind::MessageBoxAnswer:
        if (!m_world.desktop().answerMessageBox(static_cast<int>(a.value))) {
            return "no message box is open";
        }
        break;
    case ActionKind::AppEnd:
        if (!m_world.endApplication(a.text)) {
            return "no application has a window of class \"" + text::toUtf8(a.text) + "\"";
        }
        break;
    case ActionKind::MenuChoose: {
        simrun::SimMenus* menus = shownMenus();
        if (menus == nullptr || !menus->choose(a.text)) {
            return "no control menu with an entry \"" + text::toUtf8(a.text) + "\" is shown";
        }
        break;
    }
    case ActionKind::MenuKey: {
        simrun::SimMenus* menus = shownMenus();
        if (menus == nullptr || !menus->press(a.value)) {
            return "no control menu is shown";
        }
        break;
    }
    case ActionKind::ProgramStart:
    case ActionKind::ProgramRun:
        return "the machine's programs are started only in real time, against the real programs (in virtual "
               "time the applications are simulated: app install, app front)";
    case ActionKind::MeasureLatency:
    case ActionKind::MeasureIdle:
        return "measurements of real time and processor use are taken only in real time, against the real "
               "programs";
    default:
        break; // the steps on the peers, carried out above
    }
    return {};
}

} // namespace scenario

namespace scenario {

std::string VirtualTarget::actOnSettings(const Action& a) {
    if (a.kind == ActionKind::SettingsStart) {
        if (m_settings && m_settings->open()) {
            return "the settings program is already open";
        }
        m_settings = std::make_unique<SettingsProgram>(m_world, kSettingsProcess);
        return m_settings->start();
    }
    if (!m_settings) {
        return "the settings program has not been started";
    }
    return a.kind == ActionKind::SettingsAbout ? m_settings->openAbout()
                                               : m_settings->click(static_cast<int>(a.value));
}

std::optional<ScenarioTarget::SettingsBoxState> VirtualTarget::settingsBox(int id) {
    if (!m_settings) {
        return std::nullopt;
    }
    const std::optional<SettingsProgram::Box> box = m_settings->box(id);
    if (!box) {
        return std::nullopt;
    }
    return SettingsBoxState{box->checked, box->enabled};
}

std::optional<bool> VirtualTarget::settingsOpen() {
    return m_settings && m_settings->open();
}

std::optional<std::wstring> VirtualTarget::settingsAboutVersion() {
    return m_settings ? m_settings->aboutVersion() : std::nullopt;
}

std::optional<std::uint32_t> VirtualTarget::firmwareSetting(std::uint32_t number) {
    return m_world.firmware().setting(number);
}

} // namespace scenario
