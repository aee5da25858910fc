// The firmware simulator's hardware driven by a controllable "real" clock: the virtual clock
// follows it, the pipe's messages are served by kind (firmware records, NVIDIA interface calls,
// anything else ends the connection), event posts and frame requests carry real-time stamps,
// and the timeline decodes the bus and the events.
#include "tools/firmware-sim/SimulatedHardware.h"
#include "tools/firmware-sim/SimulatorProtocol.h"

#include "common/FirmwareRecord.h"
#include "platform/AmdDisplayLibrary.h"
#include "platform/AmdSecondDisplayInterface.h"
#include "platform/IntelDisplayInterface.h"
#include "platform/NvidiaDisplayInterface.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace protocol = fwsim::protocol;

struct RecordingSink final : sim::EventSink {
    std::vector<std::uint32_t> codes;
    bool deliver(std::uint32_t code) override {
        codes.push_back(code);
        return true;
    }
};

class SimulatedHardwareTest : public ::testing::Test {
protected:
    SimulatedHardwareTest() { hardware.setEventSink(&sink); }

    void advanceMs(std::uint64_t ms) {
        microseconds += ms * 1000;
        hardware.driver().pump();
    }
    std::vector<std::uint8_t> firmwareRequest(const FirmwareRecord& record) {
        platform::FirmwareBytes bytes;
        record.toBytes(bytes);
        return std::vector<std::uint8_t>(bytes, bytes + sizeof bytes);
    }
    std::optional<FirmwareRecord> callFirmware(platform::DeviceHandle device, const FirmwareRecord& record) {
        const std::vector<std::uint8_t> request = firmwareRequest(record);
        const auto reply = hardware.serve(device, request.data(), request.size());
        if (!reply || reply->size() != protocol::kFirmwareMessageSize) {
            return std::nullopt;
        }
        platform::FirmwareBytes bytes;
        std::copy(reply->begin(), reply->end(), bytes);
        return FirmwareRecord::fromBytes(bytes);
    }
    std::atomic<std::uint64_t> microseconds{5'000'000};
    fwsim::SimulatedHardware hardware{[this] { return microseconds.load(); }};
    RecordingSink sink;
    platform::DeviceHandle device = hardware.connect();
};

TEST_F(SimulatedHardwareTest, VirtualTimeFollowsTheRealClockAndRunsWhatIsDue) {
    EXPECT_EQ(hardware.driver().elapsedMicroseconds(), 0u);
    hardware.driver().withWorld([&] { hardware.peers().plugCable(); });
    advanceMs(99);
    EXPECT_TRUE(sink.codes.empty());
    microseconds += 999; // 99.999 ms: not yet a whole millisecond more
    hardware.driver().pump();
    EXPECT_TRUE(sink.codes.empty());
    microseconds += 1;
    EXPECT_EQ(hardware.driver().pump(), 100u);
    EXPECT_EQ(sink.codes, std::vector<std::uint32_t>{0x1581});
    ASSERT_EQ(hardware.stamps().size(), 1u);
    EXPECT_EQ(hardware.stamps()[0].kind, fwsim::SimulatedHardware::Stamp::Kind::EventPosted);
    EXPECT_EQ(hardware.stamps()[0].microseconds, 100'000u);

    // Any access catches up with real time before it works on the world.
    microseconds += 2'500'000;
    EXPECT_EQ(hardware.driver().withWorld([&] { return hardware.clock().now(); }), 2600u);
    EXPECT_TRUE(hardware.driver().waitFor([&] { return hardware.clock().now() == 2600; }, 0));
}

TEST_F(SimulatedHardwareTest, FirmwareRecordsAreServedByTheSimulatedFirmware) {
    ASSERT_NE(device, platform::kInvalidDevice);
    FirmwareRecord status;
    status.w0 = fw::kReadRegister;
    status.w1 = fw::kRegisterDisplayOutput;
    status.w2 = fw::kSelectorDisplayOutput;
    auto reply = callFirmware(device, status);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->w0, 0u);
    EXPECT_EQ(reply->w3 & fw::kDisplayOutputHdmiBit, 0u);
    hardware.driver().withWorld([&] { hardware.peers().plugCable(); });
    reply = callFirmware(device, status);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->w3 & fw::kDisplayOutputHdmiBit, fw::kDisplayOutputHdmiBit);

    // A CECC command: accepted now, answered with event 0x1500 after its response delay.
    FirmwareRecord command;
    command.w0 = fw::kWriteRegister;
    command.w1 = fw::kRegisterCeccCommand;
    command.w2 = 0x02; // firmware version, no payload
    reply = callFirmware(device, command);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->w0, 0u);
    advanceMs(200);
    EXPECT_EQ(sink.codes, (std::vector<std::uint32_t>{0x1581, 0x1500}));

    // A frame to transmit is stamped when it arrives, with its header and opcode.
    FirmwareRecord transmit;
    transmit.w0 = fw::kWriteRegister;
    transmit.w1 = fw::kRegisterCecTransmit | 2u << 24;
    transmit.w2 = 0x0404; // Playback 1 -> TV: Image View On
    reply = callFirmware(device, transmit);
    ASSERT_TRUE(reply);
    const auto& stamp = hardware.stamps().back();
    EXPECT_EQ(stamp.kind, fwsim::SimulatedHardware::Stamp::Kind::FrameRequested);
    EXPECT_EQ(stamp.code, 0x04u);
    EXPECT_EQ(stamp.header, 0x04);
    EXPECT_EQ(stamp.microseconds, 200'000u);

    // The device call itself failing: a failure message, which no client takes for a record.
    hardware.driver().withWorld([&] { hardware.firmware().setTransportFailing(true); });
    const auto request = firmwareRequest(status);
    const auto failed = hardware.serve(device, request.data(), request.size());
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->size(), protocol::kFailureMessageSize);
}

