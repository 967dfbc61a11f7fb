// QebInfo runs elevated on machines we do not control: what a command line, a system tool
// or the state of the destination could make it do beyond what was asked.
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "commands/QebCommand.h"
#include "support/ConsoleCapture.h"
#include "support/DirectoryLink.h"
#include "support/ExpectedTexts.h"
#include "support/FakeTool.h"
#include "support/OutputCallRecorder.h"
#include "support/ProductFixture.h"
#include "support/ScopedEnvironment.h"
#include "util/FileIdentity.h"
#include "util/OutputProtection.h"
#include "util/PathText.h"
#include "util/Paths.h"
#include "util/ProcessRunner.h"
#include "util/UniqueOwner.h"

namespace qeb::test {
namespace {

using Lines = std::vector<std::wstring>;

// Every entry below a root as "path|identity|time|size|attributes": what a run must not change.
Lines Snapshot(const std::wstring& root) {
    Lines entries;
    for (const std::wstring& relative : ListTree(root)) {
        const std::wstring path = root + L"\\" + relative;
        WIN32_FILE_ATTRIBUTE_DATA data{};
        ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
        const auto identity = IdentifyFile(path);
        std::wostringstream line;
        line << relative << L'|' << (identity ? identity->index : 0) << L'|'
             << data.ftLastWriteTime.dwLowDateTime << L'|' << data.nFileSizeLow << L'|'
             << data.dwFileAttributes;
        entries.push_back(line.str());
    }
    return entries;
}

// What Wine makes of a directory's Unix mode: others may do nothing in it.
bool GivesOthersNothing(const std::wstring& path) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const UniqueLocalMemory owner(descriptor);
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        wchar_t* sid = nullptr;
        if (!::GetAce(dacl, i, reinterpret_cast<void**>(&ace)) ||
            !::ConvertSidToStringSidW(&ace->SidStart, &sid)) {
            return false;
        }
        const UniqueLocalMemory sidOwner(sid);
        for (const wchar_t* others : {L"S-1-1-0", L"S-1-5-11", L"S-1-5-32-545"}) {
            if (wcscmp(sid, others) == 0) {
                return false;
            }
        }
    }
    return true;
}

