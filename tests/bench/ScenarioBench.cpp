// Scenarios in virtual time: the shipped living-room evening (over an hour and a half of
// virtual waits) and a scenario of 10,000 random events (frames, keys, plugs, power and
// session events, requests of other programs), whose timeline must stay consistent: time stamps
// never go backwards and every frame decodes with the one opcode table.
#include "sim/CecOpcodes.h"
#include "tests/support/RandomScenario.h"
#include "tools/scenario/ScenarioParser.h"
#include "tools/scenario/ScenarioRunner.h"
#include "tools/scenario/VirtualTarget.h"
#include "tools/sentrix-sim/SentrixSim.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

namespace {

using namespace scenario;

bool parse(benchmark::State& state, const std::string& text, Scenario& scenario) {
    ScenarioError error;
    if (!parseScenario(text, "bench.scn", scenario, error)) {
        state.SkipWithError(error.text().c_str());
        return false;
    }
    return true;
}

// Plays the scenario once; the first problem with the run or its timeline, or empty.
std::string playAndCheck(const Scenario& scenario, std::size_t& frames, std::uint64_t& virtualMs) {
    Journal journal;
    VirtualTarget target(journal);
    ScenarioRunner runner(target, journal);
    const RunOutcome outcome = runner.play(scenario);
    if (!outcome.ok()) {
        return outcome.failures.front().text();
    }
    frames = 0;
    const std::vector<Event>& events = journal.events();
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (i > 0 && events[i].time < events[i - 1].time) {
            return "the timeline goes back in time at: " + Journal::format(events[i]);
        }
        if (events[i].kind == EventKind::Frame) {
            ++frames;
            if (events[i].bytes.empty() || events[i].subject.empty() ||
                events[i].subject != sim::describeFrame(events[i].bytes.data(), events[i].bytes.size())) {
                return "a frame that does not decode: " + Journal::format(events[i]);
            }
        }
    }
    virtualMs = target.now();
    return {};
}

void BM_LivingRoom(benchmark::State& state) {
    const char* text = nullptr;
    for (const simtool::BuiltinScenario& builtin : simtool::builtinScenarios()) {
        if (std::strcmp(builtin.name, "living-room") == 0) {
            text = builtin.text;
        }
    }
    Scenario scenario;
    if (text == nullptr || !parse(state, text, scenario)) {
        state.SkipWithError("no living-room scenario");
        return;
    }
    std::size_t frames = 0;
    std::uint64_t virtualMs = 0;
    for (auto _ : state) {
        const std::string problem = playAndCheck(scenario, frames, virtualMs);
        if (!problem.empty()) {
            state.SkipWithError(problem.c_str());
            return;
        }
    }
    state.counters["virtual_s"] = static_cast<double>(virtualMs) / 1000.0;
    state.counters["frames"] = static_cast<double>(frames);
}
BENCHMARK(BM_LivingRoom)->Unit(benchmark::kMillisecond);

void BM_TenThousandRandomEvents(benchmark::State& state) {
    constexpr int kEvents = 10000;
    Scenario scenario;
    if (!parse(state, testing_support::randomScenario(kEvents, 20261207), scenario)) {
        return;
    }
    std::size_t frames = 0;
    std::uint64_t virtualMs = 0;
    for (auto _ : state) {
        const std::string problem = playAndCheck(scenario, frames, virtualMs);
        if (!problem.empty()) {
            state.SkipWithError(problem.c_str());
            return;
        }
    }
    state.counters["virtual_h"] = static_cast<double>(virtualMs) / 3600000.0;
    state.counters["frames"] = static_cast<double>(frames);
    state.counters["steps"] = static_cast<double>(scenario.steps.size());
    state.counters["events_per_s"] =
        benchmark::Counter(kEvents, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_TenThousandRandomEvents)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