TEST_F(SimulatedHardwareTest, EveryClientHasItsOwnDeviceHandle) {
    const platform::DeviceHandle second = hardware.connect();
    ASSERT_NE(second, platform::kInvalidDevice);
    EXPECT_NE(second, device);
    FirmwareRecord wakeup;
    wakeup.w0 = fw::kReadRegister;
    wakeup.w1 = fw::kRegisterWakeupFactor;
    EXPECT_TRUE(callFirmware(second, wakeup));
    hardware.disconnect(second);
    const auto request = firmwareRequest(wakeup);
    const auto reply = hardware.serve(second, request.data(), request.size());
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->size(), protocol::kFailureMessageSize) << "a closed handle is no device";
    EXPECT_TRUE(callFirmware(device, wakeup)) << "the other client is unaffected";
}

TEST_F(SimulatedHardwareTest, MessagesOfNoKnownKindEndTheConnection) {
    const std::vector<std::vector<std::uint8_t>> messages = {
        {},
        std::vector<std::uint8_t>(23, 0),
        std::vector<std::uint8_t>(25, 0),
        std::vector<std::uint8_t>(12, 0),
        std::vector<std::uint8_t>(protocol::kVendorRequestSize, 0), // NVIDIA size, no magic
    };
    for (const auto& message : messages) {
        EXPECT_FALSE(hardware.serve(device, message.data(), message.size())) << message.size() << " bytes";
    }
    EXPECT_FALSE(hardware.serve(device, nullptr, 24));
}

TEST_F(SimulatedHardwareTest, TheTimelineDecodesFramesAndEventsInTimeOrder) {
    hardware.driver().withWorld([&] { hardware.peers().plugCable(); });
    advanceMs(500);
    hardware.driver().withWorld([&] { hardware.peers().tv().sendRaw(sim::makeFrame(0, 4, 0x46)); });
    advanceMs(100);
    const std::string timeline = hardware.timeline();
    EXPECT_NE(timeline.find("     0.100 s  event  0x1581 hot plug high\n"), std::string::npos) << timeline;
    EXPECT_NE(timeline.find("     0.550 s  frame  TV -> Playback 1: Give OSD Name  (not acknowledged)\n"),
              std::string::npos)
        << timeline;
    EXPECT_LT(timeline.find("hot plug high"), timeline.find("Give OSD Name"));
}

} // namespace

