#include "collect/FileCopy.h"

#include <windows.h>

#include <algorithm>
#include <optional>

#include "util/FileIdentity.h"
#include "util/OutputCalls.h"
#include "util/PendingFile.h"
#include "util/SourceFile.h"
#include "util/TemporarySibling.h"

namespace qeb {
namespace {

constexpr size_t kBufferSize = 1 << 20;
// What the system's copy carries over; compression, encryption and the like are the target
// volume's business.
constexpr DWORD kCopiedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                    FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

PendingFileOptions CopyOptions() {
    PendingFileOptions options;
    options.flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN;
    options.protectedOutput = true;
    return options;
}

FileCopyOutcome Failed(DWORD error) {
    return FileCopyOutcome{FileCopyOutcome::Kind::Failed, error};
}

// The last-write time and the attributes but read-only, which would keep the file from being
// moved or kept; FILE_ATTRIBUTE_NORMAL stands for none (0 leaves the attributes unchanged).
bool SetTimesAndAttributes(HANDLE target, const SourceFile& source, DWORD attributes) {
    FILE_BASIC_INFO info{};
    info.LastWriteTime.QuadPart = (static_cast<LONGLONG>(source.lastWrite.dwHighDateTime) << 32) |
                                  source.lastWrite.dwLowDateTime;
    info.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    return TheOutputCalls().setFileInformation(target, FileBasicInfo, &info, sizeof info) != FALSE;
}

// A hard link shares its attributes with the other names of its file, which may lie
// anywhere on the volume.
bool IsHardLinked(const std::wstring& file) {
    const std::optional<unsigned long> names = CountFileNames(file);
    return !names || *names > 1;
}

}  // namespace

FileCopier::FileCopier() : m_buffer(kBufferSize) {}

bool IsVolumeFull(unsigned long error) {
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

unsigned long FileCopier::CopyContent(HANDLE source, std::uint64_t size, HANDLE target) {
    for (std::uint64_t left = size; left > 0;) {
        const DWORD wanted = static_cast<DWORD>(std::min<std::uint64_t>(left, m_buffer.size()));
        DWORD read = 0;
        if (!TheSourceCalls().readFile(source, m_buffer.data(), wanted, &read, nullptr)) {
            return ::GetLastError();  // a byte-range lock gives ERROR_LOCK_VIOLATION
        }
        if (read == 0) {
            break;  // shorter than when it was opened
        }
        DWORD written = 0;
        if (!TheOutputCalls().writeFile(target, m_buffer.data(), read, &written, nullptr)) {
            return ::GetLastError();
        }
        if (written != read) {
            return ERROR_DISK_FULL;
        }
        left -= read;
    }
    return ERROR_SUCCESS;
}

FileCopyOutcome FileCopier::Copy(const std::wstring& sourcePath, const std::wstring& target) {
    SourceFile source;
    if (const DWORD error = OpenSourceFile(sourcePath, source); error != ERROR_SUCCESS) {
        const bool gone = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return gone ? FileCopyOutcome{FileCopyOutcome::Kind::SourceMissing, error} : Failed(error);
    }
    const DWORD attributes = source.attributes & kCopiedAttributes;
    const DWORD writable = attributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
    // Where no copy exists this is all there is: the file is made under its own name.
    PendingFile direct;
    DWORD error = PendingFile::Create(target, CopyOptions(), direct);
    if (error == ERROR_SUCCESS) {
        if ((error = CopyContent(source.handle.Get(), source.size, direct.Handle())) != 0 ||
            !SetTimesAndAttributes(direct.Handle(), source, writable) ||
            (error = direct.Keep()) != 0) {
            return Failed(error != 0 ? error : ::GetLastError());
        }
        if (attributes != writable) {
            SetTimesAndAttributes(direct.Handle(), source, attributes);
        }
        return FileCopyOutcome{};
    }
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
        return Failed(error);
    }
    return Replace(source, target, attributes);
}

// The earlier copy stays until the new one is whole; then the new one takes its place as a
// directory entry, so that a link planted there is replaced instead of written through.
FileCopyOutcome FileCopier::Replace(const SourceFile& source, const std::wstring& target,
                                    DWORD attributes) {
    const DWORD earlier = ::GetFileAttributesW(target.c_str());
    if (earlier == INVALID_FILE_ATTRIBUTES) {
        return Failed(::GetLastError());
    }
    const bool readOnly =
        (earlier & FILE_ATTRIBUTE_REPARSE_POINT) == 0 && (earlier & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly && IsHardLinked(target)) {
        return FileCopyOutcome{FileCopyOutcome::Kind::TargetKept, 0};
    }
    std::optional<TemporarySibling> copy;
    const DWORD writable = attributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
    DWORD error = TemporarySibling::Create(target, CopyOptions(), copy);
    if (error != ERROR_SUCCESS ||
        (error = CopyContent(source.handle.Get(), source.size, copy->Handle())) != 0) {
        return Failed(error);
    }
    if (!SetTimesAndAttributes(copy->Handle(), source, writable)) {
        return Failed(::GetLastError());
    }
    // A read-only entry refuses to be replaced.
    if (readOnly &&
        !::SetFileAttributesW(target.c_str(), earlier & ~DWORD{FILE_ATTRIBUTE_READONLY})) {
        return FileCopyOutcome{FileCopyOutcome::Kind::TargetKept, ::GetLastError()};
    }
    if ((error = copy->ReplaceTarget()) != ERROR_SUCCESS) {
        if (readOnly) {
            ::SetFileAttributesW(target.c_str(), earlier);  // the earlier copy stays as it was
        }
        return Failed(error);
    }
    if (attributes != writable) {
        SetTimesAndAttributes(copy->Handle(), source, attributes);
    }
    return FileCopyOutcome{};
}

}  // namespace qeb
