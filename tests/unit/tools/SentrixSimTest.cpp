// sentrix-sim as its user meets it: exit status and messages for good, failing and malformed
// scenarios and bad arguments, the shipped scenario, the prompt, and the EDID reader with raw
// files, hex dumps, EDIDs without an address and files it cannot read.
#include "tools/sentrix-sim/SentrixSim.h"

#include "sim/TvModel.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

Result sentrixSim(std::vector<std::string> args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    Result result;
    result.status = simtool::sentrixSim(args, in, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

class SentrixSimTest : public ::testing::Test {
protected:
    SentrixSimTest() {
        std::random_device random;
        m_dir = fs::temp_directory_path() / ("sentrix-sim-test-" + std::to_string(random()));
        fs::create_directories(m_dir);
    }
    ~SentrixSimTest() override {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }
    std::string file(const std::string& name, const std::string& content) {
        const fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }
    std::string file(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        return file(name, std::string(bytes.begin(), bytes.end()));
    }

private:
    fs::path m_dir;
};

constexpr const char* kAttached = "tv vendor maker\ncable plug\nwait 3s\ncontroller start\nwait 20s\n";

TEST_F(SentrixSimTest, AScenarioWhoseExpectationsHoldExitsZeroAndPrintsTheTimeline) {
    const std::string path =
        file("ok.scn", std::string(kAttached) + "tv switch pc\nwait 15s\nexpect display hdmi\n");
    const Result r = sentrixSim({"run", path});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(
        r.out.find(
            "] cec      Playback 1 -> Broadcast: Active Source [physical address 1.0.0.0]   (4f 82 10 00)"),
        std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("] held     expect display hdmi"), std::string::npos);
    EXPECT_EQ(r.out.find("] log "), std::string::npos) << "the trace log only with --trace";
    EXPECT_NE(sentrixSim({"run", path, "--trace"}).out.find("] log      .\\"), std::string::npos);
}

TEST_F(SentrixSimTest, AFailedExpectationExitsOneNamingItsLine) {
    const std::string path =
        file("fail.scn", std::string(kAttached) + "expect display hdmi\nexpect sound hdmi\n");
    const Result r = sentrixSim({"run", path});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, path + ":6: the display is the panel alone (0x1), expected HDMI alone (0x100)\n");
    EXPECT_NE(r.out.find("] FAILED   " + path + ":6:"), std::string::npos);
    EXPECT_EQ(r.out.find("expect sound"), std::string::npos) << "the run ends at the failure";
}

TEST_F(SentrixSimTest, AMalformedScenarioExitsTwoBeforeAnythingIsPlayed) {
    for (const char* bad : {"cable plug\nwait 3\n", "cable plug\ncecc busy lots\n", "cable plug\ntv switch\n",
                            "cable plug\ntv send 0g\n", "cable plug\nsing a song\n"}) {
        const Result r = sentrixSim({"run", file("bad.scn", bad)});
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.err.find("bad.scn:2: "), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << "nothing was played";
    }
}

TEST_F(SentrixSimTest, BadArgumentsAndUnreadableFilesExitTwoWithTheUsage) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"run"},
                                               {"fly"},
                                               {"run", "a.scn", "b.scn"},
                                               {"run", "a.scn", "--fast"},
                                               {"edid"},
                                               {"interactive", "x"}}) {
        const Result r = sentrixSim(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_NE(r.err.find("usage: sentrix-sim"), std::string::npos) << r.err;
    }
    const Result missing = sentrixSim({"run", "no-such-file.scn"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("cannot read 'no-such-file.scn'"), std::string::npos);
    EXPECT_EQ(sentrixSim({"--help"}).status, 0);
}

TEST_F(SentrixSimTest, TheLivingRoomIsShippedAndChecksItself) {
    const Result r = sentrixSim({"--default"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("living-room.scn:"), std::string::npos);
    EXPECT_NE(r.out.find("Menu Status [activated]"), std::string::npos);
    EXPECT_EQ(sentrixSim({"run", "living-room"}).out, r.out) << "by name, the same run";
    const Result shown = sentrixSim({"show", "living-room"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.out.find("controller start"), std::string::npos);
}

TEST_F(SentrixSimTest, ThePromptReportsMalformedLinesAndFailuresAndGoesOn) {
    const Result r =
        sentrixSim({}, "help tv\ncable plugged\ncable plug\nwait 1s\nexpect display hdmi\n"
                       "expect frame \"nothing\"\nexpect controller ended\nquit\ncable unplug\n");
    EXPECT_EQ(r.status, 1) << "an expectation failed";
    EXPECT_NE(r.out.find("  tv switch pc|tuner"), std::string::npos) << "help for the TV";
    EXPECT_NE(r.err.find("stdin:2: unknown keyword 'plugged' for cable action"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("stdin:5: the display is the panel alone"), std::string::npos);
    EXPECT_NE(r.err.find("stdin:6: no frame \"nothing\""), std::string::npos);
    EXPECT_NE(r.out.find("] held     expect controller ended"), std::string::npos)
        << "played on after the failures";
    EXPECT_NE(r.out.find("[    0.100] event    hot plug high"), std::string::npos);
    EXPECT_EQ(r.out.find("cable unplug"), std::string::npos) << "quit ends";
    EXPECT_NE(r.out.find("> "), std::string::npos);
    EXPECT_EQ(sentrixSim({"interactive"}, "cable plug\nwait 1s\n").status, 0);
}

// A hex dump as edid-decode prints it: a header, rows of 16 byte pairs, then the decoding.
std::string hexDump(const std::uint8_t* bytes, std::size_t size) {
    std::string text = "edid-decode (hex):\n\n";
    char pair[4];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        text += pair;
        text += (i % 16 == 15) ? "\n" : " ";
        if (i % 128 == 127) {
            text += "\n";
        }
    }
    return text + "\n----------------\n\nBlock 0, Base EDID:\n  EDID Structure Version & Revision: 1.3\n";
}

TEST_F(SentrixSimTest, TheEdidReaderPrintsTheAddressTheControllerDerives) {
    const sim::TvModel::Edid edid = sim::TvModel::buildEdid(0x2100);
    const std::vector<std::uint8_t> raw(edid.begin(), edid.end());
    Result r = sentrixSim({"edid", file("tv.bin", raw)});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2.1.0.0\n");

    r = sentrixSim({"edid", file("tv.txt", hexDump(edid.data(), edid.size()))});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2.1.0.0\n");

    r = sentrixSim({"edid", file("base.txt", hexDump(edid.data(), 128))});
    EXPECT_EQ(r.status, 1) << "a one-block EDID has no HDMI block";
    EXPECT_EQ(r.out, "none\n");

    std::vector<std::uint8_t> noHdmi = raw;
    noHdmi[129] = 0x01; // a CEA extension of another revision
    r = sentrixSim({"edid", file("rev1.bin", noHdmi)});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "none\n");
}

TEST_F(SentrixSimTest, TheEdidReaderRefusesWhatIsNoEdid) {
    const sim::TvModel::Edid edid = sim::TvModel::buildEdid(0x1000);
    std::string dump = hexDump(edid.data(), edid.size());
    dump.replace(dump.find("00 ff ff"), 8, "00 ff zz");
    Result r = sentrixSim({"edid", file("badhex.txt", dump)});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("line 3: bad hex byte 'zz'"), std::string::npos) << r.err;

    r = sentrixSim({"edid", file("short.bin", std::vector<std::uint8_t>(edid.begin(), edid.begin() + 100))});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("100 raw bytes"), std::string::npos) << r.err;

    r = sentrixSim({"edid", file("prose.txt", "This is a letter, not an EDID.\n")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no hex bytes found"), std::string::npos) << r.err;

    r = sentrixSim({"edid", file("odd.txt", "00 ff ff\n")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("the dump has 3 bytes"), std::string::npos) << r.err;

    r = sentrixSim({"edid", "no-such-edid.bin"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cannot read it"), std::string::npos) << r.err;
}

} // namespace
