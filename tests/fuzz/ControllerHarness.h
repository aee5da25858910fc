// The controller fuzz targets' common harness: the controller in the simulated world, with
// registry values of any type and size under its keys before it starts, and events of the
// world drawn from the input - frames from the TV, event codes of the firmware, corrupted
// replies of the CEC controller and failing firmware calls, registered, private and system
// window messages with any parameters posted by another program, remote keys, cable, power and
// session events. The trace log is fully on, so every line it formats is exercised too.
#pragma once

#include "sim/SimWorld.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/TraceCapture.h"
#include "tools/simrun/Installation.h"
#include "tools/simrun/SimController.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fuzzing::controller {

inline constexpr int kMaxValues = 4;
inline constexpr std::uint64_t kMaxWaitMs = 10000;

inline const wchar_t* const kKeys[] = {
    L"SOFTWARE\\KORVATH\\Sentrixd",
    L"SOFTWARE\\KORVATH\\Sentrixd\\Setting",
    L"SOFTWARE\\KORVATH\\Sentrixd\\TRACELOG",
    L"SOFTWARE\\KORVATH\\Sentrixd\\TRACELOG\\Sentrixd",
};
inline const wchar_t* const kValueNames[] = {
    L"CECCLogicDevice",
    L"CECCOperationMode",
    L"CECCSupportFeature",
    L"CECControlStatusTimer",
    L"CurrentVersion",
    L"DisplayChangeExecWait",
    L"DisplayChangeTimeDiff",
    L"DisplayChangeTimeRetry",
    L"EnableTunerControl",
    L"EnabledForMCE",
    L"LOG_ERROR",
    L"LOG_FUNC",
    L"LOG_TRACE",
    L"LauncherShowMode",
    L"NotifyNotShowCecKorvath",
    L"NotifyNotShowNotSupport",
    L"NotifyWaitTime",
    L"NotifyWaitTimeInit",
    L"TraceLogFilePath",
    L"",
};
inline const wchar_t* const kRegisteredMessages[] = {
    L"SENTRIXSET_CHANGED",
    L"TVBRIDGEDLL_USE_TV_ENHANCEMENT",
    L"SENTRIX_CHANGESOUND",
    L"QUICKMENU_NOTIFY_LAUNCH_ALDER",
    L"QUICKMENU_NOTIFY_LAUNCH_BIRCH",
    L"QUICKMENU_NOTIFY_LAUNCH_CEDAR",
    L"QUICKMENU_NOTIFY_LAUNCH_POWERCINEMA",
    L"QUICKMENU_NOTIFY_LAUNCH_WINDVD",
    L"QUICKMENU_NOTIFY_LAUNCH_MEDIACENTER",
    L"QUICKMENU_NOTIFY_CLOSE_BIRCH",
    L"QUICKMENU_NOTIFY_CLOSE_MENU",
    L"KORVATH_TILES_RELOAD_CONFIG",
    L"KORVATH_TILES_NOTIFY_EVENT",
};
// Private messages of the controller and system messages another program can post.
inline constexpr platform::MessageId kMessages[] = {
    0x8483, 0x8484, 0x8485, 0x8486, 0x1501, // private
    0x0001, 0x0002, 0x000F, 0x0010, 0x0011, 0x0012, 0x0016, 0x0082,
    0x0110, 0x0111, 0x0112, 0x0113, 0x0218, 0x0219, 0x02B1, 0x0400,
};

// The CEC controller's registers as the firmware reaches them, with replies and status words
// replaced by the input when it asks for that.
class CorruptingCecc final : public sim::CeccRegisters {
public:
    explicit CorruptingCecc(sim::CeccRegisters& model) : m_model(model) {}

    struct Fault {
        std::uint8_t kind; // 0: read reply words, 1: command status, 2: transmit status
        std::array<std::uint32_t, 6> words;
    };
    void arm(const Fault& fault) {
        if (m_faults.size() < 8) {
            m_faults.push_back(fault);
        }
    }

    std::uint32_t command(std::uint8_t code, const std::uint8_t* payload, std::size_t length) override {
        const std::uint32_t status = m_model.command(code, payload, length);
        return take(1) ? m_taken.words[0] : status;
    }
    std::uint32_t transmit(const std::uint8_t* frame, std::size_t length) override {
        const std::uint32_t status = m_model.transmit(frame, length);
        return take(2) ? m_taken.words[0] : status;
    }
    std::uint32_t read(std::uint32_t selector, FirmwareRecord& reply) override {
        const std::uint32_t status = m_model.read(selector, reply);
        if (!take(0)) {
            return status;
        }
        reply.w1 = m_taken.words[1];
        reply.w2 = m_taken.words[2];
        reply.w3 = m_taken.words[3];
        reply.w4 = m_taken.words[4];
        reply.w5 = m_taken.words[5];
        return m_taken.words[0];
    }

private:
    bool take(std::uint8_t kind) {
        if (m_faults.empty() || m_faults.front().kind != kind) {
            return false;
        }
        m_taken = m_faults.front();
        m_faults.pop_front();
        return true;
    }
    sim::CeccRegisters& m_model;
    std::deque<Fault> m_faults;
    Fault m_taken{};
};

