// The display library (display::Panelid with its four vendor back-ends and the Windows display
// configuration) on a simulated notebook chosen by the input - graphics kind and Windows
// version - whose drivers then answer as the input says: more adapters, targets of any output
// technology, arrangements with any positions, counts and records spoiled after every query,
// a configuration that changes between the size query and the query, ERROR_INSUFFICIENT_BUFFER
// answers, EDID blocks of any content, vendor interfaces that fail, lie about versions and
// counts or enumerate without end, blocking devices, a firmware that answers busy, registry
// values of the settings store of any type and size and display modes of any content. In
// between, the three exports run with any arguments: GetPanelid writes into a heap block of
// exactly 256 bytes (ASan reports a byte past it), and every result is one the library may give.
#include "common/FirmwareRecord.h"
#include "display/BlockingDevice.h"
#include "display/DisplaySettingsStore.h"
#include "sim/DisplayMachine.h"
#include "sim/SimFirmware.h"
#include "sim/VirtualClock.h"
#include "tests/fuzz/FuzzInput.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace {

using fuzzing::pick;

using Graphics = sim::DisplayMachine::Graphics;
using Edid = sim::DisplayMachine::Edid;

constexpr int kMaxSteps = 40;
constexpr std::size_t kMaxTargets = 12;

constexpr std::int32_t kTechnologies[] = {0, 1,  2,  3,  4,  5,  6,  8,
                                          9, 10, 11, 12, 13, 14, -1, static_cast<std::int32_t>(0x80000000)};
constexpr std::uint32_t kValues[] = {0x1,       0x2,        0x4,        0x8,        0x10,       0x20,
                                     0x40,      0x80,       0x100,      0x200,      0x400,      0x800,
                                     0x8000,    0x10000,    0x20000,    0x40000,    0x80000,    0x100000,
                                     0x200000,  0x400000,   0x800000,   0x1000000,  0x2000000,  0x4000000,
                                     0x8000000, 0x10000000, 0x20000000, 0x40000000, 0x80000000, 0};
constexpr std::uint32_t kNvidiaEntries[] = {
    platform::nv::id::kInitialize,
    platform::nv::id::kEnumDisplayHandle,
    platform::nv::id::kPhysicalGpusFromDisplay,
    platform::nv::id::kActiveOutputs,
    platform::nv::id::kConnectedOutputs,
    platform::nv::id::kConnectorInfo,
    platform::nv::id::kEdid,
    platform::nv::id::kDisplayDriverVersion,
    platform::nv::id::kGetView,
    platform::nv::id::kSetView,
    platform::nv::id::kSupportedViews,
    platform::nv::id::kEnumLogicalGpus,
    platform::nv::id::kEnumPhysicalGpus,
};
constexpr std::uint32_t kNvidiaOutputs[] = {0x1, 0x2, 0x100, 0x200, 0x10000, 0x20000, 0x40000, 0x80000};
constexpr std::uint32_t kNvidiaConnectors[] = {49, 64, 70, 71, 97, 0, 1000};
const wchar_t* const kStoreNames[] = {L"SleepTime",
                                      L"CF",
                                      L"CE",
                                      L"0_XResolution",
                                      L"0_YResolution",
                                      L"0_BitParPixel",
                                      L"0_RefreshRate",
                                      L"0_XPosition",
                                      L"0_YPosition",
                                      L"0_Rotation",
                                      L"1_XResolution",
                                      L"1_YResolution",
                                      L"1_BitParPixel",
                                      L"1_RefreshRate",
                                      L"1_XPosition",
                                      L"1_YPosition",
                                      L"1_Rotation"};
const char* const kDisplays[] = {"\\\\.\\DISPLAY1", "\\\\.\\DISPLAY2"};

// A table entry most of the time, any 32-bit value otherwise.
template <typename T, std::size_t N> T pickOrAny(FuzzedDataProvider& input, const T (&table)[N]) {
    return input.ConsumeIntegralInRange(0, 3) != 0 ? pick(input, table) : input.ConsumeIntegral<T>();
}

Edid edidFrom(FuzzedDataProvider& input) {
    Edid edid{};
    const std::vector<std::uint8_t> bytes =
        input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange(0, 256));
    std::copy(bytes.begin(), bytes.end(), edid.begin());
    return edid;
}