// The test vendor libraries' calls: served by the vendor interface of the machine with that
// vendor's graphics, each call a session of its own; a switch moves the arrangement the
// scenario sees and is on the timeline.
class SimulatedVendorTest : public SimulatedHardwareTest {
protected:
    protocol::VendorReply callVendor(protocol::VendorInterface vendor, std::uint32_t entry,
                                     std::uint64_t handle, std::uint32_t argument, const void* record,
                                     std::size_t size, std::size_t at = 0) {
        const auto bytes =
            protocol::encode(protocol::makeRequest(vendor, entry, handle, argument, record, size, at));
        const auto reply = hardware.serve(device, bytes.data(), bytes.size());
        protocol::VendorReplyBytes replyBytes{};
        EXPECT_TRUE(reply && reply->size() == replyBytes.size());
        if (reply && reply->size() == replyBytes.size()) {
            std::copy(reply->begin(), reply->end(), replyBytes.begin());
        }
        return protocol::decodeVendorReply(replyBytes, vendor).value_or(protocol::VendorReply{});
    }
    protocol::VendorReply callNvidia(std::uint32_t entry, std::uint64_t handle = 0,
                                     std::uint32_t argument = 0, const void* record = nullptr,
                                     std::size_t size = 0) {
        return callVendor(protocol::VendorInterface::Nvidia, entry, handle, argument, record, size);
    }
    // The machine of `kind` with the TV on the cable, detected.
    void machineWithTv(sim::DisplayModel::MachineKind kind) {
        hardware.driver().withWorld([&] {
            hardware.peers().display().setMachineKind(kind, hardware.firmware());
            hardware.peers().plugCable();
        });
        advanceMs(2000); // the display's detection delay
    }
    sim::TvModel::Edid tvEdid() {
        return hardware.driver().withWorld([&] { return hardware.peers().tv().edid(); });
    }
    std::uint32_t lastChange() {
        const auto changes =
            hardware.driver().withWorld([&] { return hardware.peers().display().changes(); });
        return changes.empty() ? 0 : changes.back().arrangement;
    }
    std::uint32_t arrangement() {
        return hardware.driver().withWorld([&] { return hardware.peers().display().arrangement(); });
    }
};

TEST_F(SimulatedVendorTest, WithoutNvidiaGraphicsTheInterfaceFindsNoDevice) {
    EXPECT_EQ(callNvidia(platform::nv::id::kInitialize).status, platform::nv::kDeviceNotFound);
    EXPECT_EQ(callNvidia(platform::nv::id::kEnumDisplayHandle).status, platform::nv::kDeviceNotFound);
}

