// A program host for the firmware simulator's tests: records what it is asked to start and
// run, answers a configurable exit code, and counts keys.
#pragma once

#include "tools/firmware-sim/ProgramHost.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

struct FakeProgramHost final : fwsim::ProgramHost {
    struct Call {
        std::wstring program;
        std::vector<std::wstring> arguments;
    };
    std::vector<Call> started;
    std::vector<Call> ran;
    std::optional<std::uint32_t> exitCode = 0;
    std::map<std::wstring, bool> runningNow;
    int keys = 0;
    int endAllCalls = 0;

    bool start(const std::wstring& program, const std::vector<std::wstring>& arguments,
               std::string& error) override {
        if (program == L"missing.exe") {
            error = "program missing.exe not found in the program folders";
            return false;
        }
        started.push_back({program, arguments});
        runningNow[program] = true;
        return true;
    }
    std::optional<std::uint32_t> run(const std::wstring& program, const std::vector<std::wstring>& arguments,
                                     std::uint32_t, std::string& error) override {
        ran.push_back({program, arguments});
        if (!exitCode) {
            error = "did not end";
        }
        return exitCode;
    }
    std::optional<bool> running(const std::wstring& program) override {
        const auto it = runningNow.find(program);
        return it == runningNow.end() ? std::nullopt : std::optional<bool>(it->second);
    }
    std::optional<Usage> usage(const std::wstring&) override { return std::nullopt; }
    bool pressKey(std::uint8_t, std::string&) override {
        ++keys;
        return true;
    }
    void endAll() override { ++endAllCalls; }
};

} // namespace testing_support
