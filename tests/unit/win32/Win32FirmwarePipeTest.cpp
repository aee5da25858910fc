// Win32FirmwareTransport's second route: without the driver, the records travel over the pipe
// that the machine-hive setting names. A small pipe server in the test stands for the firmware
// simulator and answers well, short, long or not at all.
// Win32 only.
#include "platform/win32/Win32FirmwareTransport.h"
#include "platform/win32/Win32SimulatorPipe.h"

#include "common/FirmwareRecord.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace platform;
namespace pipe_setting = platform::win32::simulator_pipe;

namespace {

// Sets (or removes) the FirmwarePipe value of one hive for the test's duration and puts back
// what was there before.
class PipeSetting {
public:
    explicit PipeSetting(HKEY hive) : m_hive(hive) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(m_hive, pipe_setting::kSettingKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
            wchar_t buffer[512] = {};
            DWORD bytes = sizeof buffer - sizeof(wchar_t);
            if (RegQueryValueExW(key, pipe_setting::kSettingValue, nullptr, &m_savedType,
                                 reinterpret_cast<BYTE*>(buffer), &bytes) == ERROR_SUCCESS) {
                m_saved = std::wstring(buffer, bytes / sizeof(wchar_t));
                m_hadValue = true;
            }
            RegCloseKey(key);
        }
    }
    ~PipeSetting() {
        if (m_hadValue) {
            write(m_savedType, m_saved);
        } else {
            remove();
        }
    }
    PipeSetting(const PipeSetting&) = delete;
    PipeSetting& operator=(const PipeSetting&) = delete;

    void set(const std::wstring& value) { write(REG_SZ, value + L'\0'); }
    void setDword(DWORD value) {
        HKEY key = create();
        ASSERT_NE(key, nullptr);
        RegSetValueExW(key, pipe_setting::kSettingValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value);
        RegCloseKey(key);
    }
    void remove() {
        HKEY key = nullptr;
        if (RegOpenKeyExW(m_hive, pipe_setting::kSettingKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueW(key, pipe_setting::kSettingValue);
            RegCloseKey(key);
        }
    }

private:
    HKEY create() {
        HKEY key = nullptr;
        RegCreateKeyExW(m_hive, pipe_setting::kSettingKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr);
        return key;
    }
    void write(DWORD type, const std::wstring& data) {
        HKEY key = create();
        ASSERT_NE(key, nullptr);
        RegSetValueExW(key, pipe_setting::kSettingValue, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size() * sizeof(wchar_t)));
        RegCloseKey(key);
    }

    HKEY m_hive;
    bool m_hadValue = false;
    DWORD m_savedType = REG_SZ;
    std::wstring m_saved;
};

// One pipe instance served by a thread: each request message gets the reply that `answer`
// makes of it; an empty reply closes the connection instead.
class TestPipeServer {
public:
    using Answer = std::vector<std::uint8_t> (*)(const std::vector<std::uint8_t>& request);

    TestPipeServer(const std::wstring& name, Answer answer) : m_answer(answer) {
        m_pipe = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX,
                                  PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 4096, 4096, 0,
                                  nullptr);
        if (m_pipe != INVALID_HANDLE_VALUE) {
            m_thread = std::thread([this] { serve(); });
        }
    }
    ~TestPipeServer() {
        if (m_thread.joinable()) {
            m_thread.join();
        }
        if (m_pipe != INVALID_HANDLE_VALUE) {
            CloseHandle(m_pipe);
        }
    }
    TestPipeServer(const TestPipeServer&) = delete;
    TestPipeServer& operator=(const TestPipeServer&) = delete;

    bool listening() const { return m_pipe != INVALID_HANDLE_VALUE; }
    int requests() const { return m_requests; }

