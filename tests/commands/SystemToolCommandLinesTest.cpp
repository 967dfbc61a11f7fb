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

}  // namespace
}  // namespace qeb