TEST_F(SimulatedVendorTest, TheHdmiOutputsEdidAndAViewReachTheSimulatedHardware) {
    namespace nv = platform::nv;
    machineWithTv(sim::DisplayModel::MachineKind::NvidiaVista);
    EXPECT_EQ(callNvidia(nv::id::kInitialize).status, nv::kOk);
    EXPECT_EQ(callNvidia(0x12345678).status, nv::kNoImplementation);

    const protocol::VendorReply display = callNvidia(nv::id::kEnumDisplayHandle, 0, 0);
    ASSERT_EQ(display.status, nv::kOk);
    EXPECT_EQ(callNvidia(nv::id::kEnumDisplayHandle, 0, 1).status, nv::kEndEnumeration);
    const protocol::VendorReply gpus = callNvidia(nv::id::kPhysicalGpusFromDisplay, display.handle);
    ASSERT_EQ(gpus.status, nv::kOk);
    ASSERT_EQ(gpus.value, 1u);
    const std::uint64_t gpu = protocol::detail::get64(gpus.payload.data());
    EXPECT_EQ(callNvidia(nv::id::kConnectedOutputs, gpu).value,
              nv::output::kPanel | nv::output::kDigitalFirst);
    EXPECT_EQ(callNvidia(nv::id::kActiveOutputs, gpu).value, nv::output::kPanel);

    platform::NvConnectorInfo info;
    info.version = platform::kNvConnectorInfoVersion;
    const protocol::VendorReply connector =
        callNvidia(nv::id::kConnectorInfo, gpu, nv::output::kDigitalFirst, &info, sizeof info);
    ASSERT_EQ(connector.status, nv::kOk);
    std::memcpy(&info, connector.payload.data(), sizeof info);
    EXPECT_EQ(info.connectorType, nv::connector::kHdmiA);

    platform::NvEdid edid;
    edid.version = platform::kNvEdidVersion;
    const protocol::VendorReply read =
        callNvidia(nv::id::kEdid, gpu, nv::output::kDigitalFirst, &edid, sizeof edid);
    ASSERT_EQ(read.status, nv::kOk);
    std::memcpy(&edid, read.payload.data(), sizeof edid);
    const sim::TvModel::Edid tv = tvEdid();
    EXPECT_TRUE(std::equal(tv.begin(), tv.end(), edid.data));
    edid.version = platform::kNvEdidVersion + 1;
    EXPECT_EQ(callNvidia(nv::id::kEdid, gpu, nv::output::kDigitalFirst, &edid, sizeof edid).status,
              nv::kIncompatibleStructVersion);

    platform::NvViewTargetInfo view;
    view.version = platform::kNvViewTargetInfoVersion;
    view.count = 1;
    view.target[0].deviceMask = nv::output::kDigitalFirst;
    view.target[0].flags = platform::kNvViewTargetPrimary;
    EXPECT_EQ(callNvidia(nv::id::kSetView, display.handle, nv::view::kStandard, &view, sizeof view).status,
              nv::kOk);
    EXPECT_EQ(arrangement(), 0x100u);
    EXPECT_EQ(lastChange(), 0x100u) << "the switch is on the timeline";

    platform::NvViewTargetInfo current;
    current.version = platform::kNvViewTargetInfoVersion;
    const protocol::VendorReply got =
        callNvidia(nv::id::kGetView, display.handle, 0, &current, sizeof current);
    ASSERT_EQ(got.status, nv::kOk);
    std::memcpy(&current, got.payload.data(), sizeof current);
    EXPECT_EQ(current.count, 1u);
    EXPECT_EQ(current.target[0].deviceMask, nv::output::kDigitalFirst);
    EXPECT_EQ(got.extra, nv::view::kStandard);
}

TEST_F(SimulatedVendorTest, NvidiaMessagesOfTheWrongSizeOrMagicEndTheConnection) {
    auto bytes = protocol::encode(protocol::VendorRequest{});
    EXPECT_FALSE(hardware.serve(device, bytes.data(), bytes.size() - 1));
    bytes[0] ^= 0xFF;
    EXPECT_FALSE(hardware.serve(device, bytes.data(), bytes.size()));
}

TEST_F(SimulatedVendorTest, SecondAmdInterfaceCallsReachItsSimulatedHardware) {
    namespace pdl = protocol::amd_second;
    const auto callPdl = [&](std::uint32_t entry, std::uint32_t adapter, std::uint32_t index,
                             const void* record, std::size_t size) {
        return callVendor(protocol::VendorInterface::AmdSecond, entry, adapter, index, record, size);
    };
    platform::AtipdlDisplayRecord display;
    EXPECT_EQ(callPdl(pdl::kEnumDisplays, 0, 0, &display, sizeof display).status, 0)
        << "no such interface on the stand-in machine: nothing is found";
    EXPECT_EQ(callPdl(pdl::kSetConfigurationEx, 0, 0, nullptr, 0).status, 1);

    machineWithTv(sim::DisplayModel::MachineKind::AmdSecondVista);
    const protocol::VendorReply first = callPdl(pdl::kEnumDisplays, 0, 0, &display, sizeof display);
    EXPECT_NE(first.status, 0);
    std::memcpy(&display, first.payload.data(), sizeof display);
    EXPECT_EQ(display.type, platform::atipdl::kTypePanel);
    EXPECT_EQ(callPdl(99, 0, 0, nullptr, 0).status, 1) << "an unknown entry cannot be called";

    platform::AtipdlEdidRequest edid;
    const protocol::VendorReply read = callPdl(pdl::kDisplayGetEdidData, 0, 1, &edid, sizeof edid);
    EXPECT_EQ(read.status, 0);
    std::memcpy(&edid, read.payload.data(), sizeof edid);
    const sim::TvModel::Edid tv = tvEdid();
    EXPECT_TRUE(std::equal(tv.begin(), tv.begin() + 128, edid.data));

    platform::AtipdlConfigurationEx single;
    single.mode = platform::atipdl::kModeSingle;
    single.firstDisplay = 0x2; // the HDMI display, index 1
    single.displayCount = 1;
    EXPECT_EQ(callPdl(pdl::kSetConfigurationEx, 0, 0, &single, sizeof single).status, 0);
    EXPECT_EQ(arrangement(), 0x100u);
    EXPECT_EQ(lastChange(), 0x100u);
}

