// Test helper: the text of a scenario of random events (frames from the TV, remote keys, cable
// plugs, power and session events, requests of other programs, waits) after a start with the
// maker's TV attached, for robustness tests and the benchmark. The same seed gives the same text.
#pragma once

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

namespace testing_support {

inline std::string randomScenario(int events, std::uint32_t seed) {
    std::mt19937 random(seed);
    auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<std::uint32_t>(n)); };
    auto hexByte = [](unsigned value) {
        char text[4];
        std::snprintf(text, sizeof text, "%02x", value & 0xFF);
        return std::string(text);
    };
    std::string text = "tv vendor maker\ncable plug\nwait 3s\ncontroller start\nwait 20s\n";
    for (int i = 0; i < events; ++i) {
        switch (pick(16)) {
        case 0:
        case 1:
        case 2: { // any frame from the TV, often addressed to the PC
            const int length = 1 + pick(16);
            std::string line = "tv send";
            for (int b = 0; b < length; ++b) {
                line += " " + hexByte(b == 0 && pick(2) == 0 ? 0x04 : random());
            }
            text += line + "\n";
            break;
        }
        case 3:
            text += "remote " + hexByte(random()) + "\n";
            break;
        case 4:
            text += pick(2) == 0 ? "cable unplug\n" : "cable plug\n";
            break;
        case 5:
            text += "pc suspend\n";
            break;
        case 6:
            text += pick(2) == 0 ? "pc resume cec\n" : "pc resume\n";
            break;
        case 7:
            text += pick(2) == 0 ? "session lock\n" : "session unlock\n";
            break;
        case 8:
            text += pick(2) == 0 ? "tv power-on\n" : "tv standby\n";
            break;
        case 9:
            text += pick(2) == 0 ? "tv switch pc\n" : "tv switch 2.0.0.0 routing-change\n";
            break;
        case 10:
            text += "output-key\n";
            break;
        case 11:
            text += "tv menu-request " + hexByte(random() % 4) + "\n";
            break;
        case 12:
            text += pick(3) == 0
                        ? "bridge turn-off-tv\n"
                        : "bridge change-output " + std::to_string(pick(2) == 0 ? 256 : pick(1000)) + "\n";
            break;
        case 13:
            text += pick(2) == 0 ? "settings changed\n" : "key press browser-back\n";
            break;
        default:
            break;
        }
        text += "wait " + std::to_string(pick(4000)) + "ms\n";
    }
    return text;
}

} // namespace testing_support
