// The CEC opcode table as a bus monitor shows frames: known messages with their operands,
// polls, unknown opcodes, frames that are too short or too long, and arbitrary bytes of every
// length up to 16.
#include "sim/CecOpcodes.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::string describe(std::initializer_list<std::uint8_t> bytes) {
    const std::vector<std::uint8_t> v(bytes);
    return sim::describeFrame(v.data(), v.size());
}

TEST(CecOpcodesTest, KnownMessagesShowTheirNamesAndOperands) {
    EXPECT_EQ(describe({0x4F, 0x82, 0x10, 0x00}),
              "Playback 1 -> Broadcast: Active Source [physical address 1.0.0.0]");
    EXPECT_EQ(describe({0x04, 0x8D, 0x00}), "TV -> Playback 1: Menu Request [activate]");
    EXPECT_EQ(describe({0x40, 0x00, 0x1A, 0x03}),
              "Playback 1 -> TV: Feature Abort [opcode Give Deck Status, reason Invalid operand]");
    EXPECT_EQ(describe({0x0F, 0x80, 0x20, 0x00, 0x10, 0x00}),
              "TV -> Broadcast: Routing Change [from 2.0.0.0, to 1.0.0.0]");
    EXPECT_EQ(describe({0x0F, 0x87, 0x0A, 0x1B, 0x2C}),
              "TV -> Broadcast: Device Vendor ID [vendor id 0x0A1B2C]");
    EXPECT_EQ(describe({0x40, 0x47, 'V', 'i', 'r', 'e', 'o'}),
              "Playback 1 -> TV: Set OSD Name [name \"Vireo\"]");
    EXPECT_EQ(describe({0x40, 0xA0, 0x0A, 0x1B, 0x2C, 0x30, 0x02}),
              "Playback 1 -> TV: Vendor Command With ID [vendor id 0x0A1B2C, data 30 02]");
    EXPECT_EQ(describe({0x8F, 0x84, 0x21, 0x00, 0x04}),
              "Playback 2 -> Broadcast: Report Physical Address [physical address 2.1.0.0, device type "
              "Playback Device]");
    EXPECT_EQ(describe({0x04, 0x41, 0x24}), "TV -> Playback 1: Play [play forward]");
    EXPECT_EQ(describe({0x04, 0x41, 0x7E}), "TV -> Playback 1: Play [0x7E]");
    EXPECT_EQ(describe({0x04, 0x42, 0x04}), "TV -> Playback 1: Deck Control [eject]");
    EXPECT_EQ(describe({0x04, 0x1A, 0x03}), "TV -> Playback 1: Give Deck Status [once]");
    EXPECT_EQ(describe({0x04, 0x44, 0x41}), "TV -> Playback 1: User Control Pressed [Volume Up]");
    EXPECT_EQ(describe({0x40, 0x9E, 0x05}), "Playback 1 -> TV: CEC Version [version 1.4]");
    EXPECT_EQ(describe({0xB0, 0x90, 0x01}), "Playback 3 -> TV: Report Power Status [standby]");
    EXPECT_EQ(describe({0x40, 0x0D}), "Playback 1 -> TV: Text View On");
    EXPECT_EQ(describe({0xF0, 0x36}), "Unregistered -> TV: Standby");
    EXPECT_EQ(describe({0xCD, 0x36}), "Reserved (12) -> Reserved (13): Standby");
}

TEST(CecOpcodesTest, PollsUnknownOpcodesAndEmptyFrames) {
    EXPECT_EQ(describe({0x44}), "Playback 1 -> Playback 1: <poll>");
    EXPECT_EQ(describe({0x04, 0xC5, 0x01, 0x02}), "TV -> Playback 1: UNKNOWN 0xC5 [c5 01 02]");
    EXPECT_EQ(describe({0x04, 0xC5}), "TV -> Playback 1: UNKNOWN 0xC5 [c5]");
    EXPECT_EQ(sim::describeFrame(nullptr, 5), "empty frame");
    const std::uint8_t one = 0x40;
    EXPECT_EQ(sim::describeFrame(&one, 0), "empty frame");
}

TEST(CecOpcodesTest, ShortFramesShowWhatIsThereAndLongFramesTheExtraBytes) {
    EXPECT_EQ(describe({0x4F, 0x82}), "Playback 1 -> Broadcast: Active Source (truncated)");
    EXPECT_EQ(describe({0x4F, 0x82, 0x10}),
              "Playback 1 -> Broadcast: Active Source [physical address <10>] (truncated)");
    EXPECT_EQ(describe({0x0F, 0x80, 0x20, 0x00, 0x10}),
              "TV -> Broadcast: Routing Change [from 2.0.0.0, to <10>] (truncated)");
    EXPECT_EQ(describe({0x40, 0x47}), "Playback 1 -> TV: Set OSD Name (truncated)");
    EXPECT_EQ(describe({0x04, 0x83, 0xAA, 0xBB}), "TV -> Playback 1: Give Physical Address (extra aa bb)");
    EXPECT_EQ(describe({0x4F, 0x82, 0x10, 0x00, 0x05}),
              "Playback 1 -> Broadcast: Active Source [physical address 1.0.0.0] (extra 05)");
    // Optional operands may be absent.
    EXPECT_EQ(describe({0x40, 0x70}), "Playback 1 -> TV: System Audio Mode Request");
    EXPECT_EQ(describe({0x40, 0xA0, 0x0A, 0x1B, 0x2C}),
              "Playback 1 -> TV: Vendor Command With ID [vendor id 0x0A1B2C]");
    // Text is shown safely whatever it holds.
    EXPECT_EQ(describe({0x40, 0x47, 'a', '"', 0x00, 0xFF}),
              "Playback 1 -> TV: Set OSD Name [name \"a\\x22\\x00\\xff\"]");
}

