// QEB end to end: a product in the Wine registry and file system, collected by
// the real program; files that arrived, console lines and exit codes.
#include <windows.h>

#include <algorithm>

#include "support/ExpectedTexts.h"
#include "util/Paths.h"
#include "support/ProductFixture.h"
#include "util/UniqueOwner.h"

namespace qeb::test {
namespace {

using Lines = std::vector<std::wstring>;

std::wstring PathNotFound(const std::wstring& path) {
    return ExpectedMessage(107, path);
}
std::wstring InstanceMissing(const std::wstring& name) {
    return ExpectedMessage(122, name);
}

class QebCommandTest : public QebProductTest {
protected:
    // A product with log databases in its configuration, two instances and a
    // data root holding the sub-directories that are always left out.
    void BuildFullProduct(int version) {
        const std::wstring product = InstallProduct(version);
        const std::wstring config = product + L"\\Environment\\Config\\";
        Touch(config + L"Log\\NtEventLog.db");
        Touch(config + L"Log\\VMPerfLog.db");
        const std::wstring instances = product + L"\\Environment\\Instance\\";
        for (const wchar_t* file :
             {L"A\\data.txt", L"A\\Log\\NtEventLog.db", L"A\\Log\\VMInventoryLog.db",
              L"A\\Log\\VMPerfLog.db", L"A\\Log\\VMPerfLog.db.bak", L"B\\log\\NtEventLog.db"}) {
            Touch(instances + file);
        }
        const std::wstring data = MakeDataRoot(version) + L"\\";
        for (const wchar_t* file :
             {L"settings.xml", L"DAT\\x.dat", L"Temp\\t.tmp", L"sub\\Temp\\y.txt",
              L"sub\\DAT\\deep\\z.dat", L"Environment\\e.txt", L"Environment\\Instance\\keep.txt",
              L"Environment\\Instance\\X\\skip.txt", L"Log\\NtEventLog.db",
              L"Log\\VMInventoryLog.db"}) {
            Touch(data + file);
        }
    }

    // What every run of BuildFullProduct collects outside the instance logs.
    static Lines CommonFiles() {
        return {L"Environment\\",
                L"Environment\\Config\\",
                L"Environment\\Config\\Log\\",
                L"Environment\\Config\\Log\\NtEventLog.db",
                L"Environment\\Config\\app.ini",
                L"Environment\\Instance\\",
                L"Environment\\Instance\\A\\",
                L"Environment\\Instance\\A\\Log\\",
                L"Environment\\Instance\\A\\Log\\VMPerfLog.db.bak",
                L"Environment\\Instance\\A\\data.txt",
                L"Environment\\Instance\\B\\",
                L"Environment\\Instance\\B\\log\\",
                L"Environment\\Instance\\B\\log\\NtEventLog.db",
                L"Environment\\Instance\\keep.txt",
                L"Environment\\Instance\\readme.txt",
                L"Log\\",
                L"Log\\NtEventLog.db",
                L"QebVer.txt",
                L"settings.xml",
                L"sub\\"};
    }

