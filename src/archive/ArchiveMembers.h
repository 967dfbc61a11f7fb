// The members of an archive as libzip reads them while it writes the archive: each file of
// the folder is read once, just ahead of libzip, and hashed as it is read.
#pragma once

#include <zip.h>

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archive/MaskCheck.h"
#include "text/TextClassifier.h"

namespace qeb {

class ITextDecoder;
class MemberReader;

struct ArchiveMember {
    std::wstring path;  // extended-length path of the file or directory
    std::string name;   // the member name, UTF-8
    bool directory = false;
    std::uint64_t size = 0;
    std::time_t modified = 0;
};

// What the file members of one attempt tell: the manifest lines of the files read whole, in
// archive order, and the member whose reading failed, which ends the attempt.
struct ArchivePass {
    struct Failure {
        std::size_t member;
        unsigned long error;
    };
    std::string manifest;
    std::optional<Failure> failure;
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
    // Text members masked and checked so far, and the members that are no text and were
    // archived unchanged; written by the reader before it hands over a member's last piece.
    std::atomic<std::uint64_t> masked{0};
    std::vector<std::string> keptBinary;
    // Reads the files ahead of libzip.
    MemberReader* reader = nullptr;
    // Told after every piece read, for the progress line.
    std::function<void(const ArchivePass&)> onProgress;
};

// Errors of the program's own (bit 29 set, as Windows leaves such codes to applications): why the
// reader stopped at a masked member.
constexpr unsigned long kMaskCheckFound = 0x20000001;  // an original value was still in it
constexpr unsigned long kMaskMapFull = 0x20000002;     // a kind of value ran out of stand-ins

// How the reader masks: each member's text form as the pass before found it (Binary: archived
// unchanged), the code page 932 decoder for names in profile paths, and the code page 932
// encoder that the check after masking looks for values with.
struct MaskingSetup {
    std::vector<TextForm> forms;
    const ITextDecoder* codePage932 = nullptr;
    MaskCheck::CodePage932Encoder encoder;
};

zip_source_t* NewFileMemberSource(const ArchiveMember& member, std::size_t index, ArchivePass& pass,
                                  zip_error_t* error);

// A member made by PACK itself; `make` gives its content when libzip comes to it, so that a
// member added last can describe the members before it.
zip_source_t* NewGeneratedMemberSource(std::function<std::string()> make, std::time_t modified,
                                       zip_error_t* error);

}  // namespace qeb
