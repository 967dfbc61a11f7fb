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
        case LeftOutKind::NotText:
            return "テキストではないファイル (マスクできないため含めていません)";
        case LeftOutKind::MaskCheckHit:
            return "マスク後の確認で元の値が見つかったファイル (含めていません)";
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

std::string MaskingText(const MaskMap& map, const MaskingReport& report) {
    const auto list = [](std::string& text, const char* heading,
                         const std::vector<std::string>& names) {
        text += heading + std::to_string(names.size()) + " 件\r\n";
        for (const std::string& name : names) {
            text += name + "\r\n";
        }
    };
    std::string text = "\xEF\xBB\xBF";
    text += "マスク処理 (PACK -mask)\r\n";
    text +=
        "置き換えた値: コンピューター名 (NetBIOS 名、DNS ホスト名、レポートの項目と UNC パスにある"
        "ほかのコンピューター名)、DNS ドメインとその下のすべての名前、NetBIOS ドメイン名、"
        "IPv4 アドレス (0.0.0.0、127.0.0.0/8、255.255.255.255、ネットマスク、バージョンを除く)、"
        "IPv6 アドレス (::、::1 を除く)、MAC アドレス、ユーザー名 (プロファイル パス、"
        "ローカル アカウント、ドメイン\\ユーザー、ユーザー@ドメイン、CN=、組み込みの名前を除く)、"
        "SID のドメイン部分、登録されている所有者と組織、DHCPv6 DUID、指定された語句。"
        "ファイル名とフォルダー名も同じように置き換えています。QebVer.txt のドット区切りの数字と"
        "バージョン表記の数字はバージョンとして残しています。\r\n";
    text += "種類\t置き換えた数\r\n";
    for (const MaskKind kind : {MaskKind::Host, MaskKind::Domain, MaskKind::IPv4, MaskKind::IPv6,
                                MaskKind::Mac, MaskKind::User, MaskKind::Word, MaskKind::Sid}) {
        text += std::string(MaskKindName(kind)) + "\t" + std::to_string(map.Replacements(kind)) +
                "\r\n";
    }
    text += "マスク後の確認: " + std::to_string(report.masked + report.checkHits.size()) +
            " 件のメンバーを、置き換えた元の値が残っていないか UTF-8、UTF-16LE、UTF-16BE、"
            "Shift_JIS、EUC-JP で確認しました。見つかったもの: " +
            std::to_string(report.checkHits.size()) + " 件\r\n";
    list(text, "確認で元の値が見つかったため含めていないメンバー: ", report.checkHits);
    list(text, "テキストではないため含めていないメンバー: ", report.notText);
    list(text, "テキストではないためマスクせずに含めたメンバー (-keepbinary): ", report.keptBinary);
    return text;
}

}  // namespace qeb