std::optional<Edid> maybeEdid(FuzzedDataProvider& input) {
    return input.ConsumeBool() ? std::optional<Edid>(edidFrom(input)) : std::nullopt;
}

// Overwrites a field of one of the records with input bytes: a driver that fills in what it likes.
template <typename Record> void scribble(FuzzedDataProvider& input, Record* records, std::uint32_t count) {
    if (count == 0) {
        return;
    }
    auto* bytes =
        reinterpret_cast<std::uint8_t*>(&records[input.ConsumeIntegralInRange<std::uint32_t>(0, count - 1)]);
    const std::size_t offset = input.ConsumeIntegralInRange<std::size_t>(0, sizeof(Record) - 1);
    const std::vector<std::uint8_t> data = input.ConsumeBytes<std::uint8_t>(
        input.ConsumeIntegralInRange<std::size_t>(1, sizeof(Record) - offset));
    if (!data.empty()) {
        std::memcpy(bytes + offset, data.data(), data.size());
    }
}

class DisplayFuzz {
public:
    DisplayFuzz(FuzzedDataProvider& input, Graphics graphics, bool vista)
        : m_input(input), m_firmware(m_clock), m_machine(m_clock, m_firmware, graphics, vista) {
        m_targets = m_machine.displayConfig().targets().size();
        m_firmware.setHdmiConnected(input.ConsumeBool());
        m_machine.setHdmiConnected(input.ConsumeBool(), edidFrom(input));
    }

    void step() {
        switch (m_input.ConsumeIntegralInRange(0, 13)) {
        case 0:
            configHardware();
            break;
        case 1:
            configFaults();
            break;
        case 2:
            spoilAnswers();
            break;
        case 3:
            m_machine.setHdmiConnected(m_input.ConsumeBool(), edidFrom(m_input));
            break;
        case 4:
            amdFirst();
            break;
        case 5:
            nvidia();
            break;
        case 6:
            intel();
            break;
        case 7:
            amdSecond();
            break;
        case 8:
            devicesAndFirmware();
            break;
        case 9:
            storeValue();
            break;
        case 10:
            displayModes();
            break;
        case 11:
            getPanelid();
            break;
        case 12:
            getMonitorDevice();
            break;
        default:
            setMonitorDevice();
            break;
        }
    }

private:
    std::size_t anyTarget() { return m_input.ConsumeIntegralInRange<std::size_t>(0, m_targets - 1); }

    void configHardware() {
        sim::SimDisplayConfig& config = m_machine.displayConfig();
        switch (m_input.ConsumeIntegralInRange(0, 6)) {
        case 0:
            if (m_targets < kMaxTargets) {
                config.addTarget(m_input.ConsumeIntegralInRange<std::uint32_t>(0, 3),
                                 m_input.ConsumeIntegral<std::uint32_t>(), pickOrAny(m_input, kTechnologies),
                                 m_input.ConsumeBool());
                ++m_targets;
            }
            break;
        case 1:
            config.setConnected(anyTarget(), m_input.ConsumeBool());
            break;
        case 2: {
            std::vector<std::pair<std::size_t, std::uint32_t>> arrangement;
            for (int n = m_input.ConsumeIntegralInRange(0, 3); n > 0; --n) {
                arrangement.emplace_back(anyTarget(), m_input.ConsumeIntegralInRange<std::uint32_t>(0, 3));
            }
            config.arrange(arrangement);
            break;
        }
        case 3: {
            std::vector<sim::SimDisplayConfig::ActiveDisplay> active;
            for (int n = m_input.ConsumeIntegralInRange(0, 3); n > 0; --n) {
                active.push_back(
                    {anyTarget(), m_input.ConsumeIntegralInRange<std::uint32_t>(0, 4),
                     m_input.ConsumeIntegral<std::int32_t>(), m_input.ConsumeIntegral<std::int32_t>(),
                     m_input.ConsumeIntegral<std::uint32_t>(), m_input.ConsumeIntegral<std::uint32_t>()});
            }
            config.setActive(active);
            break;
        }
        case 4:
            config.setAdapterCount(m_input.ConsumeIntegralInRange<std::uint32_t>(0, 4));
            config.setSourcesPerAdapter(m_input.ConsumeIntegralInRange<std::uint32_t>(0, 4));
            break;
        case 5:
            config.setDriverModel(m_input.ConsumeIntegralInRange<std::uint32_t>(0, 4),
                                  m_input.ConsumeBool() ? m_input.ConsumeIntegral<std::uint32_t>() : 1000);
            break;
        default:
            config.setReportedTechnology(anyTarget(), pickOrAny(m_input, kTechnologies));
            break;
        }
    }

