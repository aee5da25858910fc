// Data bytes in the record words: the layout that the controller, the simulated firmware and
// the firmware simulator all rely on.
#include "common/FirmwareRecord.h"

#include <gtest/gtest.h>

#include <array>

namespace {

TEST(FirmwareRecordTest, DataBytesAreLittleEndianInTheWordsFromTheFirstOne) {
    const std::array<std::uint8_t, 16> frame = {0x40, 0x82, 0x10, 0x00, 0xA1, 0xA2, 0xA3, 0xA4,
                                                0xB1, 0xB2, 0xB3, 0xB4, 0xC1, 0xC2, 0xC3, 0xC4};
    FirmwareRecord record;
    record.w0 = 0xFF00;
    record.w1 = 0x11223344;
    record.putBytes(FirmwareRecord::kFrameWord, frame.data(), frame.size());
    EXPECT_EQ(record.w2, 0x00108240u);
    EXPECT_EQ(record.w3, 0xA4A3A2A1u);
    EXPECT_EQ(record.w4, 0xB4B3B2B1u);
    EXPECT_EQ(record.w5, 0xC4C3C2C1u);
    EXPECT_EQ(record.w0, 0xFF00u) << "words before the data stay";
    EXPECT_EQ(record.w1, 0x11223344u);

    std::array<std::uint8_t, 16> back{};
    record.getBytes(FirmwareRecord::kFrameWord, back.data(), back.size());
    EXPECT_EQ(back, frame);

    std::array<std::uint8_t, 12> payload{};
    record.getBytes(FirmwareRecord::kDataWord, payload.data(), payload.size());
    EXPECT_EQ(payload[0], 0xA1);
    EXPECT_EQ(payload[11], 0xC4);
}

TEST(FirmwareRecordTest, ShortDataReplacesOnlyItsBytesAndNothingGoesPastTheLastWord) {
    FirmwareRecord record;
    record.w2 = 0x0E40u;
    record.w3 = 0xFFFFFFFFu;
    const std::uint8_t name[3] = {'P', 'C', 0};
    record.putBytes(FirmwareRecord::kDataWord, name, sizeof(name));
    EXPECT_EQ(record.w3, 0xFF004350u);
    EXPECT_EQ(record.w2, 0x0E40u) << "the command word before the payload is not touched";

    // More bytes than the words hold: the rest is left out, on writing and on reading.
    std::array<std::uint8_t, 20> many{};
    many.fill(0x5A);
    record.putBytes(FirmwareRecord::kDataWord, many.data(), many.size());
    EXPECT_EQ(record.w5, 0x5A5A5A5Au);
    std::array<std::uint8_t, 20> out{};
    out.fill(0xEE);
    record.getBytes(FirmwareRecord::kDataWord, out.data(), out.size());
    EXPECT_EQ(out[11], 0x5A);
    EXPECT_EQ(out[12], 0xEE) << "bytes past W5 are not written";
    EXPECT_EQ(FirmwareRecord::dataBytesFrom(FirmwareRecord::kFrameWord), 16u);
    EXPECT_EQ(FirmwareRecord::dataBytesFrom(FirmwareRecord::kDataWord), 12u);
    EXPECT_EQ(FirmwareRecord::dataBytesFrom(6), 0u);
}

} // namespace
