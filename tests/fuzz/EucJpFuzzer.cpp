// EucJpToShiftJis: never longer than its input, never reads past the terminator, and for
// every JIS X 0208 character that iconv can put into code page 932 the same bytes as iconv.
#include <iconv.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "FuzzCheck.h"
#include "text/EucJp.h"

namespace {

// EUC-JP to CP932 of one character through the C library; empty when it has no mapping.
std::string IconvCharacter(const unsigned char (&euc)[2]) {
    static const iconv_t converter = iconv_open("CP932", "EUC-JP");
    FUZZ_CHECK(converter != reinterpret_cast<iconv_t>(-1));
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char in[2] = {static_cast<char>(euc[0]), static_cast<char>(euc[1])};
    char out[8] = {};
    char* inPointer = in;
    char* outPointer = out;
    size_t inLeft = sizeof in;
    size_t outLeft = sizeof out;
    if (iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) == static_cast<size_t>(-1)) {
        return {};
    }
    return std::string(out, sizeof out - outLeft);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The text up to its first zero byte, in a buffer that ends right after its terminator.
    const size_t length = strnlen(reinterpret_cast<const char*>(data), size);
    const std::unique_ptr<char[]> text(new char[length + 1]);
    std::memcpy(text.get(), data, length);
    text[length] = '\0';
    qeb::EucJpToShiftJis(text.get());
    FUZZ_CHECK(std::strlen(text.get()) <= length);

    // The same bytes taken two at a time as row and cell of JIS X 0208.
    std::string euc;
    for (size_t i = 0; i + 1 < size; i += 2) {
        euc += static_cast<char>(0xA1 + data[i] % 94);
        euc += static_cast<char>(0xA1 + data[i + 1] % 94);
    }
    std::string converted = euc;
    qeb::EucJpToShiftJis(converted.data());
    FUZZ_CHECK(std::strlen(converted.c_str()) == euc.size());
    for (size_t i = 0; i < euc.size(); i += 2) {
        const unsigned char character[2] = {static_cast<unsigned char>(euc[i]),
                                            static_cast<unsigned char>(euc[i + 1])};
        const std::string expected = IconvCharacter(character);
        if (!expected.empty()) {
            FUZZ_CHECK(converted.compare(i, 2, expected) == 0);
        }
    }
    return 0;
}