    void configFaults() {
        sim::SimDisplayConfig& config = m_machine.displayConfig();
        switch (m_input.ConsumeIntegralInRange(0, 5)) {
        case 0:
            config.failQueriesWithInsufficientBuffer(m_input.ConsumeIntegralInRange(0, 12));
            break;
        case 1:
            config.refuseValidation(m_input.ConsumeBool(), m_input.ConsumeBool());
            break;
        case 2:
            config.refuseExtendedToExtended(m_input.ConsumeBool());
            break;
        case 3:
            config.setAvailable(m_input.ConsumeBool());
            break;
        case 4: { // a display plugged or unplugged between the size query and the query
            const std::size_t target = anyTarget();
            const bool connected = m_input.ConsumeBool();
            const bool rearrange = m_input.ConsumeBool();
            config.onNextQuery([&config, target, connected, rearrange] {
                config.setConnected(target, connected);
                if (rearrange) {
                    config.arrange({{target, 0}});
                }
            });
            break;
        }
        default: {
            const auto major = m_input.ConsumeIntegralInRange<std::uint32_t>(0, 11);
            m_machine.os().set(major, m_input.ConsumeIntegralInRange<std::uint32_t>(0, 3));
            break;
        }
        }
    }

    // The driver's answers spoiled from the input bytes taken now, so that every later query
    // gets the same spoiling.
    void spoilAnswers() {
        auto plan = std::make_shared<std::vector<std::uint8_t>>(
            m_input.ConsumeBytes<std::uint8_t>(m_input.ConsumeIntegralInRange<std::size_t>(0, 96)));
        if (plan->empty()) {
            m_machine.displayConfig().spoilAnswers(nullptr, nullptr);
            return;
        }
        m_machine.displayConfig().spoilAnswers(
            [plan](std::uint32_t& paths, std::uint32_t& modes) {
                FuzzedDataProvider spoil(plan->data(), plan->size());
                switch (spoil.ConsumeIntegralInRange(0, 3)) {
                case 1: // a few more, or fewer
                    paths = static_cast<std::uint32_t>(paths + spoil.ConsumeIntegralInRange(-3, 3));
                    modes = static_cast<std::uint32_t>(modes + spoil.ConsumeIntegralInRange(-3, 3));
                    break;
                case 2:
                    paths = spoil.ConsumeIntegralInRange<std::uint32_t>(0, 4096);
                    modes = spoil.ConsumeIntegralInRange<std::uint32_t>(0, 4096);
                    break;
                case 3: // counts no driver has
                    paths = spoil.ConsumeIntegral<std::uint32_t>();
                    modes = spoil.ConsumeIntegral<std::uint32_t>();
                    break;
                default:
                    break;
                }
            },
            [plan](platform::DisplayConfigPathInfo* paths, std::uint32_t pathCapacity,
                   std::uint32_t& pathCount, platform::DisplayConfigModeInfo* modes,
                   std::uint32_t modeCapacity, std::uint32_t& modeCount) {
                FuzzedDataProvider spoil(plan->data(), plan->size());
                spoil.ConsumeIntegralInRange(0, 3); // the size spoiler's choice
                for (int n = spoil.ConsumeIntegralInRange(0, 6); n > 0 && spoil.remaining_bytes() > 0; --n) {
                    if (spoil.ConsumeBool()) {
                        scribble(spoil, paths, std::min(pathCount, pathCapacity));
                    } else {
                        scribble(spoil, modes, std::min(modeCount, modeCapacity));
                    }
                }
                if (spoil.ConsumeBool()) { // counts beyond what was written
                    pathCount = spoil.ConsumeIntegral<std::uint32_t>();
                    modeCount = spoil.ConsumeIntegral<std::uint32_t>();
                }
            });
    }

