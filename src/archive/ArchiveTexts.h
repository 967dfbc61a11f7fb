// The texts that PACK writes into and beside an archive, and the names of its members.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "util/Sha256.h"

namespace qeb {

// Members that PACK adds itself, at the archive's root.
constexpr char kManifestName[] = "manifest.sha256";
constexpr char kNotIncludedName[] = "not-included.txt";
constexpr char kMaskingName[] = "masking.txt";

// 64 lower-case hexadecimal digits.
std::string HexDigest(const Sha256Digest& digest);

// One line in sha256sum's format: the digest, two blanks, the name, LF.
std::string ChecksumLine(const Sha256Digest& digest, const std::string& name);

// A path below the folder (UTF-8, either separator) as a member name: '/' between the parts,
// and a directory ends with '/'.
std::string MemberName(std::string relative, bool directory);

// True for a name at the archive's root that PACK writes itself, in any letter case: on
// Windows both would unpack to the same file. masking.txt only when masking.
bool IsReservedMemberName(const std::string& name, bool masking = false);

enum class LeftOutKind {
    Unreadable,       // could not be opened or read
    Link,             // a symbolic link, junction or mount point, not followed
    NotListed,        // a directory whose listing failed: what lies below is missing
    NameNotStorable,  // a name that is no valid UTF-16, so no UTF-8 name exists for it
    ReservedName,     // a name that PACK's own members take
    NotText,          // masking: no text, so it cannot be masked
    MaskCheckHit,     // masking: an original value was still in it after masking
};

struct LeftOutEntry {
    std::string name;  // as a member name would be
    LeftOutKind kind;
    std::string reason;  // the system's text, UTF-8; may be empty
};

// The texts of not-included.txt and masking.txt, which come from the string table; "%1" and
// "%2" stand for counts.
enum class ArchiveText {
    NotIncludedHeading,  // %1 entries
    NotIncludedColumns,
    Unreadable,
    Link,
    NotListed,
    NameNotStorable,
    ReservedName,
    NotText,
    MaskCheckHit,
    MaskingHeading,
    MaskingRules,
    MaskingColumns,
    MaskingCheck,       // %1 members checked, %2 found
    MaskingCheckHits,   // %1 members
    MaskingNotText,     // %1 members
    MaskingKeptBinary,  // %1 members
};
// UTF-8; empty texts where none is given.
using ArchiveTextSource = std::function<std::string(ArchiveText)>;

// not-included.txt: a heading and one tab-separated line per entry, UTF-8 with a byte-order
// mark and CR LF, as Notepad of a Japanese Windows reads it.
std::string NotIncludedText(const std::vector<LeftOutEntry>& entries,
                            const ArchiveTextSource& texts);

class MaskMap;

// What masking did with the members, for masking.txt; names as archived.
struct MaskingReport {
    std::uint64_t masked = 0;             // text members masked and checked
    std::vector<std::string> notText;     // left out
    std::vector<std::string> checkHits;   // left out: the check found an original
    std::vector<std::string> keptBinary;  // archived unchanged (-keepbinary)
};

// masking.txt, in the same form: the rules applied, the replacements made per kind (never a
// value), the check after masking and what it found, and every member that is not masked.
std::string MaskingText(const MaskMap& map, const MaskingReport& report,
                        const ArchiveTextSource& texts);

}  // namespace qeb
