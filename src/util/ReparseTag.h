// Which reparse points are links. Name surrogates (symbolic links, junctions, volume mount
// points) stand for another file or directory, and no walk follows them. Every other reparse
// point (a deduplicated file, a cloud-file placeholder, a WOF-compressed system file) holds the
// entry's own data, and walks take it as an ordinary file or directory.
#pragma once

#include <cstdint>

namespace qeb {

// IsReparseTagNameSurrogate (winnt.h): bit 29 of the tag. A reparse point whose tag cannot be
// read (0, which no tag is: Wine reports it for its links) is taken for a link.
constexpr bool IsLinkReparseTag(std::uint32_t tag) {
    return tag == 0 || (tag & 0x20000000u) != 0;
}

}  // namespace qeb
