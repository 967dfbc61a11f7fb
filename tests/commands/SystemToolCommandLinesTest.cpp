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

}  // namespace
}  // namespace qeb
