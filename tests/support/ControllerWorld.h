// Test fixture: a simulated world with the product installed, the trace log on, and the
// controller started in it when a test says so. Helpers read what a peer observes: CEC frames
// on the bus, commands the CEC controller received, display and sound changes, posts.
#pragma once

#include "sim/SimWorld.h"
#include "tests/support/TraceCapture.h"
#include "tools/simrun/Installation.h"
#include "tools/simrun/SimController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace testing_support {

using Bytes = std::vector<std::uint8_t>;

struct TimedBytes {
    std::uint64_t time;
    Bytes bytes;
    bool operator==(const TimedBytes&) const = default;
};

class ControllerWorld : public ::testing::Test {
protected:
    void SetUp() override {
        std::wstring error;
        ASSERT_TRUE(simrun::installProduct(world, &error)) << std::string(error.begin(), error.end());
        trace =
            std::make_unique<TraceCapture>(world.registry(), world.clock(), world.files(), world.threads());
    }
    void TearDown() override {
        controllers.clear();
        trace.reset();
    }

    // Starts a controller process (InitInstance with its start-up waits).
    simrun::SimController& start(const std::wstring& commandLine = L"") {
        controllers.push_back(std::make_unique<simrun::SimController>(world, commandLine));
        return *controllers.back();
    }
    // The cable is in, the TV is on and announces itself, and a controller has started and
    // settled (start-up, attach and the first certification query).
    simrun::SimController& startAttached(std::uint64_t settleMs = 20000) {
        world.peers().plugCable();
        world.clock().advanceTo(world.clock().now() + 3000);
        auto& started = start();
        started.runFor(settleMs);
        return started;
    }
    simrun::SimController& controller() { return *controllers.front(); }

    // Launcher entries in the per-user key, read when a controller starts: the key with its
    // "MediaCenter" value, and one subkey with "Special" (and, for a custom item, its label
    // and command).
    static constexpr const wchar_t* kLauncherKey = L"SOFTWARE\\KORVATH\\Sentrixd\\Launcher";
    void launcherKey(std::uint32_t mediaCenter = 0) {
        world.registry().setDword(platform::kHkeyCurrentUser, kLauncherKey, L"MediaCenter", mediaCenter);
    }
    void launcherItem(const std::wstring& subKey, std::uint32_t special,
                      const std::wstring& displayName = L"", const std::wstring& cmdParam = L"") {
        const std::wstring path = std::wstring(kLauncherKey) + L"\\" + subKey;
        world.registry().setDword(platform::kHkeyCurrentUser, path, L"Special", special);
        if (special == 0) {
            world.registry().setString(platform::kHkeyCurrentUser, path, L"DisplayName", displayName);
            world.registry().setString(platform::kHkeyCurrentUser, path, L"CmdParam", cmdParam);
        }
    }
    // How often the control menu was shown.
    std::size_t menusShown() { return controller().menus().shown().size(); }
    bool runFor(std::uint64_t ms) { return controller().runFor(ms); }
    std::uint64_t now() { return world.clock().now(); }

    // The frames the controller handed to the CEC controller to transmit (busy attempts included).
    std::vector<TimedBytes> sentFrames(std::uint64_t since = 0) {
        std::vector<TimedBytes> out;
        for (const auto& call : world.firmware().calls()) {
            if (call.time < since || call.request.w0 != fw::kWriteRegister ||
                (call.request.w1 & 0x00FFFFFF) != (fw::kRegisterCecTransmit & 0x00FFFFFF)) {
                continue;
            }
            const std::uint32_t length = call.request.w1 >> 24;
            Bytes bytes(
                std::min<std::size_t>(length, FirmwareRecord::dataBytesFrom(FirmwareRecord::kFrameWord)));
            call.request.getBytes(FirmwareRecord::kFrameWord, bytes.data(), bytes.size());
            out.push_back({call.time, bytes});
        }
        return out;
    }
    // Sent frames with the given opcode.
    std::vector<TimedBytes> sentWith(std::uint8_t opcode, std::uint64_t since = 0) {
        std::vector<TimedBytes> out;
        for (const TimedBytes& f : sentFrames(since)) {
            if (f.bytes.size() > 1 && f.bytes[1] == opcode) {
                out.push_back(f);
            }
        }
        return out;
    }
    // CEC controller commands the firmware received (code and payload), with their times.
    std::vector<TimedBytes> ceccCommands(std::uint8_t code) {
        std::vector<TimedBytes> out;
        for (const auto& call : world.firmware().calls()) {
            if (call.request.w0 == fw::kWriteRegister && call.request.w1 == fw::kRegisterCeccCommand &&
                (call.request.w2 & 0xFF) == code) {
                const std::uint32_t length = (call.request.w2 >> 8) & 0xFF;
                Bytes payload(
                    std::min<std::size_t>(length, FirmwareRecord::dataBytesFrom(FirmwareRecord::kDataWord)));
                call.request.getBytes(FirmwareRecord::kDataWord, payload.data(), payload.size());
                out.push_back({call.time, payload});
            }
        }
        return out;
    }
    // Posts a registered message to the controller as another program.
    bool postRegistered(const wchar_t* name, platform::WParam wParam, platform::LParam lParam = 0) {
        return controller().post(world.desktop().registerMessage(name), wParam, lParam);
    }

    sim::SimWorld world;
    std::unique_ptr<TraceCapture> trace;
    std::vector<std::unique_ptr<simrun::SimController>> controllers;
};

} // namespace testing_support
