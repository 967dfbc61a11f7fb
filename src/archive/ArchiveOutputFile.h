// The file that libzip writes an archive into. It is made beside the archive, protected as
// every output is, under a temporary name that the system removes however the process ends,
// and takes the archive's place only when libzip has written the whole archive and PACK moves
// it in: an earlier archive survives every failure. The SHA-256 of the archive is read back
// from the same handle, through which the move is made too.
#pragma once

#include <zip.h>

#include <optional>
#include <string>
#include <vector>

#include "util/Sha256.h"
#include "util/TemporarySibling.h"

namespace qeb {

class ArchiveOutputFile {
public:
    explicit ArchiveOutputFile(std::wstring archivePath);
    virtual ~ArchiveOutputFile();
    ArchiveOutputFile(const ArchiveOutputFile&) = delete;
    ArchiveOutputFile& operator=(const ArchiveOutputFile&) = delete;

    // libzip's view of the file for one attempt; the archive that takes it frees it.
    zip_source_t* NewSource(zip_error_t* error);

    // The Win32 error that ended the last attempt's writing, 0 when none did.
    unsigned long WriteError() const { return m_writeError; }
    // The digest of the archive that the last attempt wrote.
    const Sha256Digest& Digest() const { return m_digest; }

    // Moves the archive that libzip committed into its place. Until then it lies beside it
    // under a temporary name and goes with this object. The Win32 error, 0 on success.
    unsigned long MoveIntoPlace();

protected:
    // Writes every byte at the file's current position; false with the Win32 error otherwise.
    virtual bool WriteToFile(HANDLE file, const char* data, DWORD size, DWORD& error);

private:
    static zip_int64_t Dispatch(void* self, void* data, zip_uint64_t length,
                                zip_source_cmd_t command);
    zip_int64_t Handle(void* data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t Fail(int zipError, DWORD error);
    zip_int64_t BeginWrite();
    zip_int64_t Write(const void* data, zip_uint64_t length);
    zip_int64_t SeekWrite(void* data, zip_uint64_t length);
    zip_int64_t CommitWrite();
    void RollbackWrite();
    bool Flush(DWORD& error);
    bool HashWrittenFile(DWORD& error);

    std::wstring m_archivePath;
    std::optional<TemporarySibling> m_temporary;
    std::vector<char> m_buffer;
    zip_uint64_t m_bufferStart = 0;
    zip_uint64_t m_position = 0;
    zip_uint64_t m_end = 0;
    zip_error_t m_error{};
    DWORD m_writeError = 0;
    Sha256Digest m_digest{};
};

}  // namespace qeb
