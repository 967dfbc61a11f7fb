// The written forms that PACK -mask reads and writes: addresses and the canonical keys by
// which they compare, the keys of names, and the UTF-8 of the map file and of UTF-8 members.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "text/Unicode.h"

namespace qeb {

constexpr bool IsAsciiDigit(unsigned c) {
    return c >= '0' && c <= '9';
}
constexpr bool IsAsciiLetter(unsigned c) {
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}
constexpr bool IsAsciiHex(unsigned c) {
    return IsAsciiDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}
constexpr unsigned AsciiLower(unsigned c) {
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

// Four decimal numbers up to 255 of one to three digits, joined by dots, and nothing else.
bool ParseIPv4(const char* text, std::size_t size, std::uint32_t& address);
std::string IPv4Text(std::uint32_t address);
// False for 0.0.0.0, 127.0.0.0/8, 255.255.255.255 and netmasks: they name no network.
bool IsMaskedIPv4(std::uint32_t address);

using IPv6Address = std::array<std::uint16_t, 8>;
// The full and the compressed forms, with an optional dotted IPv4 tail; no zone index.
bool ParseIPv6(const char* text, std::size_t size, IPv6Address& address);
// RFC 5952: lower case, no leading zeros, the longest run of zero groups as "::".
std::string IPv6Text(const IPv6Address& address);
// False for :: and ::1.
bool IsMaskedIPv6(const IPv6Address& address);

// Six pairs of hexadecimal digits joined by '-' or by ':'; `digits` gets the twelve digits in
// lower case.
bool ParseMac(const char* text, std::size_t size, std::string& digits);
// False for all zeros and all ones.
bool IsMaskedMac(const std::string& digits);

// The length of the domain or machine part of a SID at `text` ("S-1-5-21-" and three numbers,
// either case of S), or 0; what follows it must not go on with a digit.
std::size_t DomainSidLength(const char* text, std::size_t size);
inline bool IsDomainSid(const std::string& text) {
    return !text.empty() && DomainSidLength(text.data(), text.size()) == text.size();
}

// The accounts that every Windows has, in lower case: never masked as users.
inline constexpr const char16_t* kBuiltInAccounts[] = {
    u"administrator", u"guest",         u"defaultaccount",  u"wdagutilityaccount",
    u"system",        u"local service", u"network service", u"public",
    u"default",       u"default user",  u"all users"};
bool IsBuiltInAccount(const std::u16string& lower);

// Whether a character ends the name in a profile path: a blank, a quote, a path separator, a
// control character, one that no account name holds, or an ideographic space, comma or full
// stop, a corner bracket, a full-width parenthesis or a half-width form of these.
bool EndsProfileName(char16_t c);

std::u16string LowerAscii(std::u16string text);

}  // namespace qeb
