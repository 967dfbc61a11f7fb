// What PACK's -encrypt, -mask and -maskmap: ask for, gathered before anything is written: the
// archive's password, and the map of values to mask with the stand-ins of an earlier map and
// the names of this computer.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "archive/TextMasking.h"
#include "util/ResultCode.h"
#include "util/SecretInput.h"

namespace qeb {

struct PackProtection {
    std::optional<Secret> password;
    std::optional<MaskMap> mask;
    // The DNS domains masked with every name under them: this computer's and -maskdomain:'s;
    // and the NetBIOS name of the domain that this computer is a member of.
    std::vector<std::u16string> maskedDomains;
    std::vector<std::u16string> flatDomains;
    bool keepBinary = false;
};

// What -mask asks for beyond the values of this computer.
struct MaskRequest {
    std::wstring earlierMap;            // -maskmap:
    std::wstring words;                 // -maskwords:
    std::vector<std::wstring> domains;  // -maskdomain:
    bool keepBinary = false;            // -keepbinary
};

// The password: asked twice without echo on a console (three tries), else the first line of
// standard input; never shorter than eight characters. Prints why when it is refused.
ResultCode ReadArchivePassword(std::optional<Secret>& password);

// The map: an earlier one when given, then this computer's values, the domains and the words
// asked for. Prints why when the earlier map or the words cannot be read.
ResultCode PrepareMaskMap(const MaskRequest& request, PackProtection& protection);

}  // namespace qeb
