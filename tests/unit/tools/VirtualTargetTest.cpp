// The scenario target in virtual time: steps happen at their moment while the controller is
// blocked, the timeline carries the world's records in time order, the trace log lines come
// with their times, and random events never break the timeline.
#include "tools/scenario/VirtualTarget.h"
#include "tests/support/RandomScenario.h"
#include "tools/scenario/ScenarioParser.h"
#include "tools/scenario/ScenarioRunner.h"

#include "sim/CecOpcodes.h"

#include <gtest/gtest.h>

namespace {

using namespace scenario;

struct Played {
    RunOutcome outcome;
    std::vector<Event> events;
};

Played play(const std::string& text) {
    Scenario scenario;
    ScenarioError error;
    EXPECT_TRUE(parseScenario(text, "v.scn", scenario, error)) << error.text();
    Journal journal;
    std::string problem;
    VirtualTarget target(journal, &problem);
    EXPECT_EQ(problem, "");
    ScenarioRunner runner(target, journal);
    Played played{runner.play(scenario), {}};
    played.events = journal.events();
    return played;
}

const Event* find(const std::vector<Event>& events, EventKind kind, const std::string& text) {
    for (const Event& event : events) {
        if (event.kind == kind && event.text.find(text) != std::string::npos) {
            return &event;
        }
    }
    return nullptr;
}

TEST(VirtualTarget, AStepHappensAtItsTimeWhileTheControllerIsStillStartingUp) {
    // The controller's start-up sleeps for about six seconds; the cable goes in after one.
    const Played played =
        play("controller start\nwait 1s\ncable plug\nwait 20s\nexpect controller running\n");
    ASSERT_TRUE(played.outcome.ok()) << played.outcome.failures.front().text();
    const Event* plug = find(played.events, EventKind::Step, "cable plug");
    const Event* hotPlug = find(played.events, EventKind::FirmwareEvent, "hot plug high");
    const Event* startupDone = find(played.events, EventKind::Controller, "start-up is done");
    ASSERT_NE(plug, nullptr);
    ASSERT_NE(hotPlug, nullptr);
    ASSERT_NE(startupDone, nullptr);
    EXPECT_EQ(plug->time, 1000u);
    EXPECT_EQ(hotPlug->time, 1100u);
    EXPECT_GE(startupDone->time, 6000u) << "the start-up was still running when the cable went in";
}

TEST(VirtualTarget, TheMachinesProgramsAndRealMeasurementsAreRefusedWithTheReason) {
    for (const char* line : {"program start KeyLog.exe C:\\k.txt", "program run Outswap.exe",
                             "measure latency 3", "measure idle Sentrixd.exe 1s"}) {
        const Played played = play(std::string(line) + "\ncable plug\n");
        ASSERT_EQ(played.outcome.failures.size(), 1u) << line;
        EXPECT_NE(played.outcome.failures[0].message.find("only in real time"), std::string::npos)
            << played.outcome.failures[0].message;
        EXPECT_EQ(find(played.events, EventKind::Step, "cable plug"), nullptr) << "the run ended there";
    }
}

TEST(VirtualTarget, AWaitWithinABoundPassesVirtualTimeUntilTheExpectationHolds) {
    const Played played = play("tv vendor maker\ncable plug\ncontroller start\n"
                               "expect log \"Received:CEC Certification Status\" within 60s\n"
                               "expect frame \"Give Device Vendor ID\" within 1s\nnote done\n");
    ASSERT_TRUE(played.outcome.ok()) << played.outcome.failures.front().text();
    const Event* done = find(played.events, EventKind::Note, "done");
    ASSERT_NE(done, nullptr);
    EXPECT_GT(done->time, 1000u) << "virtual time passed while the expectation waited";
    EXPECT_LT(done->time, 60000u) << "and stopped once it held";
}

TEST(VirtualTarget, AnUnlockScheduledDuringTheResumeWaitEndsIt) {
    const Played played = play("tv vendor maker\ncable plug\nwait 3s\ncontroller start\nwait 20s\n"
                               "session lock\npc suspend\npc resume cec\nwait 30s\nsession unlock\nwait 10s\n"
                               "expect log \"Execute Wakeup process\"\nexpect frame \"Active Source\"\n");
    ASSERT_TRUE(played.outcome.ok()) << played.outcome.failures.front().text();
    const Event* unlock = find(played.events, EventKind::Step, "session unlock");
    ASSERT_NE(unlock, nullptr);
    EXPECT_EQ(unlock->time, 53000u);
}

TEST(VirtualTarget, TheTimelineHoldsTheWorldsRecordsInTimeOrderWithTheirLogLines) {
    const Played played =
        play("tv vendor maker\ncable plug\nwait 3s\ncontroller start\nwait 20s\ntv switch pc\nwait 15s\n");
    ASSERT_TRUE(played.outcome.ok());
    for (std::size_t i = 1; i < played.events.size(); ++i) {
        ASSERT_LE(played.events[i - 1].time, played.events[i].time) << played.events[i].text;
    }
    const Event* active = find(played.events, EventKind::Frame, "Playback 1 -> Broadcast: Active Source");
    ASSERT_NE(active, nullptr);
    EXPECT_EQ(active->bytes, (std::vector<std::uint8_t>{0x4F, 0x82, 0x10, 0x00}));
    EXPECT_NE(active->text.find("(4f 82 10 00)"), std::string::npos);
    const Event* request = find(played.events, EventKind::DisplayRequest, "HDMI alone (0x100)");
    const Event* change = find(played.events, EventKind::Display, "now HDMI alone");
    const Event* program = find(played.events, EventKind::Program, "Tonemux.exe /HDMI");
    const Event* sound = find(played.events, EventKind::Sound, "now to HDMI");
    const Event* log = find(played.events, EventKind::Log, "Call activeSource()");
    for (const Event* event : {request, change, program, sound, log}) {
        ASSERT_NE(event, nullptr);
    }
    EXPECT_LT(request->time, change->time);
    EXPECT_LT(change->time, sound->time);
    EXPECT_EQ(log->time, active->time) << "the log line is written when the frame is sent";
    EXPECT_EQ(log->text.rfind(".\\", 0), 0u) << "without thread and time stamps: " << log->text;
}

TEST(VirtualTarget, RandomEventsKeepTheTimelineConsistent) {
    const Played played = play(testing_support::randomScenario(600, 2024));
    EXPECT_TRUE(played.outcome.ok()) << played.outcome.failures.front().text();
    std::size_t frames = 0;
    for (std::size_t i = 0; i < played.events.size(); ++i) {
        const Event& event = played.events[i];
        if (i > 0) {
            ASSERT_LE(played.events[i - 1].time, event.time) << event.text;
        }
        if (event.kind == EventKind::Frame) {
            ++frames;
            ASSERT_FALSE(event.bytes.empty());
            EXPECT_EQ(event.subject, sim::describeFrame(event.bytes.data(), event.bytes.size()));
        }
    }
    EXPECT_GT(frames, 100u);
}

} // namespace
