// PACK's checks before it writes anything, and a run that ends part way: in-process where the
// console is read, end to end where the process is ended.
#include <windows.h>

#include <algorithm>

#include "commands/PackCommand.h"
#include "support/ConsoleCapture.h"
#include "support/DirectoryLink.h"
#include "support/ExpectedTexts.h"
#include "support/OutputCallRecorder.h"
#include "support/QebInfoFixture.h"
#include "util/Paths.h"

namespace qeb::test {
namespace {

using Lines = std::vector<std::wstring>;

std::wstring Line(const std::wstring& text) {
    return text + L"\r\n";
}

// The temporary files that PACK made beside its archive.
Lines TemporaryFiles(const std::wstring& directory) {
    Lines found;
    for (const std::wstring& entry : ListTree(directory)) {
        if (entry.rfind(L"~QebInfo-", 0) == 0) {
            found.push_back(entry);
        }
    }
    return found;
}

class PackCommandTest : public QebInfoTest {};

// Nothing is written when PACK refuses: not the archive, not a -log: file. A switch that it
// does not know, or that lacks -mask, is refused: a mistyped privacy switch must never yield a
// plain archive.
TEST_F(PackCommandTest, RefusesWhatItCannotPackBeforeWritingAnything) {
    const std::wstring file = ScratchPath(L"file.txt");
    WriteText(file, "x");
    const std::wstring words = ScratchPath(L"words.txt");
    WriteText(words, "Project Falcon\r\n" + std::string(300, 'x') + "\r\n");
    std::wstring badWords = ExpectedMessage(191, words);
    badWords.replace(badWords.find(L"%2!d!"), 5, L"2");
    const std::wstring target = ScratchPath(L"target");
    ASSERT_TRUE(::CreateDirectoryW(target.c_str(), nullptr));
    const Lines before = ListTree(Scratch());
    const std::wstring dest = L"-dest:" + target;
    const std::wstring usage = Line(ExpectedText(143));
    const struct {
        std::vector<std::wstring> options;
        ResultCode result;
        std::wstring output;
    } cases[] = {
        {{L"-dest:"}, 0x80070057, Line(L"パラメーター -dest: を指定してください。")},
        {{L"-dest:C:\\" + std::wstring(257, L'x')}, 0x80010135,
         Line(L"パラメーター(-dest:)で指定されているパスが長すぎます。")},
        {{L"-dest:" + ScratchPath(L"a\"b")}, 0x80070057, Line(ExpectedMessage(124, L"-dest:"))},
        {{L"-dest:" + ScratchPath(L"missing")}, 0x80070003,
         Line(ExpectedMessage(107, ScratchPath(L"missing")))},
        {{L"-dest:" + file}, 0x8007010B, Line(ExpectedMessage(144, file))},
        {{L"-dest:C:\\"}, 0x8007010B, Line(ExpectedMessage(144, L"C:\\"))},
        {{dest, L"-Encrypt"}, 0x80070057, Line(ExpectedMessage(124, L"-Encrypt")) + usage},
        {{dest, L"-MASK"}, 0x80070057, Line(ExpectedMessage(124, L"-MASK")) + usage},
        {{dest, L"/mask"}, 0x80070057, Line(ExpectedMessage(124, L"/mask")) + usage},
        {{dest, L"-bogus", L"-log:" + ScratchPath(L"pack.log")}, 0x80070057,
         Line(ExpectedMessage(124, L"-bogus")) + usage},
        {{dest, L"-maskmap:" + file}, 0x80070057, Line(ExpectedMessage(102, L"-mask")) + usage},
        {{dest, L"-keepbinary", L"-encrypt"}, 0x80070057,
         Line(ExpectedMessage(102, L"-mask")) + usage},
        {{dest, L"-mask", L"-maskwords:" + words}, 0x8007000D, Line(badWords)},
        {{dest, L"-log:" + target + L"\\pack.log"}, 0x80070057,
         Line(ExpectedMessage(124, L"-log:"))},
        {{dest, L"-log:" + target + L".ZIP.sha256"}, 0x80070057,
         Line(ExpectedMessage(124, L"-log:"))},
    };
    for (const auto& run : cases) {
        SCOPED_TRACE(Encode(run.options.back(), 932));
        const CapturedRun outcome = ExecuteCaptured<CPackCommand>(run.options);
        EXPECT_EQ(outcome.result, run.result);
        EXPECT_EQ(outcome.output, run.output);
    }
    {
        const DirectoryLink link(ScratchPath(L"link"), target);
        if (link.Exists()) {
            EXPECT_EQ(ExecuteCaptured<CPackCommand>({L"-dest:" + ScratchPath(L"link")}).result,
                      0x8007010Bu);
        }
    }
    EXPECT_EQ(ExecuteCaptured<CPackCommand>({L"-dest:", L"-?"}).output, usage);
    EXPECT_EQ(ListTree(Scratch()), before);
}

// No moment shows the new archive beside the earlier checksum or map: they are marked to go
// before the archive is moved in, the new ones moved in after it. A move that fails leaves the
// earlier three as they were.
TEST_F(PackCommandTest, TheArchiveComesInOnlyWithoutTheEarlierChecksumAndMap) {
    const std::wstring folder = ScratchPath(L"SRV_1");
    WriteText(folder + L"\\app.ini", "name=value\r\n");
    const Lines outputs = {folder + L".zip", folder + L".zip.sha256", folder + L".mask-map.txt"};
    for (const std::wstring& output : outputs) {
        WriteText(output, "earlier");
    }
    {
        OutputFaults refused;
        refused.failingRenames = 100;
        refused.renameError = ERROR_ACCESS_DENIED;
        const OutputCallRecorder recorder(refused);
        EXPECT_EQ(ExecuteCaptured<CPackCommand>({L"-dest:" + folder, L"-mask"}).result,
                  0x80070005u);
    }
    for (const std::wstring& output : outputs) {
        EXPECT_EQ(ReadBytes(output), "earlier");
    }
    const OutputCallRecorder recorder;
    EXPECT_EQ(ExecuteCaptured<CPackCommand>({L"-dest:" + folder, L"-mask"}).result, 0u);
    Lines events;
    for (const RecordedCall& call : recorder.Calls()) {
        const std::wstring path = WithoutExtendedPrefix(call.path);
        const bool isOutput = std::find(outputs.begin(), outputs.end(), path) != outputs.end();
        if (isOutput && call.kind == RecordedCall::Kind::Rename) {
            events.push_back(L"in " + path);
        } else if (isOutput && call.kind == RecordedCall::Kind::Dispose && call.flags == 1) {
            events.push_back(L"out " + path);
        }
    }
    EXPECT_EQ(events, (Lines{L"out " + outputs[1], L"out " + outputs[2], L"in " + outputs[0],
                             L"in " + outputs[1], L"in " + outputs[2]}));
}

// The temporary archive goes with the process, however it ends: it is marked for deletion
// from the start. The earlier archive stays.
TEST_F(PackCommandTest, AnEndedRunLeavesTheEarlierArchiveAndNoTemporaryFile) {
    const std::wstring folder = ScratchPath(L"collected\\SRV_1");
    WriteBytes(folder + L"\\database.db", NoiseBytes(64 << 20));
    WriteBytes(folder + L".zip", "earlier archive");
    BackgroundProcess pack(ExePath(), {L"PACK", L"-dest:" + folder});
    const std::wstring parent = ScratchPath(L"collected");
    for (int i = 0; i < 1000 && TemporaryFiles(parent).empty() && pack.IsRunning(); ++i) {
        ::Sleep(10);
    }
    ASSERT_EQ(TemporaryFiles(parent).size(), 1u) << "PACK ended before it wrote";
    pack.Terminate();
    for (int i = 0; i < 300 && !TemporaryFiles(parent).empty(); ++i) {
        ::Sleep(10);
    }
    EXPECT_EQ(TemporaryFiles(parent), Lines{});
    EXPECT_TRUE(ReadBytes(folder + L".zip") == "earlier archive");
}

}  // namespace
}  // namespace qeb::test