    void amdFirst() {
        sim::SimAmdDisplayLibrary& adl = m_machine.amdFirstInterface();
        switch (m_input.ConsumeIntegralInRange(0, 4)) {
        case 0:
            adl.setEdidFails(m_input.ConsumeBool());
            break;
        case 1:
            adl.setEntriesMissing(m_input.ConsumeBool());
            break;
        case 2:
            adl.setCreateFails(m_input.ConsumeBool());
            break;
        case 3:
            if (adl.adapters().size() < 4) {
                adl.adapters().push_back(
                    {m_input.ConsumeIntegral<std::int32_t>(), m_input.ConsumeBool(), {}});
            }
            break;
        default: {
            auto& adapter =
                adl.adapters()[m_input.ConsumeIntegralInRange<std::size_t>(0, adl.adapters().size() - 1)];
            if (adapter.displays.size() < 6) {
                adapter.displays.push_back({m_input.ConsumeIntegral<std::int32_t>(),
                                            m_input.ConsumeIntegralInRange<std::int32_t>(-1, 16),
                                            m_input.ConsumeBool(), m_input.ConsumeBool(),
                                            maybeEdid(m_input)});
            }
            break;
        }
        }
    }

    void nvidia() {
        sim::SimNvidiaDisplay& nv = m_machine.nvidia();
        switch (m_input.ConsumeIntegralInRange(0, 11)) {
        case 0:
            nv.setInitializeResult(m_input.ConsumeIntegral<std::int32_t>());
            break;
        case 1:
            nv.removeEntry(pick(m_input, kNvidiaEntries));
            break;
        case 2:
            nv.setAnswerVersion(pick(m_input, kNvidiaEntries), m_input.ConsumeIntegral<std::uint32_t>());
            break;
        case 3:
            nv.setReportedGpuCount(
                m_input.ConsumeBool() ? std::optional<std::uint32_t>(m_input.ConsumeIntegral<std::uint32_t>())
                                      : std::nullopt);
            nv.setReportedViewCount(
                m_input.ConsumeBool() ? std::optional<std::uint32_t>(m_input.ConsumeIntegral<std::uint32_t>())
                                      : std::nullopt);
            nv.setReportedViewModeCount(
                m_input.ConsumeBool() ? std::optional<std::uint32_t>(m_input.ConsumeIntegral<std::uint32_t>())
                                      : std::nullopt);
            break;
        case 4:
            nv.setExtraMaskBits(m_input.ConsumeIntegral<std::uint32_t>());
            break;
        case 5:
            nv.refuseViews(m_input.ConsumeIntegralInRange(0, 14));
            break;
        case 6: {
            sim::SimNvidiaDisplay::View view;
            for (int n = m_input.ConsumeIntegralInRange(0, 3); n > 0; --n) {
                view.masks.push_back(pickOrAny(m_input, kNvidiaOutputs));
            }
            view.mode = m_input.ConsumeIntegralInRange<std::uint32_t>(0, 5);
            nv.setView(view);
            break;
        }
        case 7:
            nv.setDisplayHandleCount(m_input.ConsumeIntegralInRange<std::uint32_t>(0, 200));
            break;
        case 8: {
            std::vector<std::uint32_t> modes;
            for (int n = m_input.ConsumeIntegralInRange(0, 5); n > 0; --n) {
                modes.push_back(m_input.ConsumeIntegralInRange<std::uint32_t>(0, 5));
            }
            nv.setSupportedViews(modes);
            break;
        }
        case 9:
            nv.setGpuCounts(m_input.ConsumeIntegralInRange<std::uint32_t>(0, 70),
                            m_input.ConsumeIntegralInRange<std::uint32_t>(0, 70));
            break;
        case 10:
            nv.setEdidFails(m_input.ConsumeBool());
            break;
        default:
            if (nv.outputs().size() < 10) {
                const std::uint32_t mask = pickOrAny(m_input, kNvidiaOutputs);
                nv.outputs().push_back(
                    {mask, pickOrAny(m_input, kNvidiaConnectors), m_input.ConsumeBool(), maybeEdid(m_input),
                     m_input.ConsumeBool() ? std::optional<std::size_t>(anyTarget()) : std::nullopt});
            }
            break;
        }
    }

