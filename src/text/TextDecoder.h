// Text in a code page, as UTF-16: the inventory reads companion files with it, and PACK -mask
// reads the names in code page 932 members with it.
#pragma once

#include <string>

namespace qeb {

class ITextDecoder {
public:
    virtual ~ITextDecoder() = default;
    // The bytes of `codePage` (up to the first zero byte) as UTF-16; empty when they
    // cannot be converted.
    virtual std::u16string Decode(const std::string& bytes, unsigned codePage) const = 0;
};

}  // namespace qeb