    static Lines With(Lines lines, const Lines& more) {
        lines.insert(lines.end(), more.begin(), more.end());
        std::sort(lines.begin(), lines.end());
        return lines;
    }
};

TEST_F(QebCommandTest, DefaultsCopyEventLogsAndLeaveVmViewerLogsOut) {
    BuildFullProduct(801);
    const ProcessResult result = RunQeb(801);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(result.Lines(), Lines{});
    EXPECT_EQ(Collected(801),
              With(CommonFiles(), {L"Environment\\Instance\\A\\Log\\NtEventLog.db"}));
}

TEST_F(QebCommandTest, NoEventLogChangesOnlyTheInstanceCopy) {
    BuildFullProduct(802);
    const ProcessResult result = RunQeb(802, {L"-noeventlog"});
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(Collected(802), CommonFiles());
}

TEST_F(QebCommandTest, VmViewerChangesOnlyTheInstanceCopy) {
    BuildFullProduct(803);
    const ProcessResult result = RunQeb(803, {L"-vmviewer"});
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(Collected(803),
              With(CommonFiles(), {L"Environment\\Instance\\A\\Log\\NtEventLog.db",
                                   L"Environment\\Instance\\A\\Log\\VMInventoryLog.db",
                                   L"Environment\\Instance\\A\\Log\\VMPerfLog.db"}));
}

TEST_F(QebCommandTest, IncludeListSelectsInstancesAndWarnsAboutMissingOnes) {
    InstallProduct(804, {L"A", L"AB", L"C"});
    MakeDataRoot(804);
    const ProcessResult result = RunQeb(804, {L"-instances:A,B"});
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(result.Lines(), Lines{InstanceMissing(L"B")});
    EXPECT_EQ(Collected(804),
              (Lines{L"Environment\\", L"Environment\\Config\\", L"Environment\\Config\\app.ini",
                     L"Environment\\Instance\\", L"Environment\\Instance\\A\\",
                     L"Environment\\Instance\\A\\instance.ini",
                     L"Environment\\Instance\\readme.txt", L"QebVer.txt"}));
}

TEST_F(QebCommandTest, IgnoreListIsNotConsultedWhenInstancesAreNamed) {
    InstallProduct(805, {L"A", L"B"});
    MakeDataRoot(805);
    const ProcessResult result = RunQeb(805, {L"-instances:A", L"-ignore:A"});
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(result.Lines(), Lines{});
    const Lines collected = Collected(805);
    EXPECT_NE(
        std::find(collected.begin(), collected.end(), L"Environment\\Instance\\A\\instance.ini"),
        collected.end());
    EXPECT_EQ(std::find(collected.begin(), collected.end(), L"Environment\\Instance\\B\\"),
              collected.end());
}

TEST_F(QebCommandTest, IgnoreListAloneLeavesOutItsInstances) {
    InstallProduct(806, {L"A", L"B", L"BC"});
    MakeDataRoot(806);
    ASSERT_EQ(RunQeb(806, {L"-ignore:B"}).exitCode, 0u);
    const Lines collected = Collected(806);
    for (const wchar_t* present :
         {L"Environment\\Instance\\A\\instance.ini", L"Environment\\Instance\\BC\\instance.ini"}) {
        EXPECT_NE(std::find(collected.begin(), collected.end(), present), collected.end());
    }
    EXPECT_EQ(std::find(collected.begin(), collected.end(), L"Environment\\Instance\\B\\"),
              collected.end());
}

TEST_F(QebCommandTest, InstanceNamesMatchCaseSensitively) {
    InstallProduct(807, {L"INST1"});
    MakeDataRoot(807);
    const ProcessResult result = RunQeb(807, {L"-instances:inst1"});
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(result.Lines(), Lines{InstanceMissing(L"inst1")});
    const Lines collected = Collected(807);
    EXPECT_EQ(std::find(collected.begin(), collected.end(), L"Environment\\Instance\\INST1\\"),
              collected.end());
}

TEST_F(QebCommandTest, InstanceNamesAreRegularExpressions) {
    InstallProduct(808, {L"AxB", L"AyyB"});
    MakeDataRoot(808);
    const ProcessResult result = RunQeb(808, {L"-instances:A.B"});
    EXPECT_EQ(result.exitCode, 0u);
    // "A.B" selected AxB, but no directory of that very name arrived.
    EXPECT_EQ(result.Lines(), Lines{InstanceMissing(L"A.B")});
    const Lines collected = Collected(808);
    EXPECT_NE(std::find(collected.begin(), collected.end(), L"Environment\\Instance\\AxB\\"),
              collected.end());
    EXPECT_EQ(std::find(collected.begin(), collected.end(), L"Environment\\Instance\\AyyB\\"),
              collected.end());
}

// Before anything is made or copied.
TEST_F(QebCommandTest, InvalidExpressionEndsOnTheExceptionPath) {
    InstallProduct(809, {L"A"});
    MakeDataRoot(809);
    for (const wchar_t* option : {L"-instances:A(", L"-ignore:\\Q"}) {
        const ProcessResult result = RunQeb(809, {option});
        EXPECT_EQ(result.exitCode, 0x80040206u);
        const Lines lines = result.Lines();
        ASSERT_EQ(lines.size(), 2u);  // the exception's text, then the closing line
        EXPECT_FALSE(lines[0].empty());
        EXPECT_EQ(lines[1], L"Faild (0x80040206)");
        EXPECT_FALSE(PathExists(Destination()));
    }
}

TEST_F(QebCommandTest, SecondRunReplacesReadOnlyCopies) {
    const std::wstring product = InstallProduct(810, {L"A"});
    MakeDataRoot(810);
    const std::wstring source = product + L"\\Environment\\Instance\\A\\instance.ini";
    ASSERT_TRUE(::SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_EQ(RunQeb(810).exitCode, 0u);
    const std::wstring copy = CollectionRoot(810) + L"\\Environment\\Instance\\A\\instance.ini";
    ASSERT_TRUE(::GetFileAttributesW(copy.c_str()) & FILE_ATTRIBUTE_READONLY);

    ::SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_NORMAL);
    Touch(source, "second");
    ::SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_READONLY);
    const ProcessResult second = RunQeb(810);
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_EQ(second.Lines(), Lines{});
    EXPECT_EQ(ReadBytes(copy), "second");

