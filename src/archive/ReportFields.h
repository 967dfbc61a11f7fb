// The identifying values that Windows' reports name in fields of their own: systeminfo's host
// name, owner, organisation, domain and logon server; ipconfig's host name, DNS suffixes and
// DHCPv6 client DUID; msinfo32's system and user names; the computer and account fields of
// event XML; the user and computer columns of IIS logs; and, anywhere, UNC hosts and the
// forms that put a user or a host under a domain (DOMAIN\user, user@domain, CN=user,…,DC=…,
// host.domain). English and Japanese layouts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qeb {

struct LearnedValue {
    // Word: a registered owner or organisation, a DHCPv6 DUID, a DC=… sequence.
    enum class Kind { Host, Domain, User, Word };
    Kind kind;
    std::u16string value;
    // Empty: masked wherever met. Otherwise the domain it stands under (DNS or NetBIOS form):
    // masked only when that domain is.
    std::u16string under;
};

// One per member: a layout's state goes from line to line.
class ReportFieldLearner {
public:
    // A line of the member's decoded text, without its end.
    void Line(std::u16string_view line, std::vector<LearnedValue>& out);

private:
    bool Field(std::u16string_view line, std::vector<LearnedValue>& out);
    void EventFields(std::u16string_view line, std::vector<LearnedValue>& out) const;
    void W3cLine(std::u16string_view line, std::vector<LearnedValue>& out);

    bool m_inSearchList = false;
    int m_userColumn = -1;
    int m_computerColumn = -1;
};

// Forms found anywhere in a line: UNC hosts, DOMAIN\user, user@domain, CN=…,DC=… and dotted
// host names.
void LearnForms(std::u16string_view line, std::vector<LearnedValue>& out);

// What is masked of what was learned: the values learned outright, and those under a masked
// DNS domain (at any depth) or under one of the NetBIOS names (`flatDomains`, and the first
// label of every masked domain); the domains learned outright are masked domains too. A user
// comes out once, as a plain user, to be masked wherever it stands. Letter case of ASCII is
// ignored; at most 100,000 values.
std::vector<LearnedValue> ResolveLearned(const std::vector<LearnedValue>& learned,
                                         const std::vector<std::u16string>& maskedDomains,
                                         const std::vector<std::u16string>& flatDomains);

}  // namespace qeb