private:
    void serve() {
        if (ConnectNamedPipe(m_pipe, nullptr) == FALSE && GetLastError() != ERROR_PIPE_CONNECTED) {
            return;
        }
        for (;;) {
            std::uint8_t buffer[512];
            DWORD read = 0;
            if (ReadFile(m_pipe, buffer, sizeof buffer, &read, nullptr) == FALSE) {
                break;
            }
            ++m_requests;
            const std::vector<std::uint8_t> reply =
                m_answer(std::vector<std::uint8_t>(buffer, buffer + read));
            if (reply.empty()) {
                break;
            }
            DWORD written = 0;
            if (WriteFile(m_pipe, reply.data(), static_cast<DWORD>(reply.size()), &written, nullptr) ==
                FALSE) {
                break;
            }
        }
        FlushFileBuffers(m_pipe);
        DisconnectNamedPipe(m_pipe);
    }

    Answer m_answer;
    HANDLE m_pipe = INVALID_HANDLE_VALUE;
    std::thread m_thread;
    std::atomic<int> m_requests{0};
};

// The firmware's answer: status 0, W1 = W1 of the request + 1, the rest echoed.
std::vector<std::uint8_t> firmwareAnswer(const std::vector<std::uint8_t>& request) {
    if (request.size() != kFirmwareRecordSize) {
        return {};
    }
    std::vector<std::uint8_t> reply(request);
    std::fill(reply.begin(), reply.begin() + 4, 0);
    reply[4] = static_cast<std::uint8_t>(reply[4] + 1);
    return reply;
}

// Requests with W1 = 1 get 23 bytes, W1 = 2 get 40 bytes, W1 = 3 close the pipe; others as above.
std::vector<std::uint8_t> misbehavingAnswer(const std::vector<std::uint8_t>& request) {
    if (request.size() == kFirmwareRecordSize && request[4] == 1) {
        return std::vector<std::uint8_t>(23, 0x77);
    }
    if (request.size() == kFirmwareRecordSize && request[4] == 2) {
        return std::vector<std::uint8_t>(40, 0x77);
    }
    if (request.size() == kFirmwareRecordSize && request[4] == 3) {
        return {};
    }
    return firmwareAnswer(request);
}

std::wstring uniquePipeName(const wchar_t* tag) {
    return std::wstring(pipe_setting::kLocalPipePrefix) + L"SentrixTransportTest." + tag + L"." +
           std::to_wstring(GetCurrentProcessId());
}

class Win32FirmwarePipeTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine.remove();
        user.remove();
    }
    FirmwareRecord call(DeviceHandle device, std::uint32_t w1, bool& ok) {
        FirmwareRecord request;
        request.w0 = fw::kReadRegister;
        request.w1 = w1;
        request.w5 = 0xCAFEF00D;
        FirmwareBytes in;
        request.toBytes(in);
        FirmwareBytes out;
        std::fill(std::begin(out), std::end(out), 0x5A);
        ok = transport.control(device, fw::kControlCode, in, out);
        return FirmwareRecord::fromBytes(out);
    }

    PipeSetting machine{HKEY_LOCAL_MACHINE};
    PipeSetting user{HKEY_CURRENT_USER};
    win32::Win32FirmwareTransport transport;
};

TEST_F(Win32FirmwarePipeTest, WithoutTheMachineSettingAMissingDeviceFailsAsBefore) {
    const std::wstring name = uniquePipeName(L"user");
    TestPipeServer server(name, firmwareAnswer);
    ASSERT_TRUE(server.listening());
    ErrorCode error = 0;
    EXPECT_EQ(transport.openDevice(fw::kDevicePath, error), kInvalidDevice);
    EXPECT_EQ(error, error::kFileNotFound);

    // The same value in the user's hive is never used.
    user.set(name);
    EXPECT_EQ(transport.openDevice(fw::kDevicePath, error), kInvalidDevice);
    EXPECT_EQ(error, error::kFileNotFound);

    // Values that name no local pipe, or are no text, count as absent.
    for (const wchar_t* value :
         {L"", L"\\\\.\\pipe\\", L"C:\\windows\\win.ini", L"\\\\server\\pipe\\firmware"}) {
        machine.set(value);
        error = 0;
        EXPECT_EQ(transport.openDevice(fw::kDevicePath, error), kInvalidDevice);
        EXPECT_EQ(error, error::kFileNotFound);
    }
    machine.setDword(1);
    EXPECT_EQ(transport.openDevice(fw::kDevicePath, error), kInvalidDevice);
    EXPECT_EQ(error, error::kFileNotFound);
    machine.set(std::wstring(pipe_setting::kLocalPipePrefix) +
                std::wstring(pipe_setting::kMaxNameChars, L'x'));
    EXPECT_EQ(transport.openDevice(fw::kDevicePath, error), kInvalidDevice);
    EXPECT_EQ(error, error::kFileNotFound);
    EXPECT_EQ(server.requests(), 0);

    // Only the firmware device falls back to the pipe.
    machine.set(name);
    wchar_t temp[MAX_PATH + 1] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH + 1, temp), 0u);
    const std::wstring missing = std::wstring(temp) + L"SentrixAbsentFolder\\device";
    EXPECT_EQ(transport.openDevice(missing.c_str(), error), kInvalidDevice);
    EXPECT_EQ(error, error::kPathNotFound);

    // Unblock the server thread: a client that connects and leaves at once.
    const DeviceHandle pipe = transport.openDevice(L"\\\\.\\qvsys", error);
    ASSERT_NE(pipe, kInvalidDevice) << "the device path compares without case";
    transport.closeDevice(pipe);
}