    // A copy that cannot take the earlier one's place leaves it as it was, read-only included.
    {
        UniqueHandle holder(::CreateFileW(copy.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder);
        ::SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_NORMAL);
        Touch(source, "third");
        const ProcessResult third = RunQeb(810);
        EXPECT_EQ(third.exitCode, 0u);
        EXPECT_EQ(third.Lines().size(), 1u) << third.output;
    }
    EXPECT_EQ(ReadBytes(copy), "second");
    EXPECT_TRUE(::GetFileAttributesW(copy.c_str()) & FILE_ATTRIBUTE_READONLY);
    ::SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A copy is made under its own name, or over an earlier one under a temporary name, marked for
// deletion from its start: a run killed meanwhile leaves no partial file under any name, and
// an earlier copy stays whole until a run replaces it.
TEST_F(QebCommandTest, ARunKilledWhileCopyingLeavesNothingHalfMade) {
    const std::wstring product = InstallProduct(814, {L"A"});
    MakeDataRoot(814);
    const std::wstring source = product + L"\\Environment\\Instance\\A\\store.db";
    const std::string content = NoiseBytes(96 << 20);
    const std::wstring copies = CollectionRoot(814) + L"\\Environment\\Instance\\A";
    const auto killedWhile = [&](const std::wstring& prefix) {
        BackgroundProcess run(ExePath(), {L"QEB", L"-dest:" + Destination(), L"-product:814"});
        const auto begun = [&] {
            const Lines entries = ListTree(copies);
            return std::any_of(entries.begin(), entries.end(), [&](const std::wstring& entry) {
                return entry.rfind(prefix, 0) == 0;
            });
        };
        for (int i = 0; i < 2000 && !begun() && run.IsRunning(); ++i) {
            ::Sleep(5);
        }
        EXPECT_TRUE(begun()) << "the run ended before it copied";
        run.Terminate();
        for (int i = 0; i < 300 && begun(); ++i) {
            ::Sleep(10);
        }
        return ListTree(copies);
    };
    WriteBytes(source, content);
    const Lines firstCopy = killedWhile(L"store.db");
    EXPECT_EQ(std::count(firstCopy.begin(), firstCopy.end(), L"store.db"), 0);
    Touch(source, "small");
    ASSERT_EQ(RunQeb(814).exitCode, 0u);
    WriteBytes(source, content);
    EXPECT_EQ(killedWhile(L"~QebInfo-"), (Lines{L"instance.ini", L"store.db"}));
    EXPECT_EQ(ReadBytes(copies + L"\\store.db"), "small");
    EXPECT_EQ(RunQeb(814).exitCode, 0u);
    EXPECT_TRUE(ReadBytes(copies + L"\\store.db") == content);
}

TEST_F(QebCommandTest, LockedSourceFileIsReportedAndTheWalkGoesOn) {
    const std::wstring product = InstallProduct(811, {L"A", L"B"});
    MakeDataRoot(811);
    const std::wstring locked = product + L"\\Environment\\Instance\\A\\instance.ini";
    UniqueHandle holder(::CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    const std::wstring log = ScratchPath(L"qeb.log");
    WriteBytes(log, "\xEF\xBB\xBF" "an earlier run\r\n");
    const ProcessResult result = RunQeb(811, {L"-log:" + log});
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(result.Lines().size(), 1u) << std::string(result.output);
    // Appended, in UTF-8, exactly the lines that the console showed.
    EXPECT_EQ(Decode(ReadBytes(log), CP_UTF8),
              L"\xFEFF" L"an earlier run\r\n" + result.Text());
    const Lines collected = Collected(811);
    EXPECT_NE(
        std::find(collected.begin(), collected.end(), L"Environment\\Instance\\B\\instance.ini"),
        collected.end());
}

// The copy of an earlier run is the operator's evidence: a failed refresh must not destroy it.
TEST_F(QebCommandTest, SecondRunWithALockedSourceKeepsTheFirstCopy) {
    const std::wstring product = InstallProduct(812, {L"A"});
    MakeDataRoot(812);
    const std::wstring source = product + L"\\Environment\\Instance\\A\\instance.ini";
    Touch(source, "first run");
    ASSERT_EQ(RunQeb(812).exitCode, 0u);
    const Lines firstCollected = Collected(812);

    Touch(source, "second run");
    UniqueHandle holder(::CreateFileW(source.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    const ProcessResult second = RunQeb(812);
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_EQ(second.Lines().size(), 1u) << second.output;
    EXPECT_EQ(ReadBytes(CollectionRoot(812) + L"\\Environment\\Instance\\A\\instance.ini"),
              "first run");
    EXPECT_EQ(Collected(812), firstCollected);  // no temporary file left behind
}

// Boost stops an instance expression whose search explodes with its complexity error.
TEST_F(QebCommandTest, ExplodingInstanceExpressionStopsOnTheExceptionPath) {
    InstallProduct(813, {std::wstring(40, L'x')});
    MakeDataRoot(813);
    const DWORD start = ::GetTickCount();
    const ProcessResult result = RunQeb(813, {L"-instances:(x+x+)+y"});
    EXPECT_LT(::GetTickCount() - start, 30000u);
    EXPECT_EQ(result.exitCode, 0x80040206u);
    ASSERT_EQ(result.Lines().size(), 2u) << result.output;
    EXPECT_NE(result.output.find("complexity"), std::string::npos) << result.output;
}

TEST_F(QebCommandTest, UnregisteredVersionCreatesNothing) {
    const ProcessResult result = RunQeb(8);
    EXPECT_EQ(result.exitCode, 0x8011041Fu);
    const Lines lines = result.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], L"QEB 8.0 がインストールされていません。");
    EXPECT_EQ(lines[1], L"Faild (0x8011041f)");
    EXPECT_FALSE(PathExists(Destination()));
}

TEST_F(QebCommandTest, MissingConfigurationDirectoryFails) {
    const std::wstring product = ScratchPath(L"bare");
    Touch(product + L"\\Environment\\Instance\\A\\x.txt");
    Register(812, L"DataDir", product);
    const ProcessResult result = RunQeb(812);
    EXPECT_EQ(result.exitCode, 0x80070003u);
    ASSERT_FALSE(result.Lines().empty());
    EXPECT_EQ(result.Lines()[0], PathNotFound(product + L"\\Environment\\Config"));
    // -dest: is made as before, and nothing in it.
    EXPECT_TRUE(IsDirectory(Destination()));
    EXPECT_EQ(ListTree(Destination()), Lines{});
}

TEST_F(QebCommandTest, MissingInstanceDirectoryFails) {
    const std::wstring product = ScratchPath(L"noinstances");
    Touch(product + L"\\Environment\\Config\\app.ini");
    Register(813, L"DataDir", product);
    MakeDataRoot(813);
    const ProcessResult result = RunQeb(813);
    EXPECT_EQ(result.exitCode, 0x80070003u);
    ASSERT_FALSE(result.Lines().empty());
    EXPECT_EQ(result.Lines()[0], PathNotFound(product + L"\\Environment\\Instance"));
}

TEST_F(QebCommandTest, MissingDataRootIsOnlyAWarning) {
    InstallProduct(814, {L"A"});
    const std::wstring dataRoot = CommonAppData() + L"\\Velmora\\QEBW814";
    RemoveTree(dataRoot);
    const ProcessResult result = RunQeb(814, {L"-instances:A"});
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(result.Lines(), Lines{PathNotFound(dataRoot)});
    const Lines collected = Collected(814);
    EXPECT_NE(
        std::find(collected.begin(), collected.end(), L"Environment\\Instance\\A\\instance.ini"),
        collected.end());
}

TEST_F(QebCommandTest, VersionsBelowEightReadInstallDir) {
    const std::wstring product7 = ScratchPath(L"p7");
    Touch(product7 + L"\\Environment\\Config\\seven.ini");
    Touch(product7 + L"\\Environment\\Instance\\I\\x");
    Register(7, L"InstallDir", product7);
    Register(7, L"DataDir", ScratchPath(L"wrong"));
    const std::wstring product8 = ScratchPath(L"p8");
    Touch(product8 + L"\\Environment\\Config\\eight.ini");
    Touch(product8 + L"\\Environment\\Instance\\I\\x");
    Register(8, L"DataDir", product8);
    Register(8, L"InstallDir", ScratchPath(L"wrong"));

    EXPECT_EQ(RunQeb(7).exitCode, 0u);
    EXPECT_TRUE(PathExists(CollectionRoot(7) + L"\\Environment\\Config\\seven.ini"));
    EXPECT_EQ(RunQeb(8).exitCode, 0u);
    EXPECT_TRUE(PathExists(CollectionRoot(8) + L"\\Environment\\Config\\eight.ini"));
}

TEST_F(QebCommandTest, OptionChecks) {
    const ProcessResult noDest = Run({L"QEB", L"-product:8"});
    EXPECT_EQ(noDest.exitCode, 0x80070057u);
    EXPECT_EQ(noDest.Lines()[0], ExpectedMessage(102, L"-dest:"));

    const ProcessResult noProduct = Run({L"QEB", L"-dest:" + Destination(), L"-product:abc"});
    EXPECT_EQ(noProduct.exitCode, 0x80070057u);
    EXPECT_EQ(noProduct.Lines()[0], ExpectedMessage(124, L"-product:"));

    // 259 characters pass the length check and reach the registry lookup.
    const std::wstring longest = L"C:\\" + std::wstring(256, L'd');
    const ProcessResult accepted = Run({L"QEB", L"-dest:" + longest, L"-product:815"});
    EXPECT_EQ(accepted.exitCode, 0x8011041Fu);

    const ProcessResult tooLong = Run({L"QEB", L"-dest:" + longest + L"d", L"-product:815"});
    EXPECT_EQ(tooLong.exitCode, 0x80010135u);
    EXPECT_EQ(tooLong.Lines()[0], ExpectedMessage(123, L"-dest:"));
}

TEST_F(QebCommandTest, DestinationThatIsAFileEndsOnTheExceptionPath) {
    InstallProduct(816, {L"A"});
    Touch(Destination());
    const ProcessResult result = RunQeb(816);
    EXPECT_EQ(result.exitCode, 0x80040206u);
    EXPECT_FALSE(result.Lines().empty());
    EXPECT_TRUE(PathExists(Destination()));
}

}  // namespace
}  // namespace qeb::test
