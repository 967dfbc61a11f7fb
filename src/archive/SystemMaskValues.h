// The values of this computer that PACK -mask replaces wherever they stand: its NetBIOS and
// DNS host names, its DNS domain, the NetBIOS name of its domain and the local accounts that the
// system reports.
#pragma once

#include <string>

#include "archive/TextMasking.h"

namespace qeb {

struct SystemDomains {
    std::u16string dns;   // empty outside a DNS domain
    std::u16string flat;  // empty on a machine of a workgroup, whose flat name is the workgroup
};

SystemDomains AddSystemMaskValues(MaskMap& map);

// A value with its code page 932 form, when that code page can show every character of it.
MaskValue MaskValueOf(const std::wstring& text);

}  // namespace qeb
