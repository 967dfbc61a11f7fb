// What PACK's -encrypt, -mask and -maskmap: ask for, gathered before anything is written: the
// archive's password, and the map of values to mask with the stand-ins of an earlier map and
// the names of this computer.
#pragma once

#include <optional>
#include <string>

#include "archive/TextMasking.h"
#include "util/ResultCode.h"
#include "util/SecretInput.h"

namespace qeb {

struct PackProtection {
    std::optional<Secret> password;
    std::optional<MaskMap> mask;
};

// The password: asked twice without echo on a console (three tries), else the first line of
// standard input; never shorter than eight characters. Prints why when it is refused.
ResultCode ReadArchivePassword(std::optional<Secret>& password);

// The map: an earlier one from `earlierMap` when given, then this computer's values. Prints
// why when the earlier map cannot be read.
ResultCode PrepareMaskMap(const std::wstring& earlierMap, std::optional<MaskMap>& mask);

}  // namespace qeb
