// One file of the collection copied as the system's copy would copy it (its bytes, its
// last-write time, its attributes), but read as a SourceFile: the system's copy opens its
// source without write sharing and fails on every file that a running product holds open for
// writing, the very files support asks for. A file that still grows is copied as far as it
// was when opened. The target is never written in place: a new file is a PendingFile under
// its own name, a replacement a TemporarySibling that takes the earlier copy's place only when
// whole, so that a failure, a full disk or a kill leaves no partial file under a final name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qeb {

struct SourceFile;

struct FileCopyOutcome {
    enum class Kind {
        Copied,
        SourceMissing,  // gone since it was listed
        TargetKept,     // an earlier read-only copy that cannot be replaced stays as it was
        Failed,         // `error` tells why
    };
    Kind kind = Kind::Copied;
    unsigned long error = 0;
};

class FileCopier {
public:
    FileCopier();

    // Paths as the system takes them (PathForCalls). An earlier copy is replaced, a read-only
    // one included, and keeps its content and attributes when the replacement fails.
    FileCopyOutcome Copy(const std::wstring& source, const std::wstring& target);

private:
    FileCopyOutcome Replace(const SourceFile& source, const std::wstring& target,
                            unsigned long attributes);
    unsigned long CopyContent(void* source, std::uint64_t size, void* target);

    std::vector<char> m_buffer;
};

// The errors after which no further file can be written to the volume.
bool IsVolumeFull(unsigned long error);

}  // namespace qeb
