// The values that PACK -mask replaces and their stand-ins: one stand-in per value, numbered per
// kind in the order in which values are first met, the same in every member and, through the
// map file, in every collection of one customer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

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
    // What the check after masking looks for: the names searched for and the names of an
    // earlier map; and how many they are. Masking adds none: a name it meets is one of these.
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

}  // namespace qeb
