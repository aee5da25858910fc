// The firmware simulator's step list: every kind of step with its options, and the errors a
// malformed line gets (with its line number, and no steps at all).
#include "tools/firmware-sim/Script.h"

#include <gtest/gtest.h>

namespace {

using fwsim::AddressMatch;
using fwsim::StepKind;

fwsim::Step only(const std::string& line) {
    const fwsim::ParsedScript parsed = fwsim::parseScript(line);
    EXPECT_FALSE(parsed.error) << line << ": " << (parsed.error ? parsed.error->message : "");
    EXPECT_EQ(parsed.steps.size(), 1u) << line;
    return parsed.steps.empty() ? fwsim::Step{} : parsed.steps.front();
}

TEST(FirmwareSimScriptTest, WorldProgramAndExpectationStepsParseWithTheirOptions) {
    const std::string script = R"(# a scenario
plug
tv vendor 0x00E091        # another maker's TV
tv cec off
tv switch-to-pc routing-change
tv switch-to 2.0.0.0
tv menu-request query
tv send 0x0F 0x85
key 0x44
wait 1500
mark
start Sentrixd.exe exit
run "C:\Program Files\Korvath\Sentrix\Outswap.exe"
post QUICKMENU_NOTIFY_LAUNCH_BIRCH 2
press-key 0xA6
expect frame 0x82 from pc to broadcast within 3000
expect frame "menu status" to tv within 2000 gap 500 tolerance 80
expect no-frame "Inactive Source" for 1000
expect exit 0
expect window absent within 5000
expect process Sentrixd.exe ended within 5000
expect display 0x100 within 8000
expect log "Received Message:WM_HOOK_BROWSERBACK # not a comment" count 2 within 3000
expect log-layout
measure latency 200 request-active-source
measure idle Sentrixd.exe 30000
unplug
)";
    const fwsim::ParsedScript parsed = fwsim::parseScript(script);
    ASSERT_FALSE(parsed.error) << parsed.error->line << ": " << parsed.error->message;
    const std::vector<StepKind> kinds = {
        StepKind::Plug,          StepKind::TvVendor,      StepKind::TvCec,           StepKind::TvSwitchToPc,
        StepKind::TvSwitchTo,    StepKind::TvMenuRequest, StepKind::TvSend,          StepKind::RemoteKey,
        StepKind::Wait,          StepKind::Mark,          StepKind::Start,           StepKind::Run,
        StepKind::Post,          StepKind::PressKey,      StepKind::ExpectFrame,     StepKind::ExpectFrame,
        StepKind::ExpectNoFrame, StepKind::ExpectExit,    StepKind::ExpectWindow,    StepKind::ExpectProcess,
        StepKind::ExpectDisplay, StepKind::ExpectLog,     StepKind::ExpectLogLayout, StepKind::MeasureLatency,
        StepKind::MeasureIdle,   StepKind::Unplug};
    ASSERT_EQ(parsed.steps.size(), kinds.size());
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        EXPECT_EQ(parsed.steps[i].kind, kinds[i]) << "step " << i;
    }
    const auto& s = parsed.steps;
    EXPECT_EQ(s[0].line, 2);
    EXPECT_EQ(s[1].number, 0x00E091u);
    EXPECT_EQ(s[1].text, "tv vendor 0x00E091");
    EXPECT_FALSE(s[2].flag);
    EXPECT_TRUE(s[3].flag);
    EXPECT_EQ(s[4].number, 0x2000u);
    EXPECT_FALSE(s[4].flag);
    EXPECT_EQ(s[5].number, 2u);
    EXPECT_EQ(s[6].bytes, (std::vector<std::uint8_t>{0x0F, 0x85}));
    EXPECT_EQ(s[7].number, 0x44u);
    EXPECT_EQ(s[8].withinMs, 1500u);
    EXPECT_EQ(s[10].program, L"Sentrixd.exe");
    EXPECT_EQ(s[10].arguments, std::vector<std::wstring>{L"exit"});
    EXPECT_EQ(s[11].program, L"C:\\Program Files\\Korvath\\Sentrix\\Outswap.exe");
    EXPECT_TRUE(s[11].arguments.empty());
    EXPECT_EQ(s[12].word, "QUICKMENU_NOTIFY_LAUNCH_BIRCH");
    EXPECT_EQ(s[12].number, 2u);
    EXPECT_EQ(s[13].number, 0xA6u);

    EXPECT_EQ(s[14].opcode, 0x82);
    EXPECT_EQ(s[14].from.kind, AddressMatch::Kind::Pc);
    EXPECT_EQ(s[14].to.kind, AddressMatch::Kind::Fixed);
    EXPECT_EQ(s[14].to.address, 15);
    EXPECT_EQ(s[14].withinMs, 3000u);
    EXPECT_FALSE(s[14].gapMs);
    EXPECT_EQ(s[15].opcode, 0x8E) << "opcode by its name, in any case";
    EXPECT_EQ(s[15].to.address, 0);
    EXPECT_EQ(s[15].gapMs, 500u);
    EXPECT_EQ(s[15].toleranceMs, 80u);
    EXPECT_EQ(s[16].opcode, 0x9D);
    EXPECT_EQ(s[16].withinMs, 1000u);
    EXPECT_EQ(s[16].from.kind, AddressMatch::Kind::Any);
    EXPECT_FALSE(s[18].flag);
    EXPECT_EQ(s[18].withinMs, 5000u);
    EXPECT_EQ(s[19].program, L"Sentrixd.exe");
    EXPECT_FALSE(s[19].flag);
    EXPECT_EQ(s[20].number, 0x100u);
    EXPECT_EQ(s[21].word, "Received Message:WM_HOOK_BROWSERBACK # not a comment");
    EXPECT_TRUE(s[21].flag);
    EXPECT_EQ(s[21].number, 2u);
    EXPECT_EQ(s[23].number, 200u);
    EXPECT_EQ(s[23].word, "request-active-source");
    EXPECT_EQ(s[24].withinMs, 30000u);
}

