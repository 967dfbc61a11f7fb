#include "text/Win32TextDecoder.h"

#include "util/CodePage.h"

namespace qeb {

std::u16string Win32TextDecoder::Decode(const std::string& bytes, unsigned codePage) const {
    const std::wstring text = DecodeText(bytes.c_str(), codePage);
    return std::u16string(text.begin(), text.end());
}

}  // namespace qeb
