// The scenario language's parser: the argument forms as the README documents them, the error for
// every kind of malformed line (naming its line), comments and quotes, and the step list of help.
#include "tools/scenario/ScenarioParser.h"

#include <gtest/gtest.h>

namespace {

using namespace scenario;

Step parsed(const std::string& line) {
    Step step;
    ScenarioError error;
    EXPECT_EQ(parseLine(line, "t.scn", 7, step, error), LineParse::Step) << line << ": " << error.text();
    return step;
}

std::string errorOf(const std::string& line) {
    Step step;
    ScenarioError error;
    EXPECT_EQ(parseLine(line, "t.scn", 7, step, error), LineParse::Error) << line;
    return error.text();
}

TEST(ScenarioParser, NumbersHexDurationsAddressesAndBytesAreReadAsDocumented) {
    EXPECT_EQ(parsed("cecc busy 12").action.value, 12u);
    EXPECT_EQ(parsed("cecc busy 0x0C").action.value, 12u);
    EXPECT_EQ(parsed("remote 44").action.value, 0x44u);
    EXPECT_EQ(parsed("remote 0x44").action.value, 0x44u);
    EXPECT_EQ(parsed("tv vendor maker").action.value, 0x0A1B2Cu);
    EXPECT_EQ(parsed("tv vendor 00e091").action.value, 0x00E091u);
    EXPECT_EQ(parsed("wait 500ms").waitMs, 500u);
    EXPECT_EQ(parsed("wait 3s").waitMs, 3000u);
    EXPECT_EQ(parsed("wait 1.5s").waitMs, 1500u);
    EXPECT_EQ(parsed("wait 2m").waitMs, 120000u);
    EXPECT_EQ(parsed("WAIT 1H").waitMs, 3600000u) << "names and units are not case-sensitive";
    EXPECT_EQ(parsed("tv switch 2.1.0.f routing-change").action.address,
              std::optional<std::uint16_t>(0x210F));
    EXPECT_EQ(parsed("tv switch 2.1.0.f routing-change").action.route, Route::RoutingChange);
    EXPECT_FALSE(parsed("tv switch pc").action.address) << "the PC";
    EXPECT_EQ(parsed("tv switch tuner").action.address, std::optional<std::uint16_t>(0));
    const std::vector<std::uint8_t> frame = {0x04, 0x8D, 0x02};
    EXPECT_EQ(parsed("tv send 04 8d 02").action.bytes, frame);
    EXPECT_EQ(parsed("tv send 048D02").action.bytes, frame);
    EXPECT_EQ(parsed("tv send 04:8d:02").action.bytes, frame);
    EXPECT_EQ(parsed("pc resume cec").action.value, 0x31u);
    EXPECT_EQ(parsed("pc resume").action.value, 0u);
}

TEST(ScenarioParser, RegistryStepsCarryHiveKeyNameAndTypedData) {
    const Step set = parsed("registry set HKCU\\SOFTWARE\\KORVATH\\Sentrixd NotifyNotShowCecKorvath dword 1");
    EXPECT_EQ(set.action.hive, Hive::User);
    EXPECT_EQ(set.action.path, L"SOFTWARE\\KORVATH\\Sentrixd");
    EXPECT_EQ(set.action.name, L"NotifyNotShowCecKorvath");
    EXPECT_EQ(set.action.valueType, kRegDword);
    EXPECT_EQ(set.action.bytes, (std::vector<std::uint8_t>{1, 0, 0, 0}));

    const Step text = parsed("registry set HKEY_LOCAL_MACHINE\\Software\\X @ string \"a \\\"b\\\" c\"");
    EXPECT_EQ(text.action.hive, Hive::Machine);
    EXPECT_TRUE(text.action.name.empty()) << "@ is the default value";
    EXPECT_EQ(text.action.valueType, kRegString);
    EXPECT_EQ(text.action.bytes.size(), (7u + 1u) * 2u) << "UTF-16LE with its terminator: a \"b\" c";

    const Step missing = parsed("expect registry HKLM\\Software\\X Y missing");
    EXPECT_EQ(missing.expectation.valueType, 0u);
    EXPECT_EQ(parsed("registry set HKCU\\K V binary").action.bytes.size(), 0u) << "empty binary data";
}

TEST(ScenarioParser, ExpectationsTakeTheirPatterns) {
    const Step bytes = parsed("expect frame 4f 82 10 00 after 500ms");
    EXPECT_EQ(bytes.expectation.frame.bytes, (std::vector<std::uint8_t>{0x4F, 0x82, 0x10, 0x00}));
    EXPECT_EQ(bytes.expectation.afterMs, std::optional<std::uint64_t>(500));
    const Step text = parsed("expect no frame \"Active Source\"");
    EXPECT_TRUE(text.expectation.negated);
    EXPECT_EQ(text.expectation.frame.text, "Active Source");
    const Step window = parsed("expect window \"#32770\" KorSentrixSuiteMain # the controller's");
    EXPECT_EQ(window.expectation.text, "#32770");
    EXPECT_EQ(window.expectation.text2, "KorSentrixSuiteMain");
    EXPECT_EQ(window.source, "expect window \"#32770\" KorSentrixSuiteMain")
        << "the comment is not part of the step";
    EXPECT_TRUE(parsed("expect notification none").expectation.negated);
    const Step program = parsed("expect program Tonemux.exe /HDMI");
    EXPECT_TRUE(program.expectation.hasText2);
    EXPECT_EQ(program.expectation.text2, "/HDMI");
    EXPECT_TRUE(parsed("expect tv input pc").expectation.toPc);
    EXPECT_EQ(parsed("expect media-command channel-up").expectation.value, 51u);
    EXPECT_EQ(parsed("expect media-command 0x2E").expectation.value, 46u);
    EXPECT_FALSE(parsed("expect no media-command").expectation.flag) << "none at all";
    const Step keys = parsed("expect keys 11 down, 43 down,11 up , 0x43 UP in KorAvdeck");
    EXPECT_EQ(keys.expectation.text, "11 down, 43 down, 11 up, 43 up") << "the canonical form";
    EXPECT_EQ(keys.expectation.text2, "KorAvdeck");
    EXPECT_EQ(parsed("expect keys d down").expectation.text, "0D down");
    EXPECT_TRUE(parsed("expect no keys").expectation.negated);
    EXPECT_TRUE(parsed("expect no eject").expectation.negated);
    const Step install = parsed("app install WinDVD.exe \"Dvd Main\"");
    EXPECT_EQ(install.action.text, L"WinDVD.exe");
    EXPECT_EQ(install.action.name, L"Dvd Main");
    EXPECT_EQ(parsed("disc-drive locked").action.value, 2u);
    EXPECT_EQ(parsed("expect log \"Call manageWakeup()\" count 3").expectation.count,
              std::optional<std::uint32_t>(3));
    EXPECT_FALSE(parsed("expect log count").expectation.count) << "a text that is the word count";
}

TEST(ScenarioParser, StepsThatReachAnyEventOrMessageCarryItsNumbers) {
    EXPECT_EQ(parsed("firmware event hot-plug-high").action.value, 0x1581u);
    EXPECT_EQ(parsed("firmware event 15ff").action.value, 0x15FFu);
    EXPECT_EQ(parsed("firmware wakeup-factor-fails 3").action.value, 3u);
    EXPECT_EQ(parsed("cecc logical-address 11").action.value, 11u);
    EXPECT_EQ(parsed("cecc notify 20").action.value, 0x20u);
    EXPECT_EQ(parsed("pc power-event 18").action.value, 18u);
    const Step other = parsed("session event 8 session 2");
    EXPECT_EQ(other.action.value, 8u);
    EXPECT_EQ(other.action.address, std::optional<std::uint16_t>(2));
    EXPECT_FALSE(parsed("session event 7").action.address) << "the console's own session";

    const Step numbered = parsed("post 0x8485 2");
    EXPECT_EQ(numbered.action.kind, ActionKind::PostToController);
    EXPECT_EQ(numbered.action.value, 0x8485u);
    EXPECT_TRUE(numbered.action.text.empty());
    EXPECT_EQ(numbered.action.wParam, 2u);
    EXPECT_EQ(numbered.action.lParam, 0u);
    const Step named = parsed("post QUICKMENU_NOTIFY_CLOSE_MENU 0 0xFFFFFFFF");
    EXPECT_EQ(named.action.text, L"QUICKMENU_NOTIFY_CLOSE_MENU");
    EXPECT_EQ(named.action.lParam, 0xFFFFFFFFu);
    EXPECT_EQ(parsed("post \"7up\"").action.text, L"7up")
        << "a quoted name is a name even when it starts with a digit";
}

TEST(ScenarioParser, ProgramsMeasurementsAndMachineExpectationsTakeTheirArguments) {
    const Step start =
        parsed("program start \"C:\\Program Files\\K\\Set.exe\" C:\\e2e\\log\\a.txt \"two words\"");
    EXPECT_EQ(start.action.kind, ActionKind::ProgramStart);
    EXPECT_EQ(start.action.text, L"C:\\Program Files\\K\\Set.exe") << "backslashes are kept";
    EXPECT_EQ(start.action.arguments, (std::vector<std::wstring>{L"C:\\e2e\\log\\a.txt", L"two words"}));
    const Step run = parsed("program run Outswap.exe");
    EXPECT_EQ(run.action.kind, ActionKind::ProgramRun);
    EXPECT_TRUE(run.action.arguments.empty());

    const Step latency = parsed("measure latency 200 request-active-source");
    EXPECT_EQ(latency.action.value, 200u);
    EXPECT_TRUE(latency.action.flag);
    EXPECT_FALSE(parsed("measure latency 5").action.flag) << "<Give OSD Name> unless said";
    const Step idle = parsed("measure idle Sentrixd.exe 30s");
    EXPECT_EQ(idle.action.text, L"Sentrixd.exe");
    EXPECT_EQ(idle.action.duration, std::optional<std::uint64_t>(30000));

    EXPECT_EQ(parsed("expect exit 0x10").expectation.value, 16u);
    const Step process = parsed("expect process KeyLog.exe ended");
    EXPECT_EQ(process.expectation.path, L"KeyLog.exe");
    EXPECT_FALSE(process.expectation.flag);
    const Step file = parsed("expect file C:\\e2e\\log\\keys.txt \"ready;11 down;\"");
    EXPECT_EQ(file.expectation.path, L"C:\\e2e\\log\\keys.txt");
    EXPECT_EQ(file.expectation.text, "ready;11 down;");
    EXPECT_EQ(parsed("expect log-layout").expectation.kind, ExpectKind::LogLayout);
}

TEST(ScenarioParser, AnyExpectationMayWaitWithinABoundAndFrameGapsMayHaveATolerance) {
    const Step gap = parsed("expect frame \"Active Source\" after 2s tolerance 150ms within 4s");
    EXPECT_EQ(gap.expectation.afterMs, std::optional<std::uint64_t>(2000));
    EXPECT_EQ(gap.expectation.toleranceMs, std::optional<std::uint64_t>(150));
    EXPECT_EQ(gap.expectation.withinMs, std::optional<std::uint64_t>(4000));
    const Step bytes = parsed("expect frame 40 04 within 3s");
    EXPECT_EQ(bytes.expectation.frame.bytes, (std::vector<std::uint8_t>{0x40, 0x04}));
    EXPECT_FALSE(bytes.expectation.afterMs);
    EXPECT_FALSE(parsed("expect frame 40 04 after 1s").expectation.toleranceMs) << "exact unless said";
    const Step count = parsed("expect log \"WM_HOOK_BROWSERBACK\" count 2 within 3s");
    EXPECT_EQ(count.expectation.count, std::optional<std::uint32_t>(2));
    EXPECT_EQ(count.expectation.withinMs, std::optional<std::uint64_t>(3000));
    EXPECT_EQ(parsed("expect no window \"#32770\" Main within 15s").expectation.withinMs,
              std::optional<std::uint64_t>(15000));
    EXPECT_EQ(parsed("expect log \"within\" within 1s").expectation.text, "within")
        << "a quoted word is text, not the keyword";
    EXPECT_EQ(parsed("expect program X.exe within").expectation.text2, "within")
        << "without a duration the word is the step's own";
    EXPECT_FALSE(parsed("expect display hdmi").expectation.withinMs);
}

struct Malformed {
    const char* line;
    const char* message; // a fragment of the error
};
void PrintTo(const Malformed& c, std::ostream* os) {
    *os << '"' << c.line << '"';
}

class MalformedLineTest : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedLineTest, IsAnErrorThatNamesFileLineAndTheProblem) {
    const std::string error = errorOf(GetParam().line);
    EXPECT_EQ(error.rfind("t.scn:7: ", 0), 0u) << error;
    EXPECT_NE(error.find(GetParam().message), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, MalformedLineTest,
    ::testing::Values(
        Malformed{"fly away", "unknown step 'fly'"},
        Malformed{"tv swich pc", "unknown step 'tv swich' (tv takes: vendor"},
        Malformed{"cecc busy many", "bad number 'many' for busy count"},
        Malformed{"cecc busy 99999999999", "too large"}, Malformed{"wait 5", "bad duration '5'"},
        Malformed{"wait 1.0005s", "bad duration"}, Malformed{"wait 99999h", "bad duration"},
        Malformed{"tv switch", "missing input"},
        Malformed{"registry set HKCU\\K V dword", "missing dword value"},
        Malformed{"note", "missing note text"}, Malformed{"tv send 4g", "bad hex bytes '4g'"},
        Malformed{"tv send 048", "bad hex bytes '048'"},
        Malformed{"tv send 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10", "at most 16"},
        Malformed{"expect frame Active Source", "a decoded-text fragment goes in double quotes"},
        Malformed{"remote 100", "bad hex '100' for key code (at most 0xFF)"},
        Malformed{"tv vendor 1000000", "too large (at most 0xFFFFFF)"},
        Malformed{"tv switch pc sideways", "unknown keyword 'sideways' for route"},
        Malformed{"expect sound loud", "unknown keyword 'loud'"},
        Malformed{"registry set HKXX\\K V dword 1", "unknown registry hive 'HKXX'"},
        Malformed{"registry delete-key HKCU", "missing key path"},
        Malformed{"tv switch 1.0.0", "bad physical address '1.0.0'"},
        Malformed{"system language 411", "four hex digits"}, Malformed{"cable plug now", "unexpected 'now'"},
        Malformed{"expect window \"#32770", "unterminated quoted text"},
        Malformed{"note \"a\"b", "followed by a blank"}, Malformed{"expect keys", "expected key events"},
        Malformed{"expect keys 11", "expected down or up after key '11'"},
        Malformed{"expect keys 100 down", "bad virtual-key code '100'"},
        Malformed{"expect keys 00 up", "bad virtual-key code '00'"},
        Malformed{"expect keys 11 sideways", "expected down or up"},
        Malformed{"disc-drive maybe", "unknown keyword 'maybe' for disc drive"},
        Malformed{"app install Player.exe", "missing window class"},
        Malformed{"post 0", "message number 0 is no message"}, Malformed{"post 0x10000", "too large"},
        Malformed{"post", "missing message name"},
        Malformed{"cecc logical-address 15", "too large (at most 14)"},
        Malformed{"firmware event 10000", "too large (at most 0xFFFF)"},
        Malformed{"expect log Foo count", "missing line count"},
        Malformed{"session event 8 session", "missing session identifier"},
        Malformed{"program run", "missing program file"}, Malformed{"program stop X.exe", "unknown step"},
        Malformed{"measure latency 0", "at least one sample"},
        Malformed{"measure latency 5 give-vendor-id", "unknown keyword 'give-vendor-id' for request"},
        Malformed{"measure idle Sentrixd.exe 30000", "bad duration '30000'"},
        Malformed{"expect exit", "missing exit code"},
        Malformed{"expect process KeyLog.exe gone", "unknown keyword 'gone' for process state"},
        Malformed{"expect file C:\\a.txt", "missing file text"},
        Malformed{"expect log-layout now", "unexpected 'now'"},
        Malformed{"expect display hdmi within 8000", "bad duration '8000' for within"},
        Malformed{"expect frame 40 04 after 1s tolerance", "missing tolerance"},
        Malformed{"wait 1s within 2s", "unexpected 'within'"}));

TEST(ScenarioParser, SettingsStepsNameTheBoxesAndTheirStates) {
    EXPECT_EQ(parsed("settings click power-off").action.value, 1011u);
    EXPECT_EQ(parsed("settings click 0x3f1").action.value, 1009u);
    EXPECT_EQ(parsed("settings ok").action.value, 1u);
    EXPECT_EQ(parsed("settings cancel").action.value, 2u);
    const Step box = parsed("expect settings box menu unchecked disabled");
    EXPECT_EQ(box.expectation.kind, ExpectKind::SettingsBox);
    EXPECT_EQ(box.expectation.value, 1012u);
    EXPECT_FALSE(box.expectation.flag);
    EXPECT_EQ(box.expectation.text2, "disabled");
    EXPECT_FALSE(parsed("expect settings box notify checked").expectation.hasText2);
    EXPECT_EQ(parsed("expect settings closed").expectation.kind, ExpectKind::SettingsOpen);
    const Step firmware = parsed("expect firmware power-by-tv off");
    EXPECT_EQ(firmware.expectation.value, 0x155u);
    EXPECT_EQ(firmware.expectation.bytes, std::vector<std::uint8_t>{0});
    const Step exact = parsed("expect firmware setting 154 0");
    EXPECT_EQ(exact.expectation.kind, ExpectKind::FirmwareSetting);
    EXPECT_EQ(exact.expectation.value, 0x154u);
    EXPECT_EQ(exact.expectation.count, std::optional<std::uint32_t>(0));
    for (const char* bad :
         {"settings click sideways", "expect settings box menu ticked", "expect settings ajar",
          "expect firmware hdmi-control maybe", "settings ok now"}) {
        Step step;
        ScenarioError error;
        EXPECT_EQ(parseLine(bad, "t.scn", 1, step, error), LineParse::Error) << bad;
    }
}

TEST(ScenarioParser, AFileIsReadLineByLineAndStopsAtTheFirstMalformedLine) {
    Scenario scenario;
    ScenarioError error;
    const std::string text =
        "# a comment\r\n\r\ntv vendor maker   # the maker's\r\n  cable plug\r\nwait three\r\nbad step\r\n";
    EXPECT_FALSE(parseScenario(text, "f.scn", scenario, error));
    EXPECT_EQ(
        error.text(),
        "f.scn:5: bad duration 'three' for wait (a number and its unit ms, s, m or h, as in 500ms or 3s)");

    ASSERT_TRUE(parseScenario("# only\n\ntv vendor maker\n  cable plug", "f.scn", scenario, error));
    ASSERT_EQ(scenario.steps.size(), 2u);
    EXPECT_EQ(scenario.steps[0].line, 3u);
    EXPECT_EQ(scenario.steps[1].line, 4u);
    EXPECT_EQ(scenario.steps[1].source, "cable plug");
    EXPECT_EQ(scenario.file, "f.scn");

    ASSERT_TRUE(parseScenario("\xEF\xBB\xBF"
                              "cable plug\n",
                              "bom.scn", scenario, error))
        << "a UTF-8 byte-order mark is skipped";
    EXPECT_EQ(scenario.steps.size(), 1u);
}

TEST(ScenarioParser, BytesThatAreNoTextAreAnErrorNotACrash) {
    Step step;
    ScenarioError error;
    const std::string junk("\x01\xff\x00\x7f wait\x00", 10);
    EXPECT_EQ(parseLine(junk, "j.scn", 1, step, error), LineParse::Error);
    EXPECT_EQ(error.line, 1u);
}

TEST(ScenarioParser, HelpListsEveryStepAndFiltersByItsFirstWords) {
    const std::string all = stepHelp();
    for (const char* step : {"tv switch pc|tuner", "cable plug|unplug", "expect frame", "registry set",
                             "wait <duration>", "output-key", "bridge change-output", "message-box answer",
                             "expect controller", "program run", "measure latency", "expect log-layout"}) {
        EXPECT_NE(all.find(step), std::string::npos) << step;
    }
    const std::string tv = stepHelp("tv ");
    EXPECT_NE(tv.find("tv standby"), std::string::npos);
    EXPECT_EQ(tv.find("\n  cable"), std::string::npos);
    EXPECT_TRUE(stepHelp("nothing").empty());
}

} // namespace
