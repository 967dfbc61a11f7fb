#include "util/WholeFileWriter.h"

#include <windows.h>

#include "util/OutputCalls.h"

namespace qeb {

bool WholeFileWriter::WriteAll(HANDLE file, const std::string& bytes, DWORD& error) {
    DWORD written = 0;
    if (!TheOutputCalls().writeFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                    nullptr)) {
        error = ::GetLastError();
        return false;
    }
    if (written != bytes.size()) {
        error = ERROR_DISK_FULL;
        return false;
    }
    return true;
}

// What the system still holds back is written now: a failure shows here, while the earlier
// file is still in place, and not on a close after the move.
bool WholeFileWriter::Flush(HANDLE file, DWORD& error) {
    if (!::FlushFileBuffers(file)) {
        error = ::GetLastError();
        return false;
    }
    return true;
}

WholeFileWriter::Failure WholeFileWriter::WriteBeside(const std::wstring& path,
                                                      const std::string& bytes,
                                                      Protection protection,
                                                      std::optional<TemporarySibling>& written) {
    PendingFileOptions options;
    options.protectedOutput = protection == Protection::Protected;
    if (const DWORD created = TemporarySibling::Create(path, options, written);
        created != ERROR_SUCCESS) {
        return Failure{Step::Create, created};
    }
    DWORD error = ERROR_SUCCESS;
    if (!WriteAll(written->Handle(), bytes, error) || !Flush(written->Handle(), error)) {
        written.reset();
        return Failure{Step::Write, error};
    }
    return Failure{};
}

WholeFileWriter::Failure WholeFileWriter::WriteWhole(const std::wstring& path,
                                                     const std::string& bytes,
                                                     Protection protection) {
    std::optional<TemporarySibling> temporary;
    if (const Failure failure = WriteBeside(path, bytes, protection, temporary)) {
        return failure;
    }
    if (const DWORD moved = temporary->ReplaceTarget(); moved != ERROR_SUCCESS) {
        return Failure{Step::Replace, moved};
    }
    temporary->Close();
    return Failure{};
}

}  // namespace qeb