    void intel() {
        sim::SimIntelDisplay& igfx = m_machine.intel();
        switch (m_input.ConsumeIntegralInRange(0, 8)) {
        case 0:
            igfx.setComFails(m_input.ConsumeBool());
            break;
        case 1:
            igfx.setInterfaceMissing(m_input.ConsumeBool() ? platform::IntelInterface::PresenceTest
                                                           : platform::IntelInterface::Edid,
                                     m_input.ConsumeBool());
            break;
        case 2:
            igfx.setEnumerationFails(m_input.ConsumeBool() ? u"\\\\.\\Display1" : u"\\\\.\\Display2",
                                     m_input.ConsumeBool());
            break;
        case 3:
            igfx.setEdidFails(m_input.ConsumeBool());
            break;
        case 4:
            igfx.setEdidStatus(m_input.ConsumeIntegral<std::uint32_t>());
            break;
        case 5:
            igfx.setEndlessEnumeration(m_input.ConsumeBool());
            break;
        case 6:
            igfx.setReportedType(anyTarget(), m_input.ConsumeIntegralInRange<std::uint32_t>(0, 9));
            break;
        case 7:
            igfx.setEdid(anyTarget(), maybeEdid(m_input));
            break;
        default:
            igfx.setRegistered(m_input.ConsumeBool());
            break;
        }
    }

    void amdSecond() {
        sim::SimAmdSecondDisplay& pdl = m_machine.amdSecondInterface();
        switch (m_input.ConsumeIntegralInRange(0, 9)) {
        case 0:
            pdl.setEntriesMissing(m_input.ConsumeBool());
            break;
        case 1:
            pdl.setEdidFails(m_input.ConsumeBool());
            break;
        case 2:
            pdl.setConfigurationFails(m_input.ConsumeBool());
            break;
        case 3:
            pdl.setDeviceConfigSize(m_input.ConsumeIntegral<std::uint32_t>());
            break;
        case 4:
            pdl.setEnumerationEndless(m_input.ConsumeBool());
            break;
        case 5:
            pdl.setPhantomConfigurationBits(m_input.ConsumeIntegral<std::uint32_t>());
            break;
        case 6:
            pdl.setRefusesSwitches(m_input.ConsumeBool());
            break;
        case 7:
            pdl.setOldDriver(m_input.ConsumeBool());
            break;
        case 8:
            pdl.setAdapter(m_input.ConsumeIntegralInRange<std::int32_t>(-1, 3));
            break;
        default:
            if (pdl.displays().size() < 8) {
                pdl.displays().push_back(
                    {m_input.ConsumeIntegralInRange<std::uint32_t>(0, 8),
                     m_input.ConsumeIntegralInRange<std::uint32_t>(0, 12),
                     m_input.ConsumeBool() ? std::optional<std::size_t>(anyTarget()) : std::nullopt,
                     maybeEdid(m_input)});
            }
            break;
        }
    }

    void devicesAndFirmware() {
        switch (m_input.ConsumeIntegralInRange(0, 6)) {
        case 0:
            m_machine.devices().addDevice(m_input.ConsumeBool() ? display::kBlockingDeviceClass
                                                                : platform::Guid{});
            break;
        case 1:
            m_machine.devices().setListUnavailable(m_input.ConsumeBool());
            break;
        case 2:
            m_machine.devices().failAt(m_input.ConsumeIntegralInRange<std::uint32_t>(0, 3),
                                       m_input.ConsumeIntegral<platform::ErrorCode>());
            break;
        case 3:
            m_firmware.setHdmiConnected(m_input.ConsumeBool());
            break;
        case 4: // the firmware busy, failing or answering with any status
            m_firmware.injectStatus(fw::kReadRegister, m_input.ConsumeIntegral<std::uint32_t>(),
                                    m_input.ConsumeIntegralInRange(1, 12));
            break;
        case 5:
            m_firmware.setTransportFailing(m_input.ConsumeBool());
            break;
        default:
            m_firmware.setDevicePresent(m_input.ConsumeBool());
            break;
        }
    }

