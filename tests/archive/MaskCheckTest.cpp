#include <gtest/gtest.h>

#include <string>

#include "text/Unicode.h"
#include "archive/MaskCheck.h"

namespace qeb {
namespace {

// The code page 932 bytes of the few values these cases use.
std::string CodePage932(const std::u16string& text) {
    return text == u"田中" ? "\x93\x63\x92\x86" : std::string(text.begin(), text.end());
}

bool Hit(const MaskCheck& check, const std::string& bytes, std::size_t piece) {
    MaskCheck::Scan scan(check);
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        const std::size_t size = std::min(piece, bytes.size() - at);
        scan.Feed(bytes.data() + at, size, at + size == bytes.size());
    }
    if (bytes.empty()) {
        scan.Feed("", 0, true);
    }
    return scan.Hit();
}

TEST(MaskCheckTest, FindsWholeWordsInEveryEncodingAcrossPieces) {
    const MaskCheck check({u"VM", u"corp.example.com", u"田中"}, &CodePage932);
    const struct {
        std::string bytes;
        bool hit;
    } cases[] = {
        {"host0001 domain0001.example user0001", false},
        {"on vm.", true},
        {"VMware vm-01 my_vm VM2", false},
        {"x.CORP.Example.com\r\n", true},
        {"corp.example.community", false},
        {"\xE7\x94\xB0\xE4\xB8\xAD", true},
        {"\x93\x63\x92\x86", true},
        {"\xC5\xC4\xC3\xE6", true},
        {Utf16Bytes(u"<Computer>vm</Computer>", false), true},
        {Utf16Bytes(u"<Computer>vm</Computer>", true), true},
        {Utf16Bytes(u"VMs", false), false},
        {Utf16Bytes(u" 田中。", true), true},
        {"", false},
    };
    for (const auto& c : cases) {
        for (const std::size_t piece : {1, 2, 3, 64}) {
            EXPECT_EQ(Hit(check, c.bytes, piece), c.hit) << c.bytes << " in pieces of " << piece;
        }
    }
}

}  // namespace
}  // namespace qeb
