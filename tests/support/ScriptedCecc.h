// Test helper: a CEC controller register block that answers as a test scripts it (busy for a
// number of calls, failing, a given reply) and records every command and frame with its time.
#pragma once

#include "sim/SimFirmware.h"
#include "sim/VirtualClock.h"

#include <cstdint>
#include <vector>

namespace testing_support {

class ScriptedCecc final : public sim::CeccRegisters {
public:
    struct Sent {
        std::uint64_t time;
        std::vector<std::uint8_t> bytes; // frame, or command code followed by its payload
    };

    explicit ScriptedCecc(sim::VirtualClock& clock) : m_clock(clock) {}

    int busyCount = 0;          // the next calls answer busy
    bool failing = false;       // calls answer status 0x8000
    FirmwareRecord replyRecord; // what reads return (W1 to W5)
    std::vector<Sent> frames;
    std::vector<Sent> commands;

    std::uint32_t command(std::uint8_t code, const std::uint8_t* payload, std::size_t length) override {
        std::vector<std::uint8_t> bytes{code};
        bytes.insert(bytes.end(), payload, payload + length);
        commands.push_back({m_clock.now(), bytes});
        return status();
    }
    std::uint32_t transmit(const std::uint8_t* frame, std::size_t length) override {
        frames.push_back({m_clock.now(), std::vector<std::uint8_t>(frame, frame + length)});
        return status();
    }
    std::uint32_t read(std::uint32_t, FirmwareRecord& reply) override {
        reply.w1 = replyRecord.w1;
        reply.w2 = replyRecord.w2;
        reply.w3 = replyRecord.w3;
        reply.w4 = replyRecord.w4;
        reply.w5 = replyRecord.w5;
        return failing ? 0x8000 : 0;
    }

private:
    std::uint32_t status() {
        if (failing) {
            return 0x8000;
        }
        if (busyCount > 0) {
            --busyCount;
            return 0x20;
        }
        return 0;
    }
    sim::VirtualClock& m_clock;
};

} // namespace testing_support