TEST_F(SimulatedVendorTest, IntelObjectCallsReachItsSimulatedHardware) {
    namespace call = protocol::intel;
    const auto callIgfx = [&](std::uint32_t entry, std::uint64_t which, std::uint32_t argument,
                              const void* record, std::size_t size, std::size_t at = 0) {
        return callVendor(protocol::VendorInterface::Intel, entry, which, argument, record, size, at);
    };
    EXPECT_EQ(callIgfx(call::kCreate, call::kEdidInterface, 0, nullptr, 0).status, 0) << "no Intel graphics";

    machineWithTv(sim::DisplayModel::MachineKind::IntelVista);
    EXPECT_EQ(callIgfx(call::kCreate, call::kEdidInterface, 0, nullptr, 0).status, 1);
    EXPECT_EQ(callIgfx(99, call::kEdidInterface, 0, nullptr, 0).status, 0);

    // The HDMI display among the devices of Display1, then its EDID block 0.
    const std::u16string display1 = platform::igfx::kDisplay1;
    std::optional<platform::IntelDevice> hdmi;
    for (std::uint32_t index = 0; index < 4 && !hdmi; ++index) {
        const protocol::VendorReply found =
            callIgfx(call::kEnumAttachableDevices, call::kEdidInterface, index, display1.c_str(),
                     display1.size() * sizeof(char16_t));
        if (found.status != 1) {
            break;
        }
        platform::IntelDevice device;
        std::memcpy(&device, found.payload.data(), sizeof device);
        if (device.type == platform::igfx::kTypeHdmi) {
            hdmi = device;
        }
    }
    ASSERT_TRUE(hdmi);
    platform::IntelEdidRequest edid;
    edid.deviceId = hdmi->id;
    std::uint8_t payload[call::kDataIdSize + sizeof edid];
    std::memcpy(payload, &platform::igfx::kEdidData, call::kDataIdSize);
    std::memcpy(payload + call::kDataIdSize, &edid, sizeof edid);
    const protocol::VendorReply read =
        callIgfx(call::kGetDeviceData, call::kEdidInterface, 0, payload, sizeof payload);
    ASSERT_EQ(read.status, 1);
    EXPECT_EQ(read.value, 0u) << "the driver's out status";
    std::memcpy(&edid, read.payload.data() + call::kDataIdSize, sizeof edid);
    const sim::TvModel::Edid tv = tvEdid();
    EXPECT_TRUE(std::equal(tv.begin(), tv.begin() + 128, edid.data));

    platform::IntelConfigRecord record;
    std::copy(display1.begin(), display1.end(), record.display);
    record.mode = platform::igfx::kModeSingle;
    record.device = hdmi->id;
    std::memcpy(payload, &platform::igfx::kConfigurationData, call::kDataIdSize);
    std::memcpy(payload + call::kDataIdSize, &record, sizeof record);
    const protocol::VendorReply set = callIgfx(call::kSetConfiguration, call::kPresenceInterface, 0, payload,
                                               call::kDataIdSize + sizeof record);
    EXPECT_EQ(set.status, 1);
    EXPECT_EQ(set.value, 0u);
    EXPECT_EQ(arrangement(), 0x100u);
    EXPECT_EQ(lastChange(), 0x100u);
}