inline std::wstring wideName(FuzzedDataProvider& input) {
    if (input.ConsumeBool()) {
        return kValueNames[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kValueNames) - 1)];
    }
    const std::string bytes = input.ConsumeRandomLengthString(80);
    return fuzzing::utf16Text(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

inline void writeValues(FuzzedDataProvider& input, sim::SimRegistry& registry) {
    const int count = input.ConsumeIntegralInRange(0, kMaxValues);
    for (int i = 0; i < count; ++i) {
        const platform::RegKey hive =
            input.ConsumeBool() ? platform::kHkeyCurrentUser : platform::kHkeyLocalMachine;
        const wchar_t* key = kKeys[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kKeys) - 1)];
        const std::wstring name = wideName(input);
        const std::uint32_t type = input.ConsumeIntegralInRange<std::uint32_t>(0, 12);
        const std::size_t size = input.ConsumeIntegralInRange<std::size_t>(0, 1100);
        std::vector<std::uint8_t> data = input.ConsumeBytes<std::uint8_t>(size);
        registry.setValue(hive, key, name, type, data);
    }
}

inline void playEvent(FuzzedDataProvider& input, sim::SimWorld& world, simrun::SimController& controller,
                      CorruptingCecc& cecc) {
    switch (input.ConsumeIntegralInRange(0, 10)) {
    case 0: { // a frame from the TV
        sim::CecFrame frame;
        frame.length = input.ConsumeIntegralInRange<std::size_t>(1, sim::kCecMaxFrame);
        for (std::size_t i = 0; i < frame.length; ++i) {
            frame.bytes[i] = input.ConsumeIntegral<std::uint8_t>();
        }
        world.peers().tv().sendRaw(frame);
        break;
    }
    case 1:
        world.peers().events().post(input.ConsumeIntegral<std::uint32_t>());
        break;
    case 2: {
        CorruptingCecc::Fault fault{};
        fault.kind = input.ConsumeIntegralInRange<std::uint8_t>(0, 2);
        for (std::uint32_t& word : fault.words) {
            word = input.ConsumeIntegral<std::uint32_t>();
        }
        cecc.arm(fault);
        break;
    }
    case 3: {
        const wchar_t* name = kRegisteredMessages[input.ConsumeIntegralInRange<std::size_t>(
            0, std::size(kRegisteredMessages) - 1)];
        const auto wParam = input.ConsumeIntegral<platform::WParam>();
        const auto lParam = input.ConsumeIntegral<platform::LParam>();
        controller.post(world.desktop().registerMessage(name), wParam, lParam);
        break;
    }
    case 4: {
        const platform::MessageId message =
            input.ConsumeBool()
                ? kMessages[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kMessages) - 1)]
                : input.ConsumeIntegral<std::uint16_t>();
        const auto wParam = input.ConsumeIntegral<platform::WParam>();
        const auto lParam = input.ConsumeIntegral<platform::LParam>();
        controller.post(message, wParam, lParam);
        break;
    }
    case 5:
        world.peers().remoteKey(input.ConsumeIntegral<std::uint8_t>());
        break;
    case 6:
        if (input.ConsumeBool()) {
            world.peers().plugCable();
        } else {
            world.peers().unplugCable();
        }
        break;
    case 7:
        if (input.ConsumeBool()) {
            world.suspend();
        } else {
            // While the session is locked the controller's resume waits for the unlock, which
            // the simulated world can only give between events: a resume comes unlocked.
            world.unlockSession();
            world.resume(input.ConsumeIntegral<std::uint16_t>());
        }
        break;
    case 8:
        if (input.ConsumeBool()) {
            world.lockSession();
        } else {
            world.unlockSession();
        }
        break;
    case 9: // a firmware function answering with a status of its own
        world.firmware().injectStatus(input.ConsumeIntegralInRange<std::uint32_t>(0, 16),
                                      input.ConsumeIntegral<std::uint32_t>(),
                                      input.ConsumeIntegralInRange(1, 4));
        break;
    default: { // the CEC controller busy or failing
        auto& model = world.peers().cecc();
        switch (input.ConsumeIntegralInRange(0, 2)) {
        case 0:
            model.setBusy(input.ConsumeIntegralInRange(0, 8));
            break;
        case 1:
            model.failNext(input.ConsumeIntegralInRange(0, 8));
            break;
        default:
            model.setNeverAnswers(input.ConsumeBool());
            break;
        }
        break;
    }
    }
}

// The product installed in a simulated world with the trace log fully on, registry values from
// the input, the CEC controller's replies open to corruption, the cable plugged or not; then
// the controller started and run for its start-up.
class ControllerRun {
public:
    explicit ControllerRun(FuzzedDataProvider& input) {
        FUZZ_CHECK(simrun::installProduct(world));
        m_trace.emplace(world.registry(), world.clock(), world.files(), world.threads());
        writeValues(input, world.registry());
        world.firmware().attachCecc(&cecc);
    }
    ~ControllerRun() {
        controller.reset();
        world.firmware().attachCecc(&world.peers().cecc());
    }
    ControllerRun(const ControllerRun&) = delete;
    ControllerRun& operator=(const ControllerRun&) = delete;

    // Starts the controller, once more registry values were written if the caller had any.
    void start(FuzzedDataProvider& input) {
        if (input.ConsumeBool()) {
            world.peers().plugCable();
        }
        world.clock().advanceTo(world.clock().now() + 3000);
        controller = std::make_unique<simrun::SimController>(world);
        controller->runFor(20000);
    }
    bool running() const { return controller != nullptr && controller->running(); }
    // One event of the world, then a wait of at most kMaxWaitMs.
    void play(FuzzedDataProvider& input) {
        playEvent(input, world, *controller, cecc);
        wait(input);
    }
    void wait(FuzzedDataProvider& input) {
        controller->runFor(input.ConsumeIntegralInRange<std::uint64_t>(0, kMaxWaitMs));
    }

    sim::SimWorld world;

private:
    std::optional<testing_support::TraceCapture> m_trace;

public:
    CorruptingCecc cecc{world.peers().cecc()};
    std::unique_ptr<simrun::SimController> controller;
};

} // namespace fuzzing::controller
