// The simulated sound-output changer. Simulation.
#include "sim/SoundOutputModel.h"

#include "common/Text.h"

namespace sim {

SoundOutputModel::SoundOutputModel(VirtualClock& clock, SimDesktop& desktop, std::uint32_t processId)
    : m_clock(clock), m_desktop(desktop), m_processId(processId), m_actions(clock) {}

SoundOutputModel::~SoundOutputModel() {
    m_actions.cancelAll();
    stopRunning();
}

void SoundOutputModel::startRunning() {
    if (running()) {
        return;
    }
    SimDesktop::WindowInfo info;
    info.className = kWindowClass;
    info.title = kWindowTitle;
    info.processId = m_processId;
    // The desktop hands posted messages over later, through the clock: they must not reach a
    // model that is gone by then.
    std::weak_ptr<int> alive = m_lifetime;
    m_window = m_desktop.addModelWindow(info, [this, alive](const platform::Message& message) {
        if (alive.lock()) {
            onMessage(message);
        }
    });
}

void SoundOutputModel::stopRunning() {
    if (m_window != 0) {
        m_desktop.destroyWindow(m_window);
        m_window = 0;
    }
}

void SoundOutputModel::onMessage(const platform::Message& message) {
    const platform::MessageId changeSound = m_desktop.registerMessage(kMessageName);
    if (changeSound == 0 || message.message != changeSound) {
        return;
    }
    bool applied = true;
    if (message.wParam == kCodeHdmi) {
        apply(Output::Hdmi, Via::Message);
    } else if (message.wParam == kCodeSpeaker) {
        apply(Output::Speaker, Via::Message);
    } else {
        applied = false;
    }
    m_messages.push_back(Received{m_clock.now(), message.wParam, applied});
}

void SoundOutputModel::startProgram(const std::wstring& parameters) {
    const bool hdmi = text::equalsNoCase(parameters, L"/HDMI");
    const bool speaker = text::equalsNoCase(parameters, L"/SPEAKER");
    m_starts.push_back(Start{m_clock.now(), parameters, hdmi || speaker});
    if (hdmi || speaker) {
        m_actions.after(m_startDelay,
                        [this, hdmi] { apply(hdmi ? Output::Hdmi : Output::Speaker, Via::CommandLine); });
    }
}

void SoundOutputModel::setOutput(Output output) {
    apply(output, Via::World);
}

void SoundOutputModel::apply(Output output, Via via) {
    m_output = output;
    m_changes.push_back(Change{m_clock.now(), output, via});
}

} // namespace sim
