// QebInfo runs elevated on machines we do not control: what a command line, a system tool
// or the state of the destination could make it do beyond what was asked.
#include <windows.h>

#include <algorithm>
#include <sstream>

#include "support/DirectoryLink.h"
#include "support/ExpectedTexts.h"
#include "support/FakeTool.h"
#include "support/ProductFixture.h"
#include "support/ScopedEnvironment.h"
#include "util/Paths.h"
#include "util/ProcessRunner.h"

namespace qeb::test {
namespace {

using Lines = std::vector<std::wstring>;

// The process ids that the fake tool wrote for itself and for the copy it started.
std::vector<unsigned long> ToolTree(const std::wstring& idFile) {
    std::vector<unsigned long> ids;
    if (!PathExists(idFile)) {
        return ids;
    }
    std::istringstream in(ReadBytes(idFile));
    for (unsigned long id = 0; in >> id;) {
        ids.push_back(id);
    }
    return ids;
}

bool AnyRunning(const std::vector<unsigned long>& ids) {
    for (int i = 0; i < 500; ++i) {
        if (!IsProcessRunning(ids[0]) && !IsProcessRunning(ids[1])) {
            return false;
        }
        ::Sleep(20);
    }
    return true;
}

class SecurityTest : public QebProductTest {
protected:
    void SetUp() override {
        QebProductTest::SetUp();
        m_tools = std::make_unique<FakeSystemTools>();
    }
    void TearDown() override {
        m_tools.reset();
        QebProductTest::TearDown();
    }

