// The closing phase of QEB: the inventory of the product's installed files,
// driven by QebVer.ini beside the executable, written as QebVer.txt in code page 932.
#pragma once

#include <string>

#include "commands/CommandResults.h"

namespace qeb {

ResultCode RunInventoryPhase(const std::wstring& collectionRoot);

// The report in code page 932; characters the code page lacks are dropped.
std::string EncodeReport(const std::wstring& report);

// A system text without its closing line feed and then carriage return.
std::wstring TrimLineEnd(std::wstring text);

}  // namespace qeb