    // A value of the settings store, in the key itself or an arrangement's subkey.
    void storeValue() {
        std::wstring key = display::store::kKey;
        if (m_input.ConsumeBool()) {
            wchar_t sub[24];
            std::swprintf(sub, std::size(sub), L"Mon%08X",
                          static_cast<unsigned>(pickOrAny(m_input, kValues)));
            key += sub;
        }
        std::wstring name;
        if (m_input.ConsumeIntegralInRange(0, 7) != 0) {
            name = pick(m_input, kStoreNames);
        } else {
            const std::string bytes = m_input.ConsumeRandomLengthString(40);
            name = fuzzing::utf16Text(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        }
        const auto type = m_input.ConsumeIntegralInRange<std::uint32_t>(0, 12);
        std::vector<std::uint8_t> data = m_input.ConsumeBytes<std::uint8_t>(
            m_input.ConsumeBool() ? m_input.ConsumeIntegralInRange<std::size_t>(0, 8)
                                  : m_input.ConsumeIntegralInRange<std::size_t>(0, 600));
        m_machine.registry().setValue(platform::kHkeyCurrentUser, key, name, type, data);
    }

    platform::DisplayMode mode() {
        platform::DisplayMode mode;
        if (m_input.ConsumeBool()) { // an ordinary mode
            mode.pelsWidth = m_input.ConsumeBool() ? 1920 : 1366;
            mode.pelsHeight = m_input.ConsumeBool() ? 1080 : 768;
            mode.bitsPerPel = 32;
            mode.displayFrequency = 60;
            mode.orientation = m_input.ConsumeIntegralInRange<std::uint32_t>(0, 3);
            return mode;
        }
        const std::vector<std::uint8_t> bytes = m_input.ConsumeBytes<std::uint8_t>(sizeof(mode));
        if (!bytes.empty()) {
            std::memcpy(&mode, bytes.data(), bytes.size());
        }
        return mode;
    }

    void displayModes() {
        const std::string device = kDisplays[m_input.ConsumeIntegralInRange(0, 1)];
        sim::SimDisplaySettings& settings = m_machine.displaySettings();
        switch (m_input.ConsumeIntegralInRange(0, 3)) {
        case 0: {
            std::vector<platform::DisplayMode> modes;
            for (int n = m_input.ConsumeIntegralInRange(0, 6); n > 0; --n) {
                modes.push_back(mode());
            }
            settings.addDevice(device, modes, mode());
            m_modeDevices |= 1u << (device.back() - '1');
            break;
        }
        case 1:
            if ((m_modeDevices & (1u << (device.back() - '1'))) != 0) {
                settings.failCurrentReads(device, m_input.ConsumeIntegralInRange(0, 8));
            }
            break;
        case 2:
            settings.setChangeResult(m_input.ConsumeIntegralInRange(-8, 2));
            break;
        default:
            settings.setApplyResult(m_input.ConsumeIntegralInRange(-8, 2));
            break;
        }
    }

    void getPanelid() {
        // Exactly 256 bytes on the heap, so that a byte written past them is an ASan report.
        auto edid = std::make_unique<std::uint8_t[]>(display::kEdidBufferSize);
        const std::int32_t result = m_machine.getPanelid(edid.get());
        FUZZ_CHECK(result >= display::result::kInterfaceFailed && result <= display::result::kHdmiInUse);
    }

    void getMonitorDevice() {
        const std::int32_t result = m_machine.getMonitorDevice();
        if (result == -1) {
            return;
        }
        // One arrangement, without the bits the library keeps to itself.
        const auto value = static_cast<std::uint32_t>(result);
        FUZZ_CHECK(std::popcount(value) <= 1);
        FUZZ_CHECK((value & 0x80018000u) == 0);
    }

    void setMonitorDevice() {
        const std::int32_t result = m_machine.setMonitorDevice(pickOrAny(m_input, kValues));
        FUZZ_CHECK(result == display::result::kHandled || result == display::result::kNoBackend);
    }

    FuzzedDataProvider& m_input;
    sim::VirtualClock m_clock;
    sim::SimFirmware m_firmware;
    sim::DisplayMachine m_machine;
    std::size_t m_targets = 0;
    unsigned m_modeDevices = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto graphics = static_cast<Graphics>(input.ConsumeIntegralInRange(0, 4));
    DisplayFuzz fuzz(input, graphics, input.ConsumeBool());
    for (int i = 0; i < kMaxSteps && input.remaining_bytes() > 0; ++i) {
        fuzz.step();
    }
    return 0;
}