    std::unique_ptr<FakeSystemTools> m_tools;
};

TEST_F(SecurityTest, DestinationsThatWouldReachBeyondThePathAreRefused) {
    const std::wstring here = ScratchPath(L"here");
    ::CreateDirectoryW(here.c_str(), nullptr);
    ProcessOptions options = FakeSystemTools::Options();
    options.currentDirectory = here;
    const std::vector<std::vector<std::wstring>> refused = {
        // As typed: "-dest:<out>\x\" & echo P> p.txt & \"y"
        {L"SYSINFO", L"-dest:" + ScratchPath(L"out\\x") + L"\" & echo P> p.txt & \"y"},
        {L"EVENT", L"-dest:" + ScratchPath(L"out\\%TEMP%")},
        {L"MSINFO", L"-dest:" + ScratchPath(L"out\\m\"x.txt")},
        {L"QEB", L"-dest:" + ScratchPath(L"out\\q\"x"), L"-product:8"},
        {L"SYSINFO", L"-dest:" + ScratchPath(L"out\\100%\\s.txt")},
    };
    for (const std::vector<std::wstring>& arguments : refused) {
        SCOPED_TRACE(arguments[1]);
        const ProcessResult result = Run(arguments, options);
        EXPECT_EQ(result.exitCode, 0x80070057u);
        ASSERT_FALSE(result.Lines().empty());
        EXPECT_EQ(result.Lines()[0], ExpectedMessage(124, L"-dest:"));
    }
    EXPECT_EQ(ListTree(here), Lines{});
    EXPECT_FALSE(PathExists(ScratchPath(L"out")));

    // MSINFO hands its destination to no command interpreter: a percent sign is a name.
    const ProcessResult msinfo =
        Run({L"MSINFO", L"-dest:" + ScratchPath(L"out\\100%\\s.txt")}, options);
    EXPECT_EQ(msinfo.exitCode, 0u);
    EXPECT_TRUE(PathExists(ScratchPath(L"out\\100%\\s.txt")));
}

TEST_F(SecurityTest, TimeLimitEndsTheToolWithEverythingItStarted) {
    const std::wstring ids = ScratchPath(L"ids.txt");
    ScopedVariable grandchild(L"QEB_FAKE_GRANDCHILD", ids);
    ScopedVariable sleep(L"QEB_FAKE_SLEEP_MS", L"60000");
    EXPECT_EQ(RunProcess(L"\"" + FakeToolPath() + L"\"", 1000), 0x102u);
    const std::vector<unsigned long> tree = ToolTree(ids);
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_FALSE(AnyRunning(tree));
}

TEST_F(SecurityTest, EndingQebInfoEndsTheToolWithEverythingItStarted) {
    const std::wstring ids = ScratchPath(L"ids.txt");
    ProcessOptions options = FakeSystemTools::Options(L"", L"60000");
    options.environment[L"QEB_FAKE_GRANDCHILD"] = ids;
    BackgroundProcess qebInfo(ExePath(), {L"MSINFO", L"-dest:" + ScratchPath(L"msinfo.txt")},
                              options);
    std::vector<unsigned long> tree;
    for (int i = 0; i < 1000 && tree.size() < 2; ++i) {
        ::Sleep(20);
        tree = ToolTree(ids);
    }
    ASSERT_EQ(tree.size(), 2u);
    qebInfo.Terminate();
    EXPECT_FALSE(AnyRunning(tree));
}

TEST_F(SecurityTest, CollectionBelowACopiedTreeIsNotCopiedAgain) {
    const std::wstring product = InstallProduct(840, {L"A"});
    MakeDataRoot(840);
    // Spelled with forward slashes, as the walk never spells it.
    std::wstring dest = product + L"\\Environment\\Config\\out";
    std::replace(dest.begin(), dest.end(), L'\\', L'/');
    const DWORD start = ::GetTickCount();
    const ProcessResult result = Run({L"QEB", L"-dest:" + dest, L"-product:840"});
    EXPECT_LT(::GetTickCount() - start, 30000u);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(ListTree(product + L"\\Environment\\Config\\out\\QEBW840"),
              (Lines{L"Environment\\", L"Environment\\Config\\", L"Environment\\Config\\app.ini",
                     L"Environment\\Config\\out\\", L"Environment\\Instance\\",
                     L"Environment\\Instance\\A\\", L"Environment\\Instance\\A\\instance.ini",
                     L"Environment\\Instance\\readme.txt", L"QebVer.txt"}));
}

TEST_F(SecurityTest, NothingIsWrittenThroughALinkInTheCollection) {
    InstallProduct(841, {L"A"});
    MakeDataRoot(841);
    const std::wstring system = ScratchPath(L"system");
    Touch(system + L"\\kernel.dll", "original");
    ::CreateDirectoryW(Destination().c_str(), nullptr);
    {
        const DirectoryLink root(CollectionRoot(841), system);
        if (!root.Exists()) {
            GTEST_SKIP() << "directory links cannot be made here";
        }
        const ProcessResult result = RunQeb(841);
        EXPECT_EQ(result.exitCode, 0x80070052u);
        ASSERT_FALSE(result.Lines().empty());
        EXPECT_EQ(result.Lines()[0], ExpectedMessage(103, CollectionRoot(841)));
        EXPECT_EQ(ListTree(system), Lines{L"kernel.dll"});
    }

    ::CreateDirectoryW(CollectionRoot(841).c_str(), nullptr);
    ::CreateDirectoryW((CollectionRoot(841) + L"\\Environment").c_str(), nullptr);
    const DirectoryLink below(CollectionRoot(841) + L"\\Environment\\Instance", system);
    const ProcessResult result = RunQeb(841);
    EXPECT_EQ(result.exitCode, 0u);
    const Lines lines = result.Lines();
    ASSERT_EQ(lines.size(), 2u) << result.output;  // one per file of the instance tree
    for (const std::wstring& line : lines) {
        EXPECT_EQ(line.rfind(L"ファイルコピーに失敗しました。(", 0), 0u) << line;
    }
    EXPECT_EQ(ListTree(system), Lines{L"kernel.dll"});
    EXPECT_EQ(ReadBytes(system + L"\\kernel.dll"), "original");
    EXPECT_TRUE(PathExists(CollectionRoot(841) + L"\\Environment\\Config\\app.ini"));
}

}  // namespace
}  // namespace qeb::test
