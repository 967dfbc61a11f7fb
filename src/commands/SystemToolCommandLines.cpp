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
                                   const std::wstring& toolDirectory, const std::wstring& query) {
    const std::wstring commandTemplate =
        (boost::wformat(kEventOuterTemplate) % kEventInnerTemplate).str();
    // Inside the quotes cmd takes the < of the query as text, not as a redirection.
    const std::wstring logAndQuery = query.empty() ? logName : logName + L" /q:" + Quoted(query);
    return (boost::wformat(commandTemplate) % logAndQuery % outputFile % toolDirectory).str();
}

std::wstring EventTimeQuery(int days) {
    const long long milliseconds = static_cast<long long>(days) * 86400000LL;
    return L"*[System[TimeCreated[timediff(@SystemTime) <= " + std::to_wstring(milliseconds) +
           L"]]]";
}

bool IsPlainLocaleName(const std::wstring& name) {
    constexpr size_t kLongestLocaleName = 84;  // LOCALE_NAME_MAX_LENGTH without its NUL
    if (name.empty() || name.size() > kLongestLocaleName) {
        return false;
    }
    for (const wchar_t c : name) {
        const bool plain = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                           (c >= L'0' && c <= L'9') || c == L'-';
        if (!plain) {
            return false;
        }
    }
    return true;
}

std::vector<EventToolRun> BuildEventRuns(const std::wstring& logName,
                                         const std::wstring& baseFileName, const std::wstring& dest,
                                         const std::wstring& toolDirectory,
                                         const EventExportOptions& options) {
    const std::wstring query = options.days > 0 ? EventTimeQuery(options.days) : std::wstring();
    const std::wstring xml = BuildEventOutputFile(dest, baseFileName);
    std::vector<EventToolRun> runs{
        {BuildEventCommandLine(logName, xml, toolDirectory, query), xml, std::wstring()}};
    if (!options.evtx) {
        return runs;
    }
    const std::wstring tool = Quoted(toolDirectory + L"wevtutil.exe");
    const std::wstring evtx = JoinPath(dest, logName + L".evtx");
    const std::wstring queryOption = query.empty() ? std::wstring() : L" /q:" + Quoted(query);
    const std::wstring localeOption =
        IsPlainLocaleName(options.locale) ? L" /l:" + options.locale : std::wstring();
    const std::wstring logInfo = JoinPath(dest, logName + L".loginfo.txt");
    runs.push_back({tool + L" epl " + logName + L" " + Quoted(evtx) + queryOption + L" /ow:true",
                    evtx, std::wstring()});
    runs.push_back({tool + L" al " + Quoted(evtx) + localeOption, std::wstring(), std::wstring()});
    runs.push_back({tool + L" gli " + logName, logInfo, logInfo});
    return runs;
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
