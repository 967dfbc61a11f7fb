#include "commands/SystemToolCommandLines.h"

namespace qeb {
namespace {

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

std::wstring QuotedDestination(const std::wstring& dest) {
    return Quoted(dest + L" ");
}

}  // namespace

std::wstring BuildMsinfoCommandLine(const std::wstring& toolPath, const std::wstring& dest) {
    return Quoted(toolPath) + L" /report " + QuotedDestination(dest);
}

std::wstring BuildSysinfoCommandLine(const std::wstring& toolPath, const std::wstring& dest) {
    return L"cmd /c \" " + Quoted(toolPath) + L" /FO LIST > " + QuotedDestination(dest) + L" \"";
}

}  // namespace qeb