TEST_F(Win32FirmwarePipeTest, WithTheMachineSettingRecordsRoundTripOverThePipe) {
    const std::wstring name = uniquePipeName(L"served");
    TestPipeServer server(name, firmwareAnswer);
    ASSERT_TRUE(server.listening());
    machine.set(name);
    ErrorCode error = 0xDEADBEEF;
    const DeviceHandle device = transport.openDevice(fw::kDevicePath, error);
    ASSERT_NE(device, kInvalidDevice) << "error " << error;
    EXPECT_EQ(error, 0xDEADBEEFu) << "untouched on success";

    for (std::uint32_t w1 = 0x10; w1 < 0x14; ++w1) {
        bool ok = false;
        const FirmwareRecord reply = call(device, w1, ok);
        ASSERT_TRUE(ok);
        EXPECT_EQ(reply.w0, 0u);
        EXPECT_EQ(reply.w1, w1 + 1);
        EXPECT_EQ(reply.w5, 0xCAFEF00Du);
    }
    EXPECT_EQ(server.requests(), 4);

    // The pipe stands for the one control code of the device.
    FirmwareBytes in = {};
    FirmwareBytes out = {};
    EXPECT_FALSE(transport.control(device, fw::kControlCode + 4, in, out));
    EXPECT_EQ(server.requests(), 4);
    transport.closeDevice(device);
}

TEST_F(Win32FirmwarePipeTest, RepliesOfTheWrongSizeAndABrokenPipeFailTheCall) {
    const std::wstring name = uniquePipeName(L"faulty");
    TestPipeServer server(name, misbehavingAnswer);
    ASSERT_TRUE(server.listening());
    machine.set(name);
    ErrorCode error = 0;
    const DeviceHandle device = transport.openDevice(fw::kDevicePath, error);
    ASSERT_NE(device, kInvalidDevice) << "error " << error;

    bool ok = true;
    FirmwareRecord reply = call(device, 1, ok); // 23 bytes
    EXPECT_FALSE(ok);
    EXPECT_EQ(reply.w0, 0x5A5A5A5Au) << "the caller's record is untouched";
    reply = call(device, 2, ok); // 40 bytes
    EXPECT_FALSE(ok);
    EXPECT_EQ(reply.w0, 0x5A5A5A5Au);
    EXPECT_EQ(reply.w5, 0x5A5A5A5Au);
    reply = call(device, 0x20, ok); // the rest of the long reply was dropped: back in step
    EXPECT_TRUE(ok);
    EXPECT_EQ(reply.w1, 0x21u);
    reply = call(device, 3, ok); // the server hangs up
    EXPECT_FALSE(ok);
    reply = call(device, 0x20, ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(reply.w0, 0x5A5A5A5Au);
    transport.closeDevice(device);
}

TEST_F(Win32FirmwarePipeTest, ASettingNamingAPipeThatNobodyServesReportsThePipesError) {
    machine.set(uniquePipeName(L"absent"));
    ErrorCode error = 0;
    EXPECT_EQ(transport.openDevice(fw::kDevicePath, error), kInvalidDevice);
    EXPECT_EQ(error, error::kFileNotFound);
}

} // namespace
