// The values of this computer that PACK -mask replaces wherever they stand: its NetBIOS and
// DNS host names, its DNS domain and the local accounts that the system reports.
#pragma once

#include "archive/TextMasking.h"

namespace qeb {

void AddSystemMaskValues(MaskMap& map);

}  // namespace qeb
