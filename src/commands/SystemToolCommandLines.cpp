#include "commands/SystemToolCommandLines.h"

#include <boost/format.hpp>

#include "util/PathText.h"

namespace qeb {
namespace {

const wchar_t kEventOuterTemplate[] = L"cmd /c \"%s\"";
const wchar_t kEventInnerTemplate[] =
    L"%3%wevtutil.exe qe %1% /f:RenderedXml /rd:true /unicode:true > \"%2%\"";

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

std::wstring BuildEventCommandLine(const std::wstring& logName, const std::wstring& outputFile,
                                   const std::wstring& toolDirectory) {
    const std::wstring commandTemplate =
        (boost::wformat(kEventOuterTemplate) % kEventInnerTemplate).str();
    return (boost::wformat(commandTemplate) % logName % outputFile % toolDirectory).str();
}

std::wstring BuildEventOutputFile(const std::wstring& dest, const std::wstring& baseFileName) {
    // The joined path always ends in the base name, so its extension is the base name's.
    const std::wstring joined = JoinPath(dest, baseFileName);
    const size_t dot = baseFileName.rfind(L'.');
    const size_t stem =
        dot == std::wstring::npos ? joined.size() : joined.size() - (baseFileName.size() - dot);
    return joined.substr(0, stem) + L".xml";
}

}  // namespace qeb
