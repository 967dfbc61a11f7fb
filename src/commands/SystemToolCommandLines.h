// Command lines of the system tools, byte for byte. The destination is closed
// by a blank and a quote; the tools' own parsing drops that blank again.
#pragma once

#include <string>
#include <vector>

namespace qeb {

// "<tool>" /report "<dest> "
std::wstring BuildMsinfoCommandLine(const std::wstring& toolPath, const std::wstring& dest);

// cmd /c " "<tool>" /FO LIST > "<dest> " "
std::wstring BuildSysinfoCommandLine(const std::wstring& toolPath, const std::wstring& dest);

// cmd /c "<toolDirectory>wevtutil.exe qe <log> /f:RenderedXml /rd:true /unicode:true > "<file>"";
// with a query, /q:"<query>" follows the log name.
std::wstring BuildEventCommandLine(const std::wstring& logName, const std::wstring& outputFile,
                                   const std::wstring& toolDirectory,
                                   const std::wstring& query = std::wstring());

// The base file name joined to the destination, its extension replaced by xml.
std::wstring BuildEventOutputFile(const std::wstring& dest, const std::wstring& baseFileName);

// EVENT's -days: runs from 0 (the whole log) to a century.
constexpr int kMaxEventDays = 36500;

// The events of the last `days` days, 0 < days <= kMaxEventDays, in the XPath of wevtutil's /q:.
std::wstring EventTimeQuery(int days);

// A locale name such as ja-JP: ASCII letters, digits and hyphens only, so that it can stand
// unquoted in a command line.
bool IsPlainLocaleName(const std::wstring& name);

struct EventExportOptions {
    int days = 0;         // 0: every event
    bool evtx = false;    // also the log itself, its display texts and its information
    std::wstring locale;  // the display texts' language; not plain: wevtutil's default
};

// One run of wevtutil for one log.
struct EventToolRun {
    std::wstring commandLine;
    std::wstring outputFile;      // what a successful run must have written; empty: not checked
    std::wstring standardOutput;  // made by the runner for the tool's output; empty: none
};

// The rendered XML through cmd as ever; with -evtx then, without cmd,
// "<tool>" epl <log> "<dest>\<log>.evtx" [/q:"<query>"] /ow:true,
// "<tool>" al "<dest>\<log>.evtx" /l:<locale>, and "<tool>" gli <log> into <log>.loginfo.txt.
std::vector<EventToolRun> BuildEventRuns(const std::wstring& logName,
                                         const std::wstring& baseFileName, const std::wstring& dest,
                                         const std::wstring& toolDirectory,
                                         const EventExportOptions& options);

}  // namespace qeb
