#include "archive/ReportFields.h"

#include <algorithm>
#include <set>
#include <utility>

#include "archive/MaskForms.h"

namespace qeb {
namespace {

using Kind = LearnedValue::Kind;
using View = std::u16string_view;

constexpr std::size_t kMaxValue = 256;
constexpr std::size_t kMaxFormsPerLine = 64;
constexpr std::size_t kMaxLearned = 100000;

struct FieldLabel {
    const char16_t* label;
    Kind kind;
};

// The labels of report fields, each followed in its report by blanks or dots and a colon
// (systeminfo, ipconfig) or by a tab (msinfo32).
constexpr FieldLabel kFieldLabels[] = {
    {u"Host Name", Kind::Host},
    {u"ホスト名", Kind::Host},
    {u"System Name", Kind::Host},
    {u"システム名", Kind::Host},
    {u"Logon Server", Kind::Host},
    {u"ログオン サーバー", Kind::Host},
    {u"Registered Owner", Kind::Word},
    {u"登録されている所有者", Kind::Word},
    {u"Registered Organization", Kind::Word},
    {u"登録されている組織", Kind::Word},
    {u"DHCPv6 Client DUID", Kind::Word},
    {u"DHCPv6 クライアント DUID", Kind::Word},
    {u"Domain", Kind::Domain},
    {u"ドメイン", Kind::Domain},
    {u"Primary Dns Suffix", Kind::Domain},
    {u"プライマリ DNS サフィックス", Kind::Domain},
    {u"Connection-specific DNS Suffix", Kind::Domain},
    {u"接続固有の DNS サフィックス", Kind::Domain},
    {u"DNS Suffix Search List", Kind::Domain},
    {u"DNS サフィックス検索一覧", Kind::Domain},
    {u"User Name", Kind::User},
    {u"ユーザー名", Kind::User},
};

// Event data fields that name an account, a domain or a computer.
constexpr const char16_t* kEventUserFields[] = {u"TargetUserName", u"SubjectUserName",
                                                u"AccountName", u"UserName"};
constexpr const char16_t* kEventDomainFields[] = {u"TargetDomainName", u"SubjectDomainName",
                                                  u"AccountDomain"};
constexpr const char16_t* kEventHostFields[] = {u"WorkstationName", u"Workstation",
                                                u"TargetServerName", u"ClientName"};

// Values that name nobody: placeholders, and the accounts and domains that every Windows has.
constexpr const char16_t* kNobody[] = {u"-",
                                       u"n/a",
                                       u"該当なし",
                                       u"利用不可",
                                       u"not available",
                                       u"(none)",
                                       u"none",
                                       u"unknown",
                                       u"system",
                                       u"local service",
                                       u"network service",
                                       u"anonymous logon",
                                       u"nt authority",
                                       u"builtin",
                                       u"workgroup",
                                       u"window manager",
                                       u"font driver host",
                                       u"localhost",
                                       u"user",
                                       u"users",
                                       u"windows user",
                                       u"ユーザー",
                                       u"domain",
                                       u"domain users",
                                       u"domain admins",
                                       u"domain computers",
                                       u"domain controllers",
                                       u"enterprise admins",
                                       u"schema admins",
                                       u"administrators",
                                       u"computers",
                                       u"guests",
                                       u"everyone",
                                       u"authenticated users",
                                       u"interactive",
                                       u"service",
                                       u"batch",
                                       u"creator owner",
                                       u"program data",
                                       u"foreignsecurityprincipals",
                                       u"managed service accounts",
                                       u"nt service",
                                       u"iis apppool",
                                       u"tsclient",
                                       u"wsl"};

bool IsAsciiSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == 0x3000;
}

bool IsNameChar(char16_t c) {
    return c >= 0x80 || IsAsciiDigit(c) || IsAsciiLetter(c) || c == u'-' || c == u'_';
}

View Trimmed(View text) {
    while (!text.empty() && (IsAsciiSpace(text.front()) || text.front() == u'"')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (IsAsciiSpace(text.back()) || text.back() == u'"')) {
        text.remove_suffix(1);
    }
    return text;
}

bool StartsWithIgnoringCase(View text, View prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiLower(text[i]) != AsciiLower(prefix[i])) {
            return false;
        }
    }
    return true;
}

