// PACK -mask: the values that name a customer's network and accounts, replaced in the text
// members of an archive by stand-ins of their own kind, the same stand-in for the same value
// in every member and, through the map, in every collection of one customer.
//
// Names are replaced wherever they stand as a whole word: neither the character before nor
// the one after is a word character (letters and digits of ASCII, '-' and '_'; every other
// character, non-ASCII ones included, ends a word). Addresses need only no ASCII letter or
// digit beside them, so that both ends of a range 10.0.0.1-10.0.0.9 are found.
//   Host    the computer's NetBIOS and DNS host names (letter case ignored)   host0001
//   Domain  its DNS domain (letter case ignored), as a whole dotted name: not where another
//           ".label" follows; srv01.corp.example.com becomes host0001.domain0001.example
//                                                                           domain0001.example
//   IPv4    valid dotted quads, but not 0.0.0.0, 127.0.0.0/8, 255.255.255.255 or a netmask,
//           and no quad that is part of a longer dotted number or name (10.0.17763.1,
//           v.1.2.3.4)                                                      10.254.0.1
//   IPv6    full and compressed forms, an embedded IPv4 tail and a zone index allowed (the
//           zone stays); not :: or ::1, nor a compressed form without a decimal digit, which
//           is rather a scope such as Add::Face                             fd00::1
//   Mac     six pairs of hex digits joined by '-' or ':', not all zeros or all ones;
//           the stand-in keeps the original's separator and letter case     02-00-00-00-00-01
//   User    the name in a profile path (<drive>:\Users\<name>, either slash, up to the next
//           path separator, blank, quote, control character or character that no account
//           name holds, trailing dots dropped) and the local account names that the system
//           reports, letter case ignored, except the built-in names Administrator, Guest,
//           DefaultAccount, WDAGUtilityAccount, SYSTEM, LOCAL SERVICE, NETWORK SERVICE,
//           Public, Default, Default User, All Users                        user0001
// A stand-in that the map already holds is never replaced again, so masking masked text
// changes nothing; no name is replaced where it would cut into an address, and no value right
// where another ended, as their stand-ins would run into one word. A profile path's name that
// is too long (over 256 characters) or unreadable is left whole.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "text/TextClassifier.h"

namespace qeb {

enum class MaskKind { Host, Domain, IPv4, IPv6, Mac, User, Word, Sid };

// The name of a kind in the map file and in masking.txt: "host", "domain", "ipv4", "ipv6",
// "mac", "user", "word", "sid".
const char* MaskKindName(MaskKind kind);

// A value as the members may hold it: its UTF-16 form, and its bytes in code page 932 (empty
// when the code page cannot show it; the portable core has no table of that code page).
struct MaskValue {
    std::u16string text;
    std::string codePage932;
};

// The values and their stand-ins. Stand-ins are numbered per kind in the order in which
// values are first met, after the highest number that a loaded map holds.
class MaskMap {
public:
    // The computer's names and the accounts, before any member is masked. Empty values, values
    // of more than 256 units or with control characters, values that begin or end with a
    // character that ends a profile path's name (no account name does), built-in account
    // names and values that already are stand-ins are passed over; a DNS host name equal to the
    // NetBIOS name (letter case ignored) shares its stand-in. These are the names that members are
    // searched for; names found in profile paths are replaced only there, as a profile folder
    // may have a name as common as "test".
    void AddHost(const MaskValue& name);
    void AddDomain(const MaskValue& domain);
    void AddUser(const MaskValue& name);
    // The registered owner and organisation, a DHCPv6 DUID, the operator's own words.
    void AddWord(const MaskValue& word);

    // An address met before masking that has a stand-in's form: it gets a stand-in of its own
    // now, and no stand-in handed out later equals it.
    void Reserve(MaskKind kind, const std::u16string& original);
    // A kind ran out of stand-ins: a value was left as it is.
    bool Full() const { return m_full; }

