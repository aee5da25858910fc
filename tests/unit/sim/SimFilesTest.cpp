// The simulated file system: the files contract, and what only the simulation has: folders
// that exist only when made, and writes that fail on request.
#include "sim/SimFiles.h"
#include "tests/support/FilesContract.h"

namespace {

class SimFilesEnv {
public:
    SimFilesEnv() { m_files.addFolder(kFolder); }
    platform::Files& files() { return m_files; }
    static std::wstring folder() { return kFolder; }
    std::optional<std::string> content(const std::wstring& path) { return m_files.content(path); }
    bool folderExists(const std::wstring& path) { return m_files.folderExists(path); }

private:
    static constexpr const wchar_t* kFolder = L"C:\\Users\\Sentrix\\AppData\\Local\\Temp\\FilesContract";
    sim::SimFiles m_files;
};

TEST(SimFilesTest, FailingWritesLeaveTheFileAsItWas) {
    sim::SimFiles files;
    files.addFolder(L"C:\\Logs");
    ASSERT_TRUE(files.append(L"C:\\Logs\\a.log", "one", 3));
    files.setFailWrites(true);
    EXPECT_FALSE(files.append(L"C:\\Logs\\a.log", "two", 3));
    EXPECT_FALSE(files.append(L"C:\\Logs\\b.log", "two", 3));
    EXPECT_EQ(files.content(L"c:/logs/A.LOG"), std::optional<std::string>("one"));
    EXPECT_FALSE(files.content(L"C:\\Logs\\b.log"));
    files.setFailWrites(false);
    EXPECT_TRUE(files.append(L"C:\\Logs\\a.log", "two", 3));
    EXPECT_EQ(files.content(L"C:\\Logs\\a.log"), std::optional<std::string>("onetwo"));
    EXPECT_TRUE(files.folderExists(L"C:\\")) << "a drive's root always exists";
}

} // namespace

namespace testing_support {
using SimFilesEnvironments = ::testing::Types<SimFilesEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, FilesContract, SimFilesEnvironments);
} // namespace testing_support
