#include "app/ClosingLine.h"

#include <boost/format.hpp>

#include "util/Console.h"
#include "util/Messages.h"

namespace qeb {

std::wstring FormatClosingLine(ResultCode result, const std::wstring& systemText) {
    if (systemText.empty()) {
        return (boost::wformat(L"Faild (0x%1$x)") % result).str();
    }
    return (boost::wformat(L"%1%(0x%2$x)") % systemText % result).str();
}

void PrintClosingLine(ResultCode result) {
    if (result != kSuccess) {
        PrintLine(FormatClosingLine(result, GetSystemErrorText(result)));
    }
}

}  // namespace qeb
