#include "archive/ArchiveTexts.h"

#include <algorithm>

#include "archive/MaskForms.h"
#include "archive/TextMasking.h"

namespace qeb {
namespace {

ArchiveText KindText(LeftOutKind kind) {
    switch (kind) {
        case LeftOutKind::Unreadable:
            return ArchiveText::Unreadable;
        case LeftOutKind::Link:
            return ArchiveText::Link;
        case LeftOutKind::NotListed:
            return ArchiveText::NotListed;
        case LeftOutKind::NameNotStorable:
            return ArchiveText::NameNotStorable;
        case LeftOutKind::ReservedName:
            return ArchiveText::ReservedName;
        case LeftOutKind::NotText:
            return ArchiveText::NotText;
        case LeftOutKind::MaskCheckHit:
            break;
    }
    return ArchiveText::MaskCheckHit;
}

std::string TextOf(const ArchiveTextSource& texts, ArchiveText which,
                   const std::vector<std::size_t>& counts = {}) {
    std::string text = texts ? texts(which) : std::string();
    for (std::size_t i = 0; i < counts.size(); ++i) {
        const std::string mark = "%" + std::to_string(i + 1);
        const std::size_t at = text.find(mark);
        if (at != std::string::npos) {
            text.replace(at, mark.size(), std::to_string(counts[i]));
        }
    }
    return text;
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

std::string NotIncludedText(const std::vector<LeftOutEntry>& entries,
                            const ArchiveTextSource& texts) {
    std::string text = "\xEF\xBB\xBF";
    text += TextOf(texts, ArchiveText::NotIncludedHeading, {entries.size()}) + "\r\n";
    text += TextOf(texts, ArchiveText::NotIncludedColumns) + "\r\n";
    for (const LeftOutEntry& entry : entries) {
        text +=
            TextOf(texts, KindText(entry.kind)) + "\t" + entry.name + "\t" + entry.reason + "\r\n";
    }
    return text;
}

std::string MaskingText(const MaskMap& map, const MaskingReport& report,
                        const ArchiveTextSource& texts) {
    const auto list = [&texts](std::string& text, ArchiveText heading,
                               const std::vector<std::string>& names) {
        text += TextOf(texts, heading, {names.size()}) + "\r\n";
        for (const std::string& name : names) {
            text += name + "\r\n";
        }
    };
    std::string text = "\xEF\xBB\xBF";
    text += TextOf(texts, ArchiveText::MaskingHeading) + "\r\n";
    text += TextOf(texts, ArchiveText::MaskingRules) + "\r\n";
    text += TextOf(texts, ArchiveText::MaskingColumns) + "\r\n";
    for (const MaskKind kind : {MaskKind::Host, MaskKind::Domain, MaskKind::IPv4, MaskKind::IPv6,
                                MaskKind::Mac, MaskKind::User, MaskKind::Word, MaskKind::Sid}) {
        text += std::string(MaskKindName(kind)) + "\t" + std::to_string(map.Replacements(kind)) +
                "\r\n";
    }
    text += TextOf(texts, ArchiveText::MaskingCheck,
                   {static_cast<std::size_t>(report.masked) + report.checkHits.size(),
                    report.checkHits.size()}) +
            "\r\n";
    list(text, ArchiveText::MaskingCheckHits, report.checkHits);
    list(text, ArchiveText::MaskingNotText, report.notText);
    list(text, ArchiveText::MaskingKeptBinary, report.keptBinary);
    return text;
}

}  // namespace qeb