TEST_F(SimulatedVendorTest, FirstAmdInterfaceCallsReachItsSimulatedHardwareInPieces) {
    namespace adl = protocol::amd_first;
    const auto callAdl = [&](std::uint32_t entry, std::uint64_t adapter, std::uint32_t argument,
                             const void* record = nullptr, std::size_t size = 0) {
        return callVendor(protocol::VendorInterface::AmdFirst, entry, adapter, argument, record, size);
    };
    // The piece of record `number` at `offset` of the entries that return large records.
    const auto piece = [&](std::uint32_t entry, std::uint64_t handle, std::uint32_t number,
                           std::uint32_t offset) {
        std::uint8_t word[4];
        protocol::detail::put32(word, offset);
        return callAdl(entry, handle, number, word, sizeof word);
    };
    EXPECT_EQ(callAdl(adl::kMainControlCreate, 0, 0).status, -1) << "no AMD graphics";

    machineWithTv(sim::DisplayModel::MachineKind::AmdVista);
    EXPECT_EQ(callAdl(adl::kMainControlCreate, 0, 0).status, 0);
    EXPECT_EQ(callAdl(99, 0, 0).status, -1) << "an unknown entry";
    const protocol::VendorReply count = callAdl(adl::kNumberOfAdapters, 0, 0);
    EXPECT_EQ(count.status, 0);
    EXPECT_EQ(count.value, 1u);
    EXPECT_EQ(piece(adl::kAdapterInfo, 0, 0, 0).status, -1) << "an array without room";

    // The adapter record (1572 bytes) in four pieces of one array of one record.
    platform::AdlAdapterInfo adapter;
    auto* bytes = reinterpret_cast<std::uint8_t*>(&adapter);
    for (std::uint32_t offset = 0; offset < sizeof adapter; offset += protocol::kVendorPayloadSize) {
        const protocol::VendorReply reply = piece(adl::kAdapterInfo, 1, 0, offset);
        ASSERT_EQ(reply.status, 0);
        EXPECT_EQ(reply.value, 1u);
        std::memcpy(bytes + offset, reply.payload.data(),
                    std::min<std::size_t>(sizeof adapter - offset, protocol::kVendorPayloadSize));
    }
    EXPECT_EQ(adapter.size, static_cast<std::int32_t>(sizeof adapter));
    EXPECT_EQ(adapter.vendorId, 0x1002);

    // The display records (552 bytes) in two pieces: the HDMI display is number 1.
    const auto hdmiInfo = [&] {
        platform::AdlDisplayInfo info;
        const protocol::VendorReply first = piece(adl::kDisplayInfo, adapter.adapterIndex, 1, 0);
        const protocol::VendorReply second =
            piece(adl::kDisplayInfo, adapter.adapterIndex, 1, protocol::kVendorPayloadSize);
        EXPECT_EQ(first.value, 2u);
        auto* infoBytes = reinterpret_cast<std::uint8_t*>(&info);
        std::memcpy(infoBytes, first.payload.data(), protocol::kVendorPayloadSize);
        std::memcpy(infoBytes + protocol::kVendorPayloadSize, second.payload.data(),
                    sizeof info - protocol::kVendorPayloadSize);
        return info;
    };
    platform::AdlDisplayInfo info = hdmiInfo();
    EXPECT_EQ(info.displayConnector, platform::adl::kConnectorHdmiTypeA);
    EXPECT_EQ(info.displayInfoValue, platform::adl::kDisplayConnected) << "connected, not mapped";
    EXPECT_EQ(piece(adl::kDisplayInfo, adapter.adapterIndex, 5, 0).value, 2u) << "no such display";

    platform::AdlDisplayEdidData edid;
    edid.size = sizeof edid;
    const protocol::VendorReply read =
        callAdl(adl::kEdidData, adapter.adapterIndex, info.displayId.displayLogicalIndex, &edid, sizeof edid);
    ASSERT_EQ(read.status, 0);
    std::memcpy(&edid, read.payload.data(), sizeof edid);
    const sim::TvModel::Edid tv = tvEdid();
    EXPECT_TRUE(std::equal(tv.begin(), tv.end(), edid.edidData));
    edid.size = 256;
    EXPECT_EQ(callAdl(adl::kEdidData, adapter.adapterIndex, 1, &edid, sizeof edid).status, -1)
        << "a record of the wrong size";

    // The desktop on the HDMI display: the driver maps it.
    hardware.driver().withWorld([&] { hardware.peers().display().setArrangement(0x100); });
    info = hdmiInfo();
    EXPECT_EQ(info.displayInfoValue, platform::adl::kDisplayConnected | platform::adl::kDisplayMapped);
}
