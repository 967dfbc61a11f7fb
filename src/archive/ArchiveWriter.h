// Writes the members of a folder into a ZIP archive with libzip: Deflate at level 6, names in
// UTF-8, ZIP64 where sizes or counts need it, then not-included.txt (when anything was left
// out) and manifest.sha256. libzip abandons the whole archive when one member cannot be
// read; that member is then left out and the archive written once more.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "archive/ArchiveMembers.h"
#include "archive/ArchiveOutputFile.h"
#include "archive/ArchiveTexts.h"

namespace qeb {

struct ArchiveOutcome {
    enum class Status { Written, WriteFailed, Failed };
    Status status = Status::Failed;
    unsigned long writeError = 0;  // for WriteFailed: the Win32 error
    std::string detail;            // for Failed: libzip's text
};

class ArchiveWriter {
public:
    // Told about each member that could not be read while the archive was written.
    using LeftOutNotice = std::function<void(const ArchiveMember&, unsigned long error)>;
    using ProgressNotice = std::function<void(std::uint64_t files, std::uint64_t bytes)>;

    ArchiveWriter(ArchiveOutputFile& output, std::vector<ArchiveMember> members,
                  std::vector<LeftOutEntry> leftOut);

    // `reason` gives the text that not-included.txt shows for a Win32 error.
    ArchiveOutcome Write(const std::function<std::string(unsigned long)>& reason,
                         const LeftOutNotice& onLeftOut, const ProgressNotice& onProgress);

    const std::vector<LeftOutEntry>& LeftOut() const { return m_leftOut; }

private:
    ArchiveOutcome WriteOnce(ArchivePass& pass);
    bool AddMembers(zip_t* archive, ArchivePass& pass);
    bool AddGenerated(zip_t* archive, const char* name, std::function<std::string()> make);

    ArchiveOutputFile& m_output;
    std::vector<ArchiveMember> m_members;
    std::vector<bool> m_dropped;
    std::vector<LeftOutEntry> m_leftOut;
    std::time_t m_now = 0;
};

}  // namespace qeb
