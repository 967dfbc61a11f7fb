// PACK's checks before it writes anything, and a run that ends part way: in-process where the
// console is read, end to end where the process is ended.
#include <windows.h>

#include "commands/PackCommand.h"
#include "support/ConsoleCapture.h"
#include "support/DirectoryLink.h"
#include "support/ExpectedTexts.h"
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

TEST_F(PackCommandTest, RefusesWhatItCannotPackBeforeWritingAnything) {
    const std::wstring file = ScratchPath(L"file.txt");
    WriteText(file, "x");
    const std::wstring target = ScratchPath(L"target");
    ASSERT_TRUE(::CreateDirectoryW(target.c_str(), nullptr));
    const Lines before = ListTree(Scratch());
    const struct {
        std::wstring dest;
        ResultCode result;
        std::wstring output;
    } cases[] = {
        {L"", 0x80070057, Line(L"パラメーター -dest: を指定してください。")},
        {L"C:\\" + std::wstring(257, L'x'), 0x80010135,
         Line(L"パラメーター(-dest:)で指定されているパスが長すぎます。")},
        {ScratchPath(L"a\"b"), 0x80070057, Line(ExpectedMessage(124, L"-dest:"))},
        {ScratchPath(L"missing"), 0x80070003, Line(ExpectedMessage(107, ScratchPath(L"missing")))},
        {file, 0x8007010B, Line(ExpectedMessage(144, file))},
        {L"C:\\", 0x8007010B, Line(ExpectedMessage(144, L"C:\\"))},
    };
    for (const auto& run : cases) {
        SCOPED_TRACE(Encode(run.dest, 932));
        const CapturedRun outcome = ExecuteCaptured<CPackCommand>({L"-dest:" + run.dest});
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
    EXPECT_EQ(ExecuteCaptured<CPackCommand>({L"-dest:", L"-?"}).output,
              Line(ExpectedText(143)));
    EXPECT_EQ(ListTree(Scratch()), before);
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
