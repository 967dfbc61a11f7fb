// collect.cmd as the operator runs it: beside QebInfo.exe, through cmd, with a registered
// QEB 8 and the fake tool in place of msinfo32.exe, systeminfo.exe and wevtutil.exe.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <regex>

#include "support/FakeTool.h"
#include "support/ProductFixture.h"
#include "util/UniqueOwner.h"

namespace qeb::test {
namespace {

using Lines = std::vector<std::wstring>;

std::wstring CommandInterpreter() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH + 1);
    return std::wstring(buffer, length) + L"\\cmd.exe";
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The lines of `lines` that begin with `label`.
Lines Labelled(const Lines& lines, const std::wstring& label) {
    Lines found;
    for (const std::wstring& line : lines) {
        if (line.compare(0, label.size(), label) == 0) {
            found.push_back(line);
        }
    }
    return found;
}

class CollectScriptTest : public QebProductTest {
protected:
    void SetUp() override {
        QebProductTest::SetUp();
        m_tools = std::make_unique<FakeSystemTools>();
        const std::wstring built = ModuleDirectory() + L"\\collect.cmd";
        ASSERT_TRUE(::CopyFileW(built.c_str(), ScriptPath().c_str(), FALSE));
        InstallProduct(8);
        MakeDataRoot(8);
    }
    void TearDown() override {
        m_tools.reset();
        QebProductTest::TearDown();
    }

    std::wstring ScriptPath() const { return ExeDirectory() + L"\\collect.cmd"; }

    ProcessResult Collect(const ProcessOptions& options,
                          const std::vector<std::wstring>& switches = {}) {
        std::vector<std::wstring> arguments{L"/c", ScriptPath(), L"8"};
        arguments.insert(arguments.end(), switches.begin(), switches.end());
        return RunProgram(CommandInterpreter(), arguments, options);
    }

    // The folder that the run made below the default destination; it must be the only one.
    std::wstring Collection() const {
        const std::wstring root = ExeDirectory() + L"\\collected";
        Lines folders;
        for (const std::wstring& entry : ListTree(root)) {
            if (entry.find(L'\\') == entry.size() - 1) {
                folders.push_back(entry.substr(0, entry.size() - 1));
            }
        }
        EXPECT_EQ(folders.size(), 1u);
        return folders.empty() ? root : root + L"\\" + folders[0];
    }

    Lines Summary(const std::wstring& folder) const {
        return SplitLines(Decode(ReadBytes(folder + L"\\summary.txt"), 932));
    }

    std::unique_ptr<FakeSystemTools> m_tools;
};

// A computer name is text wherever it goes, even one that holds a command for cmd.
TEST_F(CollectScriptTest, CollectsAllFourIntoOneFolderAndSummarisesThem) {
    const std::wstring computer = L"SRV&echo INJECTED";
    ProcessOptions options = FakeSystemTools::Options();
    options.environment[L"COMPUTERNAME"] = computer;
    const ProcessResult result = Collect(options);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(Labelled(result.Lines(), L"INJECTED"), Lines{});

    const std::wstring folder = Collection();
    const std::wstring name = folder.substr(folder.find_last_of(L'\\') + 1);
    EXPECT_TRUE(std::regex_match(name, std::wregex(computer + L"_\\d{8}_\\d{6}")))
        << Encode(name, 932);
    for (const wchar_t* written :
         {L"QEBW8\\Environment\\Config\\app.ini", L"QEBW8\\QebVer.txt", L"msinfo.txt",
          L"sysinfo.txt", L"event\\system.xml", L"event\\application.xml"}) {
        EXPECT_TRUE(IsFile(folder + L"\\" + written)) << Encode(written, 932);
    }
    // The operator is told what to send last: the archive beside the folder, and its digest.
    const std::string checksums = ReadBytes(folder + L".zip.sha256");
    ASSERT_EQ(checksums.size(), 64 + 2 + Encode(name, 932).size() + 4 + 1) << checksums;
    const Lines lines = result.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], folder + L".zip");
    EXPECT_EQ(lines.back(), L"SHA-256: " + Decode(checksums.substr(0, 64), 932));
    EXPECT_EQ(Labelled(lines, L"[5/5] "), Lines{L"[5/5] 採取フォルダーを ZIP ファイルにまとめています。"});

    const Lines summary = Summary(folder);
    EXPECT_EQ(Labelled(summary, L"QebInfo バージョン: "),
              Lines{L"QebInfo バージョン: " QEB_EXPECTED_VERSION});
    EXPECT_EQ(Labelled(summary, L"コンピューター名: "), Lines{L"コンピューター名: " + computer});
    const std::wstring exe = L"コマンド: \"" + ExePath() + L"\" ";
    const auto log = [&folder](const wchar_t* word) {
        return L" \"-log:" + folder + L"\\" + word + L".log\"";
    };
    EXPECT_EQ(Labelled(summary, L"コマンド: "),
              (Lines{exe + L"QEB \"-dest:" + folder + L"\" \"-product:8\"" + log(L"QEB"),
                     exe + L"MSINFO \"-dest:" + folder + L"\\msinfo.txt\"" + log(L"MSINFO"),
                     exe + L"SYSINFO \"-dest:" + folder + L"\\sysinfo.txt\"" + log(L"SYSINFO"),
                     exe + L"EVENT \"-dest:" + folder + L"\\event\"" + log(L"EVENT")}));
    EXPECT_EQ(Labelled(summary, L"終了コード: "), Lines(4, L"終了コード: 0x00000000 (0)"));
    EXPECT_EQ(Labelled(summary, L"ログ: "),
              (Lines{L"ログ: QEB.log (0 行)", L"ログ: MSINFO.log (0 行)", L"ログ: SYSINFO.log (0 行)",
                     L"ログ: EVENT.log (0 行)"}));
    EXPECT_EQ(Labelled(summary, L"結果: "), Lines{L"結果: すべてのステップが成功しました。"});
    // Restricted before its first step (cmd leaves blanks where the redirections stood).
    Lines restricted = m_tools->CommandLinesOf(L"icacls.exe");
    for (std::wstring& line : restricted) {
        line.erase(line.find_last_not_of(L' ') + 1);
    }
    EXPECT_EQ(restricted,
              Lines{L"icacls \"" + folder +
                    L"\" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F"});
}

