// Command lines of the system tools, byte for byte. The destination is closed
// by a blank and a quote; the tools' own parsing drops that blank again.
#pragma once

#include <string>

namespace qeb {

// "<tool>" /report "<dest> "
std::wstring BuildMsinfoCommandLine(const std::wstring& toolPath, const std::wstring& dest);

// cmd /c " "<tool>" /FO LIST > "<dest> " "
std::wstring BuildSysinfoCommandLine(const std::wstring& toolPath, const std::wstring& dest);

// cmd /c "<toolDirectory>wevtutil.exe qe <log> /f:RenderedXml /rd:true /unicode:true > "<file>""
std::wstring BuildEventCommandLine(const std::wstring& logName, const std::wstring& outputFile,
                                   const std::wstring& toolDirectory);

// The base file name joined to the destination, its extension replaced by xml.
std::wstring BuildEventOutputFile(const std::wstring& dest, const std::wstring& baseFileName);

}  // namespace qeb