TEST(CecOpcodesTest, LayoutFitAgreesWithTheDecoder) {
    const std::vector<std::pair<std::vector<std::uint8_t>, sim::CecLayoutFit>> cases = {
        {{}, sim::CecLayoutFit::Empty},
        {{0x40}, sim::CecLayoutFit::Poll},
        {{0x40, 0xC5}, sim::CecLayoutFit::UnknownOpcode},
        {{0x4F, 0x82, 0x10, 0x00}, sim::CecLayoutFit::Complete},
        {{0x4F, 0x82, 0x10}, sim::CecLayoutFit::Truncated},
        {{0x40, 0x36, 0x00}, sim::CecLayoutFit::Extra},
        {{0x40, 0x89, 0x01, 0x02, 0x03}, sim::CecLayoutFit::Complete},
    };
    for (const auto& [bytes, fit] : cases) {
        EXPECT_EQ(sim::cecLayoutFit(bytes.data(), bytes.size()), fit)
            << sim::describeFrame(bytes.data(), bytes.size());
    }
}

TEST(CecOpcodesTest, TheTableNamesEveryOpcodeTheSystemAndTheTvUseOnce) {
    const std::uint8_t used[] = {0x00, 0x04, 0x05, 0x06, 0x07, 0x08, 0x0D, 0x1A, 0x1B, 0x32,
                                 0x36, 0x41, 0x42, 0x44, 0x45, 0x46, 0x47, 0x80, 0x81, 0x82,
                                 0x83, 0x84, 0x85, 0x86, 0x87, 0x89, 0x8C, 0x8D, 0x8E, 0x8F,
                                 0x90, 0x91, 0x92, 0x93, 0x9D, 0x9E, 0x9F, 0xA0, 0xFF};
    for (const std::uint8_t opcode : used) {
        const sim::CecOpcodeInfo* info = sim::findCecOpcode(opcode);
        ASSERT_NE(info, nullptr) << int(opcode);
        EXPECT_EQ(info->opcode, opcode);
        EXPECT_STRNE(info->name, "");
    }
    EXPECT_EQ(sim::findCecOpcode(0xC5), nullptr);
    for (int a = 0; a < 16; ++a) {
        EXPECT_FALSE(sim::cecAddressName(static_cast<std::uint8_t>(a), true).empty());
    }
    EXPECT_EQ(sim::cecAddressName(15, true), "Broadcast");
    EXPECT_EQ(sim::cecAddressName(15, false), "Unregistered");
    EXPECT_EQ(sim::cecAddressName(14, false), "Specific use");
}

TEST(CecOpcodesTest, TheBuilderPacksTheHeaderAndCutsAtSixteenBytes) {
    const sim::CecFrame frame = sim::makeFrame(4, 0, sim::cecop::kFeatureAbort, {0x1A, 0x03});
    EXPECT_EQ(frame.length, 4u);
    EXPECT_EQ(frame.bytes[0], 0x40);
    EXPECT_EQ(frame.bytes[1], 0x00);
    EXPECT_EQ(frame.bytes[2], 0x1A);
    EXPECT_EQ(frame.bytes[3], 0x03);
    EXPECT_EQ(frame.initiator(), 4);
    EXPECT_EQ(frame.destination(), 0);
    EXPECT_EQ(frame.operand(5), 0); // beyond the frame

    const std::vector<std::uint8_t> many(20, 0x41);
    const sim::CecFrame cut = sim::makeFrame(0x14, 0x1F, sim::cecop::kSetOsdName, many); // nibbles only
    EXPECT_EQ(cut.length, 16u);
    EXPECT_EQ(cut.bytes[0], 0x4F);
    EXPECT_TRUE(cut.isBroadcast());

    const sim::CecFrame poll = sim::makePoll(8, 8);
    EXPECT_TRUE(poll.isPoll());
    EXPECT_FALSE(poll.opcode().has_value());
    EXPECT_EQ(sim::describeFrame(poll), "Playback 2 -> Playback 2: <poll>");
}

// Arbitrary bytes of every length: a line comes back, never more than the frame is read (the
// buffer given is exactly `length` long, so a sanitizer build catches any overread).
TEST(CecOpcodesTest, ArbitraryFramesOfEveryLengthDecodeWithoutReadingPastThem) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::size_t length = 0; length <= 16; ++length) {
        for (int round = 0; round < 300; ++round) {
            std::vector<std::uint8_t> bytes(length);
            for (auto& b : bytes) {
                b = static_cast<std::uint8_t>(byte(random));
            }
            if (round < 256 && length >= 2) {
                bytes[1] = static_cast<std::uint8_t>(round); // every opcode at every length
            }
            const std::uint8_t* data = length == 0 ? nullptr : bytes.data();
            const std::string line = sim::describeFrame(data, length);
            ASSERT_FALSE(line.empty());
            if (length == 0) {
                EXPECT_EQ(line, "empty frame");
            }
            const sim::CecLayoutFit fit = sim::cecLayoutFit(data, length);
            EXPECT_EQ(fit == sim::CecLayoutFit::Truncated, line.ends_with("(truncated)")) << line;
            EXPECT_EQ(fit == sim::CecLayoutFit::UnknownOpcode, line.find("UNKNOWN") != std::string::npos)
                << line;
        }
    }
    // Longer claims are cut to the 16 bytes a frame can have.
    std::vector<std::uint8_t> seventeen(17, 0x89);
    EXPECT_EQ(sim::describeFrame(seventeen.data(), 17), sim::describeFrame(seventeen.data(), 16));
}

} // namespace