    // An earlier map: UTF-8, an optional byte-order mark, lines of "kind TAB original TAB
    // stand-in" ended by CR LF or LF. False, with the 1-based number of the first line that
    // is no such line or that contradicts another, when the text cannot be taken; nothing is
    // taken then. Its values keep their stand-ins; it adds no names to search for.
    bool Load(const std::string& text, std::size_t& badLine);

    // The map file: UTF-8 with a byte-order mark, CR LF, one line per value in the order
    // of the stand-ins' numbers within each kind, kinds in MaskKind order.
    std::string Text() const;

    // How many replacements of each kind were made since construction.
    std::size_t Replacements(MaskKind kind) const;

    // Implementation: the masker looks values up and adds the values it meets.
    struct Entry {
        MaskKind kind;
        std::u16string original;
        std::u16string standIn;
        std::uint32_t number;
    };
    const std::vector<Entry>& Entries() const { return m_entries; }
    // The stand-in of a value met in a member, made when it is new; nullptr when the kind has
    // run out of stand-ins. `key` is the value in the form that compares (lower case for
    // names, canonical for addresses, the twelve lower-case digits of a MAC address).
    const std::u16string* StandInFor(MaskKind kind, const std::u16string& original,
                                     const std::u16string& key);
    bool IsStandIn(MaskKind kind, const std::u16string& key) const;
    void CountReplacement(MaskKind kind);

    // The names to look for, with their code page 932 bytes, for the masker.
    struct Name {
        MaskKind kind;
        std::u16string original;
        std::u16string lower;     // ASCII letters in lower case
        std::string codePage932;  // empty when not valid code page 932 text
    };
    const std::vector<Name>& Names() const { return m_names; }
    // What the check after masking looks for: the names searched for and every name met; and
    // how many they are, which grows with them.
    std::vector<std::u16string> CheckedValues() const;
    std::size_t CheckedValueCount() const { return m_names.size() + m_checkedEntries; }

private:
    void AddName(MaskKind kind, const MaskValue& value);
    bool IsAnyStandIn(const std::u16string& lowerText) const;
    bool IsTaken(MaskKind kind, const std::u16string& standIn) const;

    using Key = std::pair<MaskKind, std::u16string>;
    std::vector<Entry> m_entries;
    std::vector<Name> m_names;
    std::map<Key, std::size_t> m_byKey;
    std::map<Key, std::size_t> m_byStandIn;
    std::set<std::u16string> m_nameKeys;  // of every name, added or met, of any kind
    std::array<std::uint32_t, 8> m_lastNumber{};
    std::array<std::size_t, 8> m_replacements{};
    bool m_full = false;
    std::size_t m_checkedEntries = 0;
};

class ITextDecoder;

// Masks one member as it streams by, in the member's own encoding. Bytes that are no value
// come out unchanged; a value is replaced whole even where it spans two pieces. The names
// are those of the map when the masker is made.
class MemberMasker {
public:
    // `dottedNumbersAreVersions`: the member is an inventory of file versions (QebVer.txt),
    // whose dotted numbers are versions and never addresses. `codePage932` turns a profile
    // path's name that is not ASCII in a code page 932 or EUC-JP member into UTF-16 for the
    // map; without it such a name is replaced only when it is one of the map's users.
    MemberMasker(MaskMap& map, TextForm text, bool dottedNumbersAreVersions,
                 const ITextDecoder* codePage932 = nullptr);
    ~MemberMasker();
    MemberMasker(MemberMasker&&) noexcept;
    MemberMasker& operator=(MemberMasker&&) noexcept;

    // Appends to `out` the masked bytes that are final; `last` ends the member.
    void Feed(const char* data, std::size_t size, bool last, std::string& out);

private:
    class Scanner;
    std::unique_ptr<Scanner> m_scanner;
};

// A member's name (UTF-8, '/' between its parts) with every value masked, where any character
// but a letter or digit separates words: HOST_trace.log and host-backup hold the host's name.
std::string MaskedMemberName(MaskMap& map, const std::string& name);

}  // namespace qeb