// The volume root and every directory below it down to `path`.
std::set<std::wstring> LevelsOf(std::wstring path) {
    std::set<std::wstring> levels;
    for (std::wstring parent = DirectoryOf(path); parent != path; parent = DirectoryOf(path)) {
        levels.insert(path);
        path = parent;
    }
    levels.insert(path);
    return levels;
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
    const std::vector<unsigned long> tree = ToolTree(ids);
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

// A source that is the collection root, or lies below it, would be copied onto itself. Both
// ways of making that happen are refused before anything is created, copied or protected.
TEST_F(SecurityTest, ASourceInsideTheCollectionIsRefusedAndLeftAsItWas) {
    InstallProduct(845, {L"A"});
    const std::wstring data = MakeDataRoot(845);
    Touch(data + L"\\settings.xml", "live");
    Touch(data + L"\\Log\\NtEventLog.db", "live log");
    const std::wstring named = ScratchPath(L"products\\QEBW846");
    Touch(named + L"\\Environment\\Config\\app.ini");
    Touch(named + L"\\Environment\\Instance\\A\\instance.ini");
    Register(846, L"DataDir", named);
    MakeDataRoot(846);
    const struct {
        std::wstring dest;
        int version;
        std::wstring source;
    } cases[] = {{CommonAppData() + L"\\Velmora", 845, data},
                 {ScratchPath(L"products"), 846, named}};
    for (const auto& run : cases) {
        SCOPED_TRACE(run.version);
        const Lines before = Snapshot(run.source);
        const ProcessResult result =
            Run({L"QEB", L"-dest:" + run.dest, L"-product:" + std::to_wstring(run.version)});
        EXPECT_EQ(result.exitCode, 0x80070052u);
        ASSERT_FALSE(result.Lines().empty());
        EXPECT_EQ(result.Lines()[0], ExpectedMessage(103, run.source));
        EXPECT_EQ(Snapshot(run.source), before);
    }
}

// What Wine does not enforce shows in the calls. Every directory and file made for an output is
// made protected (SECURITY_ATTRIBUTES), and every level of the output's place is held with an
// access that Windows' sharing check counts (FILE_LIST_DIRECTORY) and without delete sharing.
// An earlier collection is protected entry by entry through each entry's own handle
// (SetKernelObjectSecurity, which carries nothing down to the entries below), the owner set
// only where it differs, and an owner that the file system refuses told once.
TEST_F(SecurityTest, OutputsAreMadeProtectedAndTheirPlacesHeld) {
    InstallProduct(843, {L"A"});
    MakeDataRoot(843);
    const std::wstring dest = ScratchPath(L"out\\new");
    const std::wstring root = dest + L"\\QEBW843";
    const std::wstring protection = OutputProtection::DescriptorText(CurrentUserSid());
    const std::wstring dacl = protection.substr(protection.find(L"D:"));
    const std::vector<std::wstring> qeb = {L"-dest:" + dest, L"-product:843"};
    {
        const OutputCallRecorder recorder;
        ExecuteCaptured<CQebCommand>(qeb);
        Lines made;
        for (const RecordedCall& call : recorder.CallsOf(RecordedCall::Kind::CreateDirectory)) {
            EXPECT_EQ(call.descriptor, protection);
            made.push_back(call.path);
        }
        ASSERT_GE(made.size(), 3u);
        EXPECT_EQ(Lines(made.begin(), made.begin() + 3), (Lines{ScratchPath(L"out"), dest, root}));
        std::set<std::wstring> held;
        for (const RecordedCall& call : recorder.CallsOf(RecordedCall::Kind::CreateFile)) {
            if (call.access == (FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES)) {
                EXPECT_EQ(call.share & FILE_SHARE_DELETE, 0u) << Encode(call.path, 932);
                EXPECT_EQ(call.flags, DWORD{FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT});
                held.insert(call.path);
            } else if ((call.access & GENERIC_WRITE) != 0) {
                EXPECT_EQ(call.descriptor, protection) << Encode(call.path, 932);
            }
        }
        for (const std::wstring& level : LevelsOf(root)) {
            EXPECT_EQ(held.count(level), 1u) << Encode(level, 932);
        }
    }
    // Of a process that is gone: process ids are multiples of four, and no system reaches this one.
    const std::wstring leftover = root + L"\\Environment\\~QebInfo-99999996-0.tmp";
    Touch(leftover, "what an ended run left");
    // The DACL calls and the owner calls of a run over the earlier collection.
    const std::wstring refusalStart = ExpectedMessage(165, root);
    const auto refusals = [&](const std::wstring& output) {
        size_t count = 0;
        for (size_t at = output.find(refusalStart.substr(0, 20)); at != std::wstring::npos;
             at = output.find(refusalStart.substr(0, 20), at + 1)) {
            ++count;
        }
        return count;
    };
    const auto protectedAgain = [&](const OutputFaults& faults, size_t refusalLines) {
        const OutputCallRecorder recorder(faults);
        EXPECT_EQ(refusals(ExecuteCaptured<CQebCommand>(qeb).output), refusalLines);
        const size_t entries = ListTree(root).size() + 1;  // the root and every entry
        std::pair<size_t, size_t> calls;
        for (const RecordedCall& call : recorder.CallsOf(RecordedCall::Kind::SetSecurity)) {
            const bool isDacl = call.access == DACL_SECURITY_INFORMATION;
            EXPECT_EQ(call.descriptor, isDacl ? dacl : L"O:BA");
            ++(isDacl ? calls.first : calls.second);
        }
        EXPECT_EQ(calls.first, entries);  // once each
        EXPECT_LE(calls.second, entries);
        return calls.second;
    };
    protectedAgain(OutputFaults{}, 0);
    EXPECT_FALSE(PathExists(leftover));
    OutputFaults rightOwners;
    rightOwners.ownersAreRight = true;
    EXPECT_EQ(protectedAgain(rightOwners, 0), 0u);
    OutputFaults refusedOwners;
    refusedOwners.ownerError = ERROR_INVALID_OWNER;
    EXPECT_GT(protectedAgain(refusedOwners, 1), 1u);
}

// Wine gives a directory made with the protection a Unix mode that others cannot use, and
// shows that as a DACL without them.
TEST_F(SecurityTest, DirectoriesMadeForOutputsGiveOthersNothing) {
    InstallProduct(844, {L"A"});
    MakeDataRoot(844);
    const struct {
        std::vector<std::wstring> arguments;
        Lines made;
    } runs[] = {
        {{L"QEB", L"-dest:" + ScratchPath(L"q\\out"), L"-product:844"},
         {ScratchPath(L"q"), ScratchPath(L"q\\out"), ScratchPath(L"q\\out\\QEBW844")}},
        {{L"MSINFO", L"-dest:" + ScratchPath(L"m\\sub\\msinfo.txt")},
         {ScratchPath(L"m"), ScratchPath(L"m\\sub")}},
        {{L"SYSINFO", L"-dest:" + ScratchPath(L"s\\sysinfo.txt")}, {ScratchPath(L"s")}},
        {{L"EVENT", L"-dest:" + ScratchPath(L"e\\event")}, {ScratchPath(L"e"), ScratchPath(L"e\\event")}},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.arguments[0]);
        EXPECT_EQ(Run(run.arguments, FakeSystemTools::Options()).exitCode, 0u);
        for (const std::wstring& directory : run.made) {
            EXPECT_TRUE(IsDirectory(directory)) << Encode(directory, 932);
            EXPECT_TRUE(GivesOthersNothing(directory)) << Encode(directory, 932);
        }
    }
    ::CreateDirectoryW(ScratchPath(L"plain").c_str(), nullptr);
    EXPECT_FALSE(GivesOthersNothing(ScratchPath(L"plain"))) << "the check sees nothing";
}

}  // namespace
}  // namespace qeb::test