bool EqualsIgnoringCase(View a, View b) {
    return a.size() == b.size() && StartsWithIgnoringCase(a, b);
}

bool NamesNobody(View value) {
    return value.empty() || value.size() > kMaxValue ||
           std::any_of(
               std::begin(kNobody), std::end(kNobody),
               [value](const char16_t* nobody) { return EqualsIgnoringCase(value, nobody); }) ||
           (StartsWithIgnoringCase(value, u"DWM-") || StartsWithIgnoringCase(value, u"UMFD-"));
}

bool IsDotted(View value) {
    const std::size_t dot = value.find(u'.');
    return dot != View::npos && dot > 0 && dot + 1 < value.size();
}

bool IsAllDigitsAndDots(View value) {
    return std::all_of(value.begin(), value.end(),
                       [](char16_t c) { return IsAsciiDigit(c) || c == u'.'; });
}

// A host's or a domain's name is letters, digits, '-', '_' and, for a domain, dots: a field
// whose value holds a blank or other signs names something else.
bool IsHostOrDomainName(View value, Kind kind) {
    return std::all_of(value.begin(), value.end(), [kind](char16_t c) {
        return IsNameChar(c) || (kind == Kind::Domain && c == u'.');
    });
}

void Add(std::vector<LearnedValue>& out, Kind kind, View value, View under = {}) {
    value = Trimmed(value);
    const bool named = kind == Kind::User || kind == Kind::Word || IsHostOrDomainName(value, kind);
    if (named && !NamesNobody(value) && !IsAllDigitsAndDots(value)) {
        out.push_back({kind, std::u16string(value), std::u16string(under)});
    }
}

// A host's name as reports write it: a computer account's trailing $ goes, and a dotted name
// is a host under its domain.
void AddHost(std::vector<LearnedValue>& out, View name, bool domainTooOutright) {
    name = Trimmed(name);
    while (!name.empty() && name.front() == u'\\') {
        name.remove_prefix(1);
    }
    if (!name.empty() && name.back() == u'$') {
        name.remove_suffix(1);
    }
    const std::size_t dot = name.find(u'.');
    if (dot == View::npos || IsAllDigitsAndDots(name)) {
        Add(out, Kind::Host, name);
        return;
    }
    Add(out, Kind::Host, name.substr(0, dot));
    if (domainTooOutright && IsDotted(name.substr(dot + 1))) {
        Add(out, Kind::Domain, name.substr(dot + 1));
    }
}

// DOMAIN\user, user@domain or a plain user.
void AddAccount(std::vector<LearnedValue>& out, View account) {
    account = Trimmed(account);
    const std::size_t slash = account.find(u'\\');
    const std::size_t at = account.find(u'@');
    if (slash != View::npos) {
        Add(out, Kind::User, account.substr(slash + 1), Trimmed(account.substr(0, slash)));
    } else if (at != View::npos && IsDotted(account.substr(at + 1))) {
        Add(out, Kind::User, account.substr(0, at), account.substr(at + 1));
    } else {
        Add(out, Kind::User, account);
    }
}

std::u16string LowerText(View text) {
    return LowerAscii(std::u16string(text));
}

// The text between `open` and the next `close` after `from`; npos-safe.
View Between(View line, std::size_t from, View close) {
    const std::size_t end = line.find(close, from);
    return end == View::npos ? View() : line.substr(from, end - from);
}

bool IsTokenStart(View line, std::size_t at) {
    if (at == 0) {
        return true;
    }
    const char16_t before = line[at - 1];
    return IsAsciiSpace(before) || before == u'"' || before == u'\'' || before == u'=' ||
           before == u'(' || before == u'[' || before == u'>' || before == u',' || before == u';' ||
           before == u':' || before >= 0x3000;
}

std::size_t NameEnd(View line, std::size_t from, bool dots) {
    std::size_t end = from;
    while (end < line.size() && end - from <= kMaxValue &&
           (IsNameChar(line[end]) || (dots && line[end] == u'.') || line[end] == u'$')) {
        ++end;
    }
    return end;
}

