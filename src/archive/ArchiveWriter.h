// Writes the members of a folder into a ZIP archive with libzip: Deflate at level 6, names in
// UTF-8, ZIP64 where sizes or counts need it, then not-included.txt (when anything was left
// out), masking.txt (when masking) and manifest.sha256. libzip abandons the whole archive
// when one member cannot be read; that member, and every other that cannot be opened by then,
// is then left out and the archive written once more. With a password every member that has content
// is encrypted with AES-256 in the WinZip AE-2 form; with a mask map the text members are masked as
// they are read.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "archive/ArchiveMembers.h"
#include "archive/ArchiveOutputFile.h"
#include "archive/ArchiveTexts.h"
#include "archive/TextMasking.h"

namespace qeb {

struct ArchiveOutcome {
    enum class Status { Written, WriteFailed, Failed, MaskMapFull };
    Status status = Status::Failed;
    unsigned long writeError = 0;  // for WriteFailed: the Win32 error
    std::string detail;            // for Failed: libzip's text
};

// What protects the archive's content beyond the folder's own: both are optional.
struct ArchiveProtection {
    const std::string* password = nullptr;  // UTF-8
    const MaskMap* mask = nullptr;          // the values known before the first member
    const MaskingSetup* masking = nullptr;  // with a mask
};

class ArchiveWriter {
public:
    // Told about each member left out while the archive was written: one that could not be
    // read (Unreadable), or one in which the check after masking found an original
    // (MaskCheckHit).
    using LeftOutNotice =
        std::function<void(const ArchiveMember&, LeftOutKind kind, unsigned long error)>;
    using ProgressNotice = std::function<void(const ArchivePass& pass)>;

    // `texts` gives the texts of not-included.txt and masking.txt.
    ArchiveWriter(ArchiveOutputFile& output, std::vector<ArchiveMember> members,
                  std::vector<LeftOutEntry> leftOut, ArchiveProtection protection = {},
                  ArchiveTextSource texts = {});

    // `reason` gives the text that not-included.txt shows for a Win32 error.
    ArchiveOutcome Write(const std::function<std::string(unsigned long)>& reason,
                         const LeftOutNotice& onLeftOut, const ProgressNotice& onProgress);

    const std::vector<LeftOutEntry>& LeftOut() const { return m_leftOut; }
    // The values and stand-ins of the archive written, with its counts.
    const MaskMap& Mask() const { return m_passMask; }

private:
    ArchiveOutcome WriteOnce(ArchivePass& pass);
    void LeaveOut(std::size_t member, LeftOutKind kind, unsigned long error,
                  const std::function<std::string(unsigned long)>& reason,
                  const LeftOutNotice& onLeftOut);
    MaskingReport Report(const ArchivePass& pass) const;
    // Before another attempt: every file that cannot be opened now.
    void LeaveOutUnreadable(const std::function<std::string(unsigned long)>& reason,
                            const LeftOutNotice& onLeftOut);
    bool AddMembers(zip_t* archive, ArchivePass& pass);
    bool AddGenerated(zip_t* archive, const char* name, std::function<std::string()> make);
    bool Protect(zip_t* archive, zip_int64_t index);

    ArchiveOutputFile& m_output;
    std::vector<ArchiveMember> m_members;
    std::vector<bool> m_dropped;
    std::vector<LeftOutEntry> m_leftOut;
    ArchiveProtection m_protection;
    ArchiveTextSource m_texts;
    MaskMap m_passMask;
    std::vector<std::string> m_checkHits;
    std::time_t m_now = 0;
};

}  // namespace qeb
