#include <gtest/gtest.h>

#include "commands/SystemToolCommandLines.h"

namespace qeb {
namespace {

TEST(SystemToolCommandLinesTest, MsinfoAndSysinfoCloseTheDestinationWithABlank) {
    EXPECT_EQ(
        BuildMsinfoCommandLine(L"C:\\Windows\\System32\\msinfo32.exe", L"D:\\out\\msinfo.txt"),
        LR"("C:\Windows\System32\msinfo32.exe" /report "D:\out\msinfo.txt ")");
    EXPECT_EQ(
        BuildSysinfoCommandLine(L"C:\\Windows\\System32\\systeminfo.exe", L"D:\\out\\sysinfo.txt"),
        LR"(cmd /c " "C:\Windows\System32\systeminfo.exe" /FO LIST > "D:\out\sysinfo.txt " ")");
}

TEST(SystemToolCommandLinesTest, EventLinesTakeEveryValueVerbatim) {
    EXPECT_EQ(BuildEventCommandLine(L"system", L"D:\\out\\system.xml", L"C:\\Windows\\System32\\"),
              LR"(cmd /c "C:\Windows\System32\wevtutil.exe qe system /f:RenderedXml /rd:true )"
              LR"(/unicode:true > "D:\out\system.xml"")");
    // Values are arguments of the format, never part of it.
    EXPECT_EQ(BuildEventCommandLine(L"application", L"D:\\100%\\%1%.xml", L"System32\\"),
              LR"(cmd /c "System32\wevtutil.exe qe application /f:RenderedXml /rd:true )"
              LR"(/unicode:true > "D:\100%\%1%.xml"")");
}

TEST(SystemToolCommandLinesTest, EventOutputFilesAreXmlInTheDestination) {
    EXPECT_EQ(BuildEventOutputFile(L"D:\\out", L"system.log"), L"D:\\out\\system.xml");
    EXPECT_EQ(BuildEventOutputFile(L"D:\\out\\", L"application.log"), L"D:\\out\\application.xml");
    EXPECT_EQ(BuildEventOutputFile(L"D:\\logs.old", L"system.log"), L"D:\\logs.old\\system.xml");
    EXPECT_EQ(BuildEventOutputFile(L"D:", L"system.log"), L"D:system.xml");
}

TEST(SystemToolCommandLinesTest, EventRunsWithDaysAndEvtx) {
    const std::wstring tool = L"C:\\Windows\\System32\\";
    const std::vector<EventToolRun> plain =
        BuildEventRuns(L"system", L"system.log", L"D:\\out", tool, EventExportOptions{});
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_EQ(plain[0].commandLine, BuildEventCommandLine(L"system", L"D:\\out\\system.xml", tool));

    const std::wstring query =
        LR"(/q:"*[System[TimeCreated[timediff(@SystemTime) <= 604800000]]]")";
    const std::vector<EventToolRun> runs =
        BuildEventRuns(L"application", L"application.log", L"D:\\o u\\", tool, {7, true, L"ja-JP"});
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[0].commandLine,
              LR"(cmd /c "C:\Windows\System32\wevtutil.exe qe application )" + query +
                  LR"( /f:RenderedXml /rd:true /unicode:true > "D:\o u\application.xml"")");
    EXPECT_EQ(runs[1].commandLine,
              LR"("C:\Windows\System32\wevtutil.exe" epl application )"
              LR"("D:\o u\application.evtx" )" +
                  query + L" /ow:true");
    EXPECT_EQ(runs[2].commandLine,
              LR"("C:\Windows\System32\wevtutil.exe" al "D:\o u\application.evtx" /l:ja-JP)");
    EXPECT_EQ(runs[3].commandLine, LR"("C:\Windows\System32\wevtutil.exe" gli application)");
    EXPECT_EQ(runs[3].outputFile, L"D:\\o u\\application.loginfo.txt");
    EXPECT_EQ(runs[3].standardOutput, runs[3].outputFile);

    // Without days nothing is filtered; a locale that is no plain name is left to wevtutil.
    const std::vector<EventToolRun> whole =
        BuildEventRuns(L"system", L"system.log", L"D:\\out", tool, {0, true, L"ja JP&x"});
    EXPECT_EQ(whole[0].commandLine, plain[0].commandLine);
    EXPECT_EQ(whole[1].commandLine,
              LR"("C:\Windows\System32\wevtutil.exe" epl system "D:\out\system.evtx" /ow:true)");
    EXPECT_EQ(whole[2].commandLine,
              LR"("C:\Windows\System32\wevtutil.exe" al "D:\out\system.evtx")");
}

TEST(SystemToolCommandLinesTest, DaysBecomeMillisecondsBeyondThirtyTwoBits) {
    EXPECT_EQ(EventTimeQuery(1), L"*[System[TimeCreated[timediff(@SystemTime) <= 86400000]]]");
    EXPECT_EQ(EventTimeQuery(30), L"*[System[TimeCreated[timediff(@SystemTime) <= 2592000000]]]");
    EXPECT_EQ(EventTimeQuery(kMaxEventDays),
              L"*[System[TimeCreated[timediff(@SystemTime) <= 3153600000000]]]");
    EXPECT_TRUE(IsPlainLocaleName(L"zh-Hant-TW"));
    for (const std::wstring& name :
         std::vector<std::wstring>{L"", L"ja JP", L"ja\"", L"ja&calc", std::wstring(85, L'a')}) {
        EXPECT_FALSE(IsPlainLocaleName(name)) << name;
    }
}

}  // namespace
}  // namespace qeb
