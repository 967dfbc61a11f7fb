#include "archive/ArchiveTexts.h"

#include <algorithm>

namespace qeb {
namespace {

const char* KindText(LeftOutKind kind) {
    switch (kind) {
        case LeftOutKind::Unreadable:
            return "読み取れないファイル";
        case LeftOutKind::Link:
            return "リンク (たどっていません)";
        case LeftOutKind::NotListed:
            return "一覧を取得できないフォルダー (中身は含まれていません)";
        case LeftOutKind::NameNotStorable:
            return "ZIP に格納できない名前";
        case LeftOutKind::ReservedName:
            return "アーカイブが使う名前と同じ名前";
    }
    return "";
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringAsciiCase(const std::string& text, const char* name) {
    const std::string expected(name);
    return text.size() == expected.size() &&
           std::equal(text.begin(), text.end(), expected.begin(),
                      [](char a, char b) { return AsciiLower(a) == b; });
}

}  // namespace

std::string HexDigest(const Sha256Digest& digest) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(digest.size() * 2);
    for (const unsigned char byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

std::string ChecksumLine(const Sha256Digest& digest, const std::string& name) {
    return HexDigest(digest) + "  " + name + "\n";
}

std::string MemberName(std::string relative, bool directory) {
    std::replace(relative.begin(), relative.end(), '\\', '/');
    if (directory && (relative.empty() || relative.back() != '/')) {
        relative += '/';
    }
    return relative;
}

bool IsReservedMemberName(const std::string& name) {
    return EqualsIgnoringAsciiCase(name, kManifestName) ||
           EqualsIgnoringAsciiCase(name, kNotIncludedName);
}

std::string NotIncludedText(const std::vector<LeftOutEntry>& entries) {
    std::string text = "\xEF\xBB\xBF";
    text += "アーカイブに含まれていないもの: " + std::to_string(entries.size()) + " 件\r\n";
    text += "種類\tパス\t理由\r\n";
    for (const LeftOutEntry& entry : entries) {
        text += std::string(KindText(entry.kind)) + "\t" + entry.name + "\t" + entry.reason + "\r\n";
    }
    return text;
}

}  // namespace qeb
