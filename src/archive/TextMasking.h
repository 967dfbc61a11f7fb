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

#include <cstddef>
#include <memory>
#include <string>

#include "archive/MaskMap.h"
#include "text/TextClassifier.h"

namespace qeb {

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

// Members' names (UTF-8, '/' between their parts) with every value masked, where any character
// but a letter or digit separates words: HOST_trace.log and host-backup hold the host's name.
// Its maskers are made once, for every name of the map as it is when this is made.
class MemberNameMasker {
public:
    explicit MemberNameMasker(MaskMap& map);
    std::string Masked(const std::string& name);

private:
    MemberMasker m_asText;
    MemberMasker m_atEverySign;
};

}  // namespace qeb