void LearnUncHosts(View line, std::vector<LearnedValue>& out) {
    std::size_t found = 0;
    for (std::size_t at = line.find(u"\\\\"); at != View::npos && found < kMaxFormsPerLine;
         at = line.find(u"\\\\", at + 2)) {
        if (!IsTokenStart(line, at) || (at > 0 && line[at - 1] == u':')) {
            continue;
        }
        const std::size_t end = NameEnd(line, at + 2, true);
        const View host = line.substr(at + 2, end - at - 2);
        if (!host.empty() &&
            (end == line.size() || line[end] == u'\\' || IsAsciiSpace(line[end]))) {
            AddHost(out, host, false);
            ++found;
        }
    }
}

void LearnAccounts(View line, std::vector<LearnedValue>& out) {
    std::size_t found = 0;
    for (std::size_t at = line.find(u'\\'); at != View::npos && found < kMaxFormsPerLine;
         at = line.find(u'\\', at + 1)) {
        std::size_t start = at;
        while (start > 0 && (IsNameChar(line[start - 1]) || line[start - 1] == u'.')) {
            --start;
        }
        const View domain = line.substr(start, at - start);
        const std::size_t end = NameEnd(line, at + 1, true);
        const View user = line.substr(at + 1, end - at - 1);
        const bool path = (end < line.size() && (line[end] == u'\\' || line[end] == u'/')) ||
                          (start > 0 && (line[start - 1] == u'\\' || line[start - 1] == u':'));
        if (domain.size() >= 2 && domain.size() <= 15 && !user.empty() && !path &&
            IsTokenStart(line, start)) {
            Add(out, Kind::User, user, domain);
            ++found;
        }
    }
    for (std::size_t at = line.find(u'@'); at != View::npos && found < kMaxFormsPerLine;
         at = line.find(u'@', at + 1)) {
        std::size_t start = at;
        while (start > 0 && (IsNameChar(line[start - 1]) || line[start - 1] == u'.')) {
            --start;
        }
        const std::size_t end = NameEnd(line, at + 1, true);
        View domain = line.substr(at + 1, end - at - 1);
        while (!domain.empty() && domain.back() == u'.') {
            domain.remove_suffix(1);
        }
        if (start < at && IsDotted(domain)) {
            Add(out, Kind::User, line.substr(start, at - start), domain);
            ++found;
        }
    }
}

// CN=user,OU=…,DC=corp,DC=example,DC=com: the user and the DC sequence under their domain.
void LearnDistinguishedNames(View line, std::vector<LearnedValue>& out) {
    for (std::size_t at = 0; (at = line.find(u"DC=", at)) != View::npos;) {
        if (at > 0 && IsNameChar(line[at - 1])) {
            at += 3;
            continue;
        }
        std::u16string domain;
        const std::size_t begin = at;
        std::size_t end = at;
        while (line.compare(at, 3, u"DC=") == 0 ||
               StartsWithIgnoringCase(line.substr(at), u"dc=")) {
            const std::size_t labelEnd = NameEnd(line, at + 3, false);
            domain += (domain.empty() ? u"" : u".") +
                      std::u16string(line.substr(at + 3, labelEnd - at - 3));
            end = labelEnd;
            if (labelEnd >= line.size() || line[labelEnd] != u',') {
                break;
            }
            at = labelEnd + 1;
            while (at < line.size() && line[at] == u' ') {
                ++at;
            }
        }
        at = std::max(end, begin + 3);
        if (!IsDotted(domain)) {
            continue;
        }
        Add(out, Kind::Word, line.substr(begin, end - begin), domain);
        // The name is the first component of the whole name: CN=Sato,CN=Users,DC=… names Sato.
        std::size_t first = begin;
        while (first >= 2 && line[first - 1] == u',') {
            const std::size_t comma = line.rfind(u',', first - 2);
            const std::size_t segment = comma == View::npos ? 0 : comma + 1;
            const View text = line.substr(segment, first - 1 - segment);
            const std::size_t equals = text.find(u'=');
            const std::size_t blank = text.find_last_of(u" \t\"'>(", equals);
            const std::size_t start = blank == View::npos || equals == View::npos ? 0 : blank + 1;
            if (equals == View::npos || equals <= start || equals - start > 2) {
                break;
            }
            first = segment + start;
            if (start > 0) {
                break;  // what stands before the name's first component is no part of it
            }
        }
        if (StartsWithIgnoringCase(line.substr(first), u"CN=")) {
            const View name = Between(line, first + 3, u",");
            if (!name.empty() && name.find(u'=') == View::npos) {
                Add(out, Kind::User, name, domain);
            }
        }
    }
}

