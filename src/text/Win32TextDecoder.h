// The system's own conversion of a code page's bytes, for the inventory and PACK -mask alike.
#pragma once

#include "text/TextDecoder.h"

namespace qeb {

class Win32TextDecoder : public ITextDecoder {
public:
    std::u16string Decode(const std::string& bytes, unsigned codePage) const override;
};

}  // namespace qeb
