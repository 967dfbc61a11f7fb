#include "archive/ArchiveOutputFile.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace qeb {
namespace {

// libzip writes in small pieces; the system is asked once per megabyte.
constexpr size_t kBufferSize = 1 << 20;

}  // namespace

ArchiveOutputFile::ArchiveOutputFile(std::wstring archivePath)
    : m_archivePath(std::move(archivePath)) {
    zip_error_init(&m_error);
}

ArchiveOutputFile::~ArchiveOutputFile() {
    RollbackWrite();
    zip_error_fini(&m_error);
}

zip_source_t* ArchiveOutputFile::NewSource(zip_error_t* error) {
    return zip_source_function_create(&ArchiveOutputFile::Dispatch, this, error);
}

bool ArchiveOutputFile::WriteToFile(HANDLE file, const char* data, DWORD size, DWORD& error) {
    DWORD written = 0;
    if (!::WriteFile(file, data, size, &written, nullptr)) {
        error = ::GetLastError();
        return false;
    }
    if (written != size) {
        error = ERROR_DISK_FULL;
        return false;
    }
    return true;
}

// Nothing may unwind through libzip's C frames.
zip_int64_t ArchiveOutputFile::Dispatch(void* self, void* data, zip_uint64_t length,
                                        zip_source_cmd_t command) {
    auto* file = static_cast<ArchiveOutputFile*>(self);
    try {
        return file->Handle(data, length, command);
    } catch (...) {
        zip_error_set(&file->m_error, ZIP_ER_INTERNAL, 0);
        return -1;
    }
}

zip_int64_t ArchiveOutputFile::Handle(void* data, zip_uint64_t length, zip_source_cmd_t command) {
    switch (command) {
        case ZIP_SOURCE_SUPPORTS:
            return ZIP_SOURCE_SUPPORTS_WRITABLE;
        case ZIP_SOURCE_STAT:
            // Never an earlier archive to read: every attempt writes a new one.
            zip_error_set(&m_error, ZIP_ER_READ, ENOENT);
            return -1;
        case ZIP_SOURCE_BEGIN_WRITE:
            return BeginWrite();
        case ZIP_SOURCE_WRITE:
            return Write(data, length);
        case ZIP_SOURCE_SEEK_WRITE:
            return SeekWrite(data, length);
        case ZIP_SOURCE_TELL_WRITE:
            return static_cast<zip_int64_t>(m_position);
        case ZIP_SOURCE_COMMIT_WRITE:
            return CommitWrite();
        case ZIP_SOURCE_ROLLBACK_WRITE:
            RollbackWrite();
            return 0;
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&m_error, data, length);
        case ZIP_SOURCE_FREE:
        case ZIP_SOURCE_REMOVE:
            return 0;
        default:
            zip_error_set(&m_error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
    }
}

zip_int64_t ArchiveOutputFile::Fail(int zipError, DWORD error) {
    m_writeError = error;
    zip_error_set(&m_error, zipError, EIO);
    return -1;
}

zip_int64_t ArchiveOutputFile::BeginWrite() {
    RollbackWrite();
    m_writeError = 0;
    m_bufferStart = m_position = m_end = 0;
    m_buffer.clear();
    m_buffer.reserve(kBufferSize);
    PendingFileOptions options;
    options.access = GENERIC_READ | GENERIC_WRITE;
    options.share = FILE_SHARE_DELETE;  // the console's clean-up may remove it by its name
    options.protectedOutput = true;
    if (const DWORD error = TemporarySibling::Create(m_archivePath, options, m_temporary);
        error != ERROR_SUCCESS) {
        return Fail(ZIP_ER_TMPOPEN, error);
    }
    return 0;
}

// libzip goes back to each member's header once the member is written; while the header is
// still in the buffer it is rewritten there, so that small members cost no extra writes.
zip_int64_t ArchiveOutputFile::Write(const void* data, zip_uint64_t length) {
    DWORD error = 0;
    const zip_uint64_t bufferEnd = m_bufferStart + m_buffer.size();
    if (!m_buffer.empty() && (m_position < m_bufferStart || m_position > bufferEnd) &&
        !Flush(error)) {
        return Fail(ZIP_ER_WRITE, error);
    }
    if (m_buffer.empty()) {
        m_bufferStart = m_position;
    }
    const char* bytes = static_cast<const char*>(data);
    const size_t offset = static_cast<size_t>(m_position - m_bufferStart);
    const size_t inside = std::min(static_cast<size_t>(length), m_buffer.size() - offset);
    std::copy(bytes, bytes + inside, m_buffer.begin() + static_cast<std::ptrdiff_t>(offset));
    m_buffer.insert(m_buffer.end(), bytes + inside, bytes + length);
    m_position += length;
    m_end = std::max(m_end, m_position);
    if (m_buffer.size() >= kBufferSize && !Flush(error)) {
        return Fail(ZIP_ER_WRITE, error);
    }
    return static_cast<zip_int64_t>(length);
}

zip_int64_t ArchiveOutputFile::SeekWrite(void* data, zip_uint64_t length) {
    const zip_int64_t position =
        zip_source_seek_compute_offset(m_position, m_end, data, length, &m_error);
    if (position < 0) {
        return -1;
    }
    m_position = static_cast<zip_uint64_t>(position);
    return 0;
}

bool ArchiveOutputFile::Flush(DWORD& error) {
    if (m_buffer.empty()) {
        return true;
    }
    LARGE_INTEGER start{};
    start.QuadPart = static_cast<LONGLONG>(m_bufferStart);
    if (!::SetFilePointerEx(m_temporary->Handle(), start, nullptr, FILE_BEGIN)) {
        error = ::GetLastError();
        return false;
    }
    if (!WriteToFile(m_temporary->Handle(), m_buffer.data(), static_cast<DWORD>(m_buffer.size()),
                     error)) {
        return false;
    }
    m_buffer.clear();
    return true;
}

// The archive as it lies on the disk, through the handle that wrote it.
bool ArchiveOutputFile::HashWrittenFile(DWORD& error) {
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(m_temporary->Handle(), start, nullptr, FILE_BEGIN)) {
        error = ::GetLastError();
        return false;
    }
    Sha256 hash;
    std::vector<char> block(kBufferSize);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(m_temporary->Handle(), block.data(), static_cast<DWORD>(block.size()),
                        &read, nullptr)) {
            error = ::GetLastError();
            return false;
        }
        if (read == 0) {
            break;
        }
        hash.Add(block.data(), read);
    }
    m_digest = hash.Finish();
    return true;
}

// The archive stays under its temporary name, marked for deletion, until PACK moves it in
// with its companions.
zip_int64_t ArchiveOutputFile::CommitWrite() {
    DWORD error = 0;
    if (!Flush(error)) {
        return Fail(ZIP_ER_WRITE, error);
    }
    if (!::FlushFileBuffers(m_temporary->Handle())) {
        return Fail(ZIP_ER_WRITE, ::GetLastError());
    }
    if (!HashWrittenFile(error)) {
        return Fail(ZIP_ER_WRITE, error);
    }
    return 0;
}

unsigned long ArchiveOutputFile::MoveIntoPlace() {
    if (!m_temporary) {
        return ERROR_INVALID_FUNCTION;
    }
    if (const DWORD moved = m_temporary->ReplaceTarget(); moved != ERROR_SUCCESS) {
        return moved;
    }
    m_temporary->Close();
    m_temporary.reset();
    return ERROR_SUCCESS;
}

void ArchiveOutputFile::RollbackWrite() {
    m_temporary.reset();  // its file goes with its handle
}

}  // namespace qeb
