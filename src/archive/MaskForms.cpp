#include "archive/MaskForms.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

namespace qeb {
namespace {

unsigned HexValue(unsigned c) {
    return IsAsciiDigit(c) ? c - '0' : AsciiLower(c) - 'a' + 10;
}

// Where the longest run of at least two zero groups starts, and how long it is (0 for none).
std::pair<int, int> LongestZeroRun(const IPv6Address& address) {
    std::pair<int, int> best{0, 0};
    for (int start = 0; start < 8;) {
        int end = start;
        while (end < 8 && address[end] == 0) {
            ++end;
        }
        if (end - start > best.second && end - start >= 2) {
            best = {start, end - start};
        }
        start = end == start ? start + 1 : end;
    }
    return best;
}

void AppendHexGroup(std::uint16_t group, std::string& text) {
    static const char kDigits[] = "0123456789abcdef";
    bool started = false;
    for (int shift = 12; shift >= 0; shift -= 4) {
        const unsigned digit = (group >> shift) & 0xF;
        if (digit != 0 || started || shift == 0) {
            text += kDigits[digit];
            started = true;
        }
    }
}

}  // namespace

bool ParseIPv4(const char* text, std::size_t size, std::uint32_t& address) {
    address = 0;
    std::size_t at = 0;
    for (int octet = 0; octet < 4; ++octet) {
        if (octet > 0 && (at >= size || text[at++] != '.')) {
            return false;
        }
        unsigned value = 0;
        std::size_t digits = 0;
        while (at < size && IsAsciiDigit(static_cast<unsigned char>(text[at])) && digits < 4) {
            value = value * 10 + static_cast<unsigned>(text[at++] - '0');
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255) {
            return false;
        }
        address = (address << 8) | value;
    }
    return at == size;
}

std::string IPv4Text(std::uint32_t address) {
    return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFF) + '.' +
           std::to_string((address >> 8) & 0xFF) + '.' + std::to_string(address & 0xFF);
}

bool IsMaskedIPv4(std::uint32_t address) {
    const std::uint32_t hostBits = ~address;
    const bool netmask = (hostBits & (hostBits + 1)) == 0;  // 0.0.0.0 and 255.255.255.255 too
    return !netmask && (address >> 24) != 127;
}

bool ParseIPv6(const char* text, std::size_t size, IPv6Address& address) {
    std::uint16_t groups[8] = {};
    int count = 0;
    int gap = -1;  // the group before which "::" stands
    std::size_t at = 0;
    if (size >= 2 && text[0] == ':' && text[1] == ':') {
        gap = 0;
        at = 2;
    }
    while (at < size) {
        const std::size_t start = at;
        unsigned value = 0;
        while (at < size && at - start < 5 && IsAsciiHex(static_cast<unsigned char>(text[at]))) {
            value = value * 16 + HexValue(static_cast<unsigned char>(text[at++]));
        }
        if (at < size && text[at] == '.') {
            std::uint32_t tail = 0;
            if (count > 6 || !ParseIPv4(text + start, size - start, tail)) {
                return false;
            }
            groups[count++] = static_cast<std::uint16_t>(tail >> 16);
            groups[count++] = static_cast<std::uint16_t>(tail & 0xFFFF);
            break;
        }
        if (at == start || at - start > 4 || count == 8) {
            return false;
        }
        groups[count++] = static_cast<std::uint16_t>(value);
        if (at == size) {
            break;
        }
        if (text[at++] != ':' || at == size) {
            return false;
        }
        if (text[at] == ':') {
            if (gap >= 0) {
                return false;
            }
            gap = count;
            ++at;
        }
    }
    if (gap < 0 ? count != 8 : count > 7) {
        return false;
    }
    address.fill(0);
    const int zeros = 8 - count;
    for (int i = 0; i < count; ++i) {
        address[gap >= 0 && i >= gap ? i + zeros : i] = groups[i];
    }
    return true;
}

std::string IPv6Text(const IPv6Address& address) {
    const std::pair<int, int> run = LongestZeroRun(address);
    std::string text;
    for (int i = 0; i < 8; ++i) {
        if (run.second > 0 && i == run.first) {
            text += "::";
            i += run.second - 1;
            continue;
        }
        if (!text.empty() && text.back() != ':') {
            text += ':';
        }
        AppendHexGroup(address[i], text);
    }
    return text;
}

bool IsMaskedIPv6(const IPv6Address& address) {
    for (int i = 0; i < 7; ++i) {
        if (address[i] != 0) {
            return true;
        }
    }
    return address[7] > 1;
}

bool ParseMac(const char* text, std::size_t size, std::string& digits) {
    if (size != 17 || (text[2] != '-' && text[2] != ':')) {
        return false;
    }
    digits.clear();
    for (std::size_t pair = 0; pair < 6; ++pair) {
        const unsigned char high = static_cast<unsigned char>(text[pair * 3]);
        const unsigned char low = static_cast<unsigned char>(text[pair * 3 + 1]);
        if (!IsAsciiHex(high) || !IsAsciiHex(low) || (pair < 5 && text[pair * 3 + 2] != text[2])) {
            return false;
        }
        digits += static_cast<char>(AsciiLower(high));
        digits += static_cast<char>(AsciiLower(low));
    }
    return true;
}

bool IsMaskedMac(const std::string& digits) {
    return digits != "000000000000" && digits != "ffffffffffff";
}

bool EndsProfileName(char16_t c) {
    static const char16_t kWideEnds[] = {0x3000, 0x3001, 0x3002, 0x300C, 0x300D, 0x300E, 0x300F,
                                         0xFF08, 0xFF09, 0xFF61, 0xFF62, 0xFF63, 0xFF64};
    if (c < 0x80) {
        return c < 0x20 || c == 0x7F || std::strchr(" \"'\\/[]:;|=,+*?<>(){}", c) != nullptr;
    }
    return std::find(std::begin(kWideEnds), std::end(kWideEnds), c) != std::end(kWideEnds);
}

std::size_t DomainSidLength(const char* text, std::size_t size) {
    static const char kPrefix[] = "s-1-5-21-";
    const std::size_t prefix = sizeof kPrefix - 1;
    if (size < prefix) {
        return 0;
    }
    for (std::size_t i = 0; i < prefix; ++i) {
        if (AsciiLower(static_cast<unsigned char>(text[i])) !=
            static_cast<unsigned char>(kPrefix[i])) {
            return 0;
        }
    }
    std::size_t at = prefix;
    for (int part = 0; part < 3; ++part) {
        if (part > 0 && (at >= size || text[at++] != '-')) {
            return 0;
        }
        std::uint64_t value = 0;
        std::size_t digits = 0;
        while (at < size && digits < 11 && IsAsciiDigit(static_cast<unsigned char>(text[at]))) {
            value = value * 10 + static_cast<unsigned>(text[at++] - '0');
            ++digits;
        }
        if (digits == 0 || digits > 10 || value > 0xFFFFFFFFu) {
            return 0;
        }
    }
    return at;
}

bool IsBuiltInAccount(const std::u16string& lower) {
    for (const char16_t* name : kBuiltInAccounts) {
        if (lower == name) {
            return true;
        }
    }
    return false;
}

std::u16string LowerAscii(std::u16string text) {
    for (char16_t& unit : text) {
        unit = static_cast<char16_t>(AsciiLower(unit));
    }
    return text;
}

}  // namespace qeb