// host.corp.example.com: the host under its domain, when the last label is a word.
void LearnDottedHosts(View line, std::vector<LearnedValue>& out) {
    std::size_t found = 0;
    for (std::size_t at = 0; at < line.size() && found < kMaxFormsPerLine;) {
        // A mail address's domain names no host.
        if (!IsNameChar(line[at]) || line[at] >= 0x80 ||
            (at > 0 &&
             (IsNameChar(line[at - 1]) || line[at - 1] == u'.' || line[at - 1] == u'@'))) {
            ++at;
            continue;
        }
        const std::size_t end = NameEnd(line, at, true);
        View name = line.substr(at, end - at);
        while (!name.empty() && name.back() == u'.') {
            name.remove_suffix(1);
        }
        const std::size_t first = name.find(u'.');
        const std::size_t last = name.rfind(u'.');
        const bool lastIsWord =
            last != View::npos && last + 2 < name.size() + 1 &&
            std::all_of(name.begin() + static_cast<std::ptrdiff_t>(last) + 1, name.end(),
                        [](char16_t c) { return IsAsciiLetter(c); });
        if (first != View::npos && first != last && lastIsWord && name.back() != u'$' &&
            std::any_of(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(first),
                        [](char16_t c) { return IsAsciiLetter(c); })) {
            Add(out, Kind::Host, name.substr(0, first), name.substr(first + 1));
            ++found;
        }
        at = std::max(end, at + 1);
    }
}

}  // namespace

void LearnForms(View line, std::vector<LearnedValue>& out) {
    LearnUncHosts(line, out);
    LearnAccounts(line, out);
    LearnDistinguishedNames(line, out);
    LearnDottedHosts(line, out);
}

void ReportFieldLearner::Line(View line, std::vector<LearnedValue>& out) {
    if (line.size() > (64u << 10)) {
        line = line.substr(0, 64u << 10);
    }
    const View trimmed = Trimmed(line);
    if (m_inSearchList) {
        const bool more = !trimmed.empty() && trimmed.find(u':') == View::npos &&
                          trimmed.find(u' ') == View::npos && IsDotted(trimmed) &&
                          IsAsciiSpace(line.empty() ? u'x' : line.front());
        m_inSearchList = more;
        if (more) {
            Add(out, Kind::Domain, trimmed);
            return;
        }
    }
    if (StartsWithIgnoringCase(trimmed, u"#Fields:") ||
        (m_userColumn >= 0 || m_computerColumn >= 0)) {
        W3cLine(trimmed, out);
    }
    if (line.find(u"<Computer>") != View::npos || line.find(u"<Data Name=") != View::npos) {
        EventFields(line, out);
    }
    Field(trimmed, out);
    LearnForms(line, out);
}

bool ReportFieldLearner::Field(View line, std::vector<LearnedValue>& out) {
    for (const FieldLabel& field : kFieldLabels) {
        const View label = field.label;
        if (!StartsWithIgnoringCase(line, label)) {
            continue;
        }
        std::size_t at = label.size();
        while (at < line.size() && (line[at] == u' ' || line[at] == u'.')) {
            ++at;
        }
        if (at >= line.size() || (line[at] != u':' && line[at] != u'\t' && line[at] != 0xFF1A)) {
            continue;
        }
        const View value = Trimmed(line.substr(at + 1));
        if (field.kind == Kind::Domain) {
            m_inSearchList = StartsWithIgnoringCase(label, u"DNS Suffix Search") ||
                             label == View(u"DNS サフィックス検索一覧");
            if (IsDotted(value)) {
                Add(out, Kind::Domain, value);
            }
        } else if (field.kind == Kind::Host) {
            AddHost(out, value, true);
        } else if (field.kind == Kind::User) {
            AddAccount(out, value);
        } else {
            Add(out, field.kind, value);
        }
        return true;
    }
    return false;
}

