// The closing phase of QEB: the inventory of the product's installed files,
// driven by QebVer.ini beside the executable, written as QebVer.txt in code page 932.
#pragma once

#include <string>

#include "commands/CommandResults.h"
#include "util/Messages.h"
#include "util/WholeFileWriter.h"

namespace qeb {

ResultCode RunInventoryPhase(const std::wstring& collectionRoot);

// Writes QebVer.txt whole or reports why not: 126 and 0x80010137 when it cannot be made or
// put in place, 125 and 0x80030103 when a write or the close fails.
class ReportFile : public WholeFileWriter {
public:
    ResultCode Write(const std::wstring& path, const std::wstring& report);
};

// The report in code page 932; characters the code page lacks are dropped.
std::string EncodeReport(const std::wstring& report);

}  // namespace qeb