TEST_F(CollectScriptTest, AFolderThatCannotBeRestrictedIsNotUsed) {
    const ProcessResult result = Collect(FakeSystemTools::Options(L"5"));
    EXPECT_EQ(result.exitCode, 2u) << result.output;
    ASSERT_FALSE(result.Lines().empty());
    EXPECT_EQ(result.Lines().back().rfind(L"フォルダーのアクセス権を制限できないため", 0), 0u);
    EXPECT_EQ(ListTree(ExeDirectory() + L"\\collected"), Lines{});
    EXPECT_EQ(m_tools->CommandLinesOf(L"msinfo32.exe"), Lines{});
}

TEST_F(CollectScriptTest, AFailedStepIsSummarisedInHexAndFailsTheRun) {
    // systeminfo alone gets the argument LIST; a crash code shows the sign of cmd's errorlevel.
    const ProcessResult result =
        Collect(FakeSystemTools::Options(L"LIST:0xC0000005"), {L"/nozip"});
    EXPECT_EQ(result.exitCode, 1u) << result.output;

    const std::wstring folder = Collection();
    EXPECT_FALSE(IsFile(folder + L".zip"));
    ASSERT_FALSE(result.Lines().empty());
    EXPECT_EQ(result.Lines().back(), folder);
    EXPECT_EQ(Labelled(result.Lines(), L"[3/4] 失"),
              Lines{L"[3/4] 失敗しました。終了コード 0xC0000005: システム ツール自身の終了コードです。"
                    L"画面のメッセージ「コマンド(…)の実行に失敗しました。」を確認してください。"});
    EXPECT_TRUE(IsFile(folder + L"\\event\\application.xml")) << "the step after it did not run";
    const Lines summary = Summary(folder);
    EXPECT_EQ(Labelled(summary, L"終了コード: "),
              (Lines{L"終了コード: 0x00000000 (0)", L"終了コード: 0x00000000 (0)",
                     L"終了コード: 0xC0000005 (-1073741819)", L"終了コード: 0x00000000 (0)"}));
    const Lines meanings = Labelled(summary, L"意味: ");
    ASSERT_EQ(meanings.size(), 4u);
    EXPECT_EQ(meanings[2],
              L"意味: システム ツール自身の終了コードです。"
              L"画面のメッセージ「コマンド(…)の実行に失敗しました。」を確認してください。");
}

// /encrypt and /mask reach the PACK of step 5, which here finds no password on its input; with
// /mask the folder's name carries no computer name.
TEST_F(CollectScriptTest, EncryptAndMaskReachThePack) {
    const ProcessResult result = Collect(FakeSystemTools::Options(), {L"/encrypt", L"/mask"});
    EXPECT_EQ(result.exitCode, 3u) << result.output;
    const std::wstring folder = Collection();
    EXPECT_TRUE(std::regex_match(folder.substr(folder.find_last_of(L'\\') + 1),
                                 std::wregex(L"collect_\\d{8}_\\d{6}")));
    EXPECT_EQ(Labelled(result.Lines(), L"[5/5] 失"),
              Lines{L"[5/5] 失敗しました。終了コード 0x800704C0: "
                    L"暗号化のパスワードが決まらなかったため、ZIP ファイルを作成しませんでした。"});
}

// A line that a step printed with exit code 0 is a warning: it is in the step's log, counted,
// and the summary no longer says that everything succeeded.
TEST_F(CollectScriptTest, LoggedLinesAreCountedAndNamed) {
    const std::wstring locked = ScratchPath(L"product8\\Environment\\Config\\app.ini");
    UniqueHandle holder(::CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder) << Encode(locked, 932);
    const ProcessResult result = Collect(FakeSystemTools::Options());
    EXPECT_EQ(result.exitCode, 0u) << result.output;

    const std::wstring folder = Collection();
    const std::wstring log = Decode(ReadBytes(folder + L"\\QEB.log"), CP_UTF8);
    ASSERT_EQ(log.substr(0, 1), L"\xFEFF");
    const Lines logged = SplitLines(log.substr(1));
    ASSERT_EQ(logged.size(), 1u) << Encode(log, 932);
    EXPECT_NE(logged[0].find(locked), std::wstring::npos) << Encode(logged[0], 932);
    EXPECT_EQ(Labelled(result.Lines(), logged[0]).size(), 1u) << "the console showed it too";
    const Lines summary = Summary(folder);
    EXPECT_EQ(Labelled(summary, L"ログ: QEB.log"), Lines{L"ログ: QEB.log (1 行)"});
    EXPECT_EQ(Labelled(summary, L"結果: "),
              Lines{L"結果: すべてのステップが終了コード 0 で終わりましたが、"
                    L"警告を記録したステップがあります: QEB"});
}

}  // namespace
}  // namespace qeb::test