void ReportFieldLearner::EventFields(View line, std::vector<LearnedValue>& out) const {
    for (std::size_t at = line.find(u"<Computer>"); at != View::npos;
         at = line.find(u"<Computer>", at + 1)) {
        AddHost(out, Between(line, at + 10, u"</Computer>"), true);
    }
    for (std::size_t at = line.find(u"<Data Name="); at != View::npos;
         at = line.find(u"<Data Name=", at + 1)) {
        const std::size_t nameStart = at + 12;
        const std::size_t nameEnd = line.find_first_of(u"'\"", nameStart);
        const std::size_t close = nameEnd == View::npos ? View::npos : line.find(u'>', nameEnd);
        if (close == View::npos || line[close - 1] == u'/') {
            continue;
        }
        const View name = line.substr(nameStart, nameEnd - nameStart);
        const View value = Between(line, close + 1, u"</Data>");
        const auto named = [name](const auto& fields) {
            return std::any_of(std::begin(fields), std::end(fields),
                               [name](const char16_t* field) { return name == View(field); });
        };
        if (named(kEventUserFields)) {
            if (!value.empty() && value.back() == u'$') {
                AddHost(out, value, false);
            } else {
                AddAccount(out, value);
            }
        } else if (named(kEventDomainFields) && IsDotted(value)) {
            Add(out, Kind::Domain, value);
        } else if (named(kEventHostFields)) {
            AddHost(out, value, true);
        }
    }
}

// W3C extended log format: "#Fields:" names the columns of the lines that follow.
void ReportFieldLearner::W3cLine(View line, std::vector<LearnedValue>& out) {
    std::vector<View> columns;
    for (std::size_t at = 0; at < line.size() && columns.size() < 64;) {
        const std::size_t end = std::min(line.find(u' ', at), line.size());
        if (end > at) {
            columns.push_back(line.substr(at, end - at));
        }
        at = end + 1;
    }
    if (!columns.empty() && StartsWithIgnoringCase(columns[0], u"#Fields:")) {
        m_userColumn = m_computerColumn = -1;
        for (std::size_t i = 1; i < columns.size(); ++i) {
            if (EqualsIgnoringCase(columns[i], u"cs-username")) {
                m_userColumn = static_cast<int>(i - 1);
            } else if (EqualsIgnoringCase(columns[i], u"s-computername")) {
                m_computerColumn = static_cast<int>(i - 1);
            }
        }
        return;
    }
    if (columns.empty() || columns[0].front() == u'#') {
        return;
    }
    if (m_userColumn >= 0 && static_cast<std::size_t>(m_userColumn) < columns.size()) {
        AddAccount(out, columns[static_cast<std::size_t>(m_userColumn)]);
    }
    if (m_computerColumn >= 0 && static_cast<std::size_t>(m_computerColumn) < columns.size()) {
        AddHost(out, columns[static_cast<std::size_t>(m_computerColumn)], true);
    }
}

std::vector<LearnedValue> ResolveLearned(const std::vector<LearnedValue>& learned,
                                         const std::vector<std::u16string>& maskedDomains,
                                         const std::vector<std::u16string>& flatDomains) {
    std::set<std::u16string> domains;
    std::set<std::u16string> flat;
    for (const std::u16string& domain : maskedDomains) {
        domains.insert(LowerText(domain));
    }
    for (const LearnedValue& value : learned) {
        if (value.kind == Kind::Domain && value.under.empty()) {
            domains.insert(LowerText(value.value));
        }
    }
    for (const std::u16string& name : flatDomains) {
        flat.insert(LowerText(name));
    }
    for (const std::u16string& domain : domains) {
        flat.insert(domain.substr(0, domain.find(u'.')));
    }
    const auto masked = [&](const std::u16string& under) {
        const std::u16string lower = LowerText(under);
        if (lower.empty()) {
            return true;
        }
        if (lower.find(u'.') == std::u16string::npos) {
            return flat.count(lower) != 0;
        }
        return std::any_of(domains.begin(), domains.end(), [&lower](const std::u16string& domain) {
            return lower == domain ||
                   (lower.size() > domain.size() &&
                    lower.compare(lower.size() - domain.size(), domain.size(), domain) == 0 &&
                    lower[lower.size() - domain.size() - 1] == u'.');
        });
    };
    std::vector<LearnedValue> resolved;
    std::set<std::pair<Kind, std::u16string>> seen;
    for (const LearnedValue& value : learned) {
        if (resolved.size() >= kMaxLearned || !masked(value.under) ||
            !seen.emplace(value.kind, LowerText(value.value)).second) {
            continue;
        }
        resolved.push_back({value.kind, value.value, {}});
    }
    return resolved;
}

}  // namespace qeb
