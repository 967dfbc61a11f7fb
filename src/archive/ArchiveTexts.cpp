#include "archive/ArchiveTexts.h"

#include <algorithm>

#include "archive/MaskForms.h"
#include "archive/TextMasking.h"

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

bool EqualsIgnoringAsciiCase(const std::string& text, const char* name) {
    const std::string expected(name);
    return text.size() == expected.size() &&
           std::equal(text.begin(), text.end(), expected.begin(), [](char a, char b) {
               return AsciiLower(static_cast<unsigned char>(a)) == static_cast<unsigned char>(b);
           });
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

bool IsReservedMemberName(const std::string& name, bool masking) {
    return EqualsIgnoringAsciiCase(name, kManifestName) ||
           EqualsIgnoringAsciiCase(name, kNotIncludedName) ||
           (masking && EqualsIgnoringAsciiCase(name, kMaskingName));
}

std::string NotIncludedText(const std::vector<LeftOutEntry>& entries) {
    std::string text = "\xEF\xBB\xBF";
    text += "アーカイブに含まれていないもの: " + std::to_string(entries.size()) + " 件\r\n";
    text += "種類\tパス\t理由\r\n";
    for (const LeftOutEntry& entry : entries) {
        text +=
            std::string(KindText(entry.kind)) + "\t" + entry.name + "\t" + entry.reason + "\r\n";
    }
    return text;
}

std::string MaskingText(const MaskMap& map, const std::vector<std::string>& unmasked) {
    std::string text = "\xEF\xBB\xBF";
    text += "マスク処理 (PACK -mask)\r\n";
    text +=
        "置き換えた値: コンピューター名 (NetBIOS 名、DNS ホスト名)、DNS ドメイン、"
        "IPv4 アドレス (0.0.0.0、127.0.0.0/8、255.255.255.255、ネットマスクを除く)、"
        "IPv6 アドレス (::、::1 を除く)、MAC アドレス、ユーザー名 (プロファイル パスと"
        "ローカル アカウント、組み込みの名前を除く)。QebVer.txt のドット区切りの数字は"
        "バージョンとして残しています。\r\n";
    text += "種類\t置き換えた数\r\n";
    for (const MaskKind kind : {MaskKind::Host, MaskKind::Domain, MaskKind::IPv4, MaskKind::IPv6,
                                MaskKind::Mac, MaskKind::User}) {
        text += std::string(MaskKindName(kind)) + "\t" + std::to_string(map.Replacements(kind)) +
                "\r\n";
    }
    text += "マスクしていないメンバー (テキストではないため): " + std::to_string(unmasked.size()) +
            " 件\r\n";
    for (const std::string& name : unmasked) {
        text += name + "\r\n";
    }
    return text;
}

}  // namespace qeb