TEST(FirmwareSimScriptTest, DefaultsOfTheOptionalWords) {
    EXPECT_EQ(only("tv menu-request").number, 0u) << "activate";
    EXPECT_FALSE(only("tv switch-to-pc").flag) << "by Set Stream Path";
    EXPECT_EQ(only("expect frame 0x47").withinMs, 0u) << "checked once";
    const fwsim::Step log = only("expect log \"certificatedKorvath=0\"");
    EXPECT_FALSE(log.flag) << "at least once";
    EXPECT_EQ(log.number, 1u);
    EXPECT_EQ(only("expect log x count 0 within 500").number, 0u);
    EXPECT_EQ(only("expect frame 0x8E gap 500").toleranceMs, 100u);
    EXPECT_EQ(only("measure latency 5").word, "give-osd-name");
    EXPECT_EQ(only("post SENTRIXSET_CHANGED").number, 0u);
    EXPECT_EQ(only("expect frame 0x36 from 11").from.address, 11);
    EXPECT_FALSE(only("expect frame 0xA0").operands) << "any operands";
    EXPECT_EQ(only("expect frame 0xA0 within 10 operands 0x0A 0x1B 0x2C 0x30 3").operands,
              (std::vector<std::uint8_t>{0x0A, 0x1B, 0x2C, 0x30, 3}));
    EXPECT_EQ(only("expect frame 0x46 operands").operands, std::vector<std::uint8_t>{}) << "none at all";
    EXPECT_TRUE(fwsim::parseScript("\n  # only comments\n\n").steps.empty());
}

TEST(FirmwareSimScriptTest, AMalformedLineIsReportedWithItsNumberAndNothingRuns) {
    struct Case {
        const char* line;
        const char* message;
    };
    const Case cases[] = {
        {"jump", "unknown step 'jump'"},
        {"wait", "missing time"},
        {"wait soon", "bad time 'soon'"},
        {"wait 99999999999", "bad time '99999999999'"},
        {"key 0x100", "bad key code '0x100'"},
        {"tv vendor 0x1000000", "bad vendor identifier '0x1000000'"},
        {"tv fly", "unknown TV action 'fly'"},
        {"tv cec maybe", "tv cec takes on or off"},
        {"tv switch-to 1.0.0", "bad physical address '1.0.0'"},
        {"tv switch-to 1.0.0.g", "bad physical address '1.0.0.g'"},
        {"tv send", "tv send takes 1 to 16 bytes"},
        {"tv send 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17", "tv send takes 1 to 16 bytes"},
        {"tv send 0x100", "bad frame byte '0x100'"},
        {"expect frame \"Teleport\"", "unknown opcode 'Teleport'"},
        {"expect frame 0x82 from 16", "bad address '16'"},
        {"expect frame 0x82 sometime", "unexpected 'sometime'"},
        {"expect no-frame 0x82 gap 500", "unexpected 'gap'"},
        {"expect frame 0xA0 operands 1 x", "bad operand 'x'"},
        {"expect frame 0xA0 operands 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15", "a frame has at most 14 operands"},
        {"expect window open", "expect window takes present or absent"},
        {"expect process Sentrixd.exe", "expect process takes running or ended"},
        {"expect log", "missing log text"},
        {"expect log \"x\" count", "missing count"},
        {"expect file C:\\e2e\\keys.txt", "missing text"},
        {"expect tea", "unknown expectation 'tea'"},
        {"expect setting 0x154", "missing setting value"},
        {"press-key 0", "bad virtual key '0'"},
        {"press-key 0x1FF", "bad virtual key '0x1FF'"},
        {"plug now", "unexpected 'now'"},
        {"start", "missing program"},
        {"post", "missing message name"},
        {"measure speed", "unknown measurement 'speed'"},
        {"run \"C:\\Program Files\\x.exe", "unclosed quote"},
    };
    for (const Case& c : cases) {
        const fwsim::ParsedScript parsed =
            fwsim::parseScript("plug\n# comment\n" + std::string(c.line) + "\nunplug\n");
        ASSERT_TRUE(parsed.error) << c.line;
        EXPECT_EQ(parsed.error->line, 3) << c.line;
        EXPECT_EQ(parsed.error->message, c.message) << c.line;
        EXPECT_TRUE(parsed.steps.empty()) << c.line;
    }
}

TEST(FirmwareSimScriptTest, WordsSplitAtBlanksAndQuotesKeepThemTogether) {
    EXPECT_EQ(fwsim::splitWords("  a\tb  \"c d\"e \"\"\r"), (std::vector<std::string>{"a", "b", "c de", ""}));
    EXPECT_EQ(fwsim::splitWords("\"C:\\dir\\\""), (std::vector<std::string>{"C:\\dir\\"})) << "no escapes";
    EXPECT_FALSE(fwsim::splitWords("a \"b"));
}

} // namespace
