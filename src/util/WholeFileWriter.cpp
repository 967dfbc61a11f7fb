#include "util/WholeFileWriter.h"

#include <windows.h>

#include <optional>

#include "util/OutputCalls.h"
#include "util/OutputProtection.h"
#include "util/TemporarySibling.h"
#include "util/UniqueOwner.h"

namespace qeb {

bool WholeFileWriter::WriteAll(HANDLE file, const std::string& bytes, DWORD& error) {
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        error = ::GetLastError();
        return false;
    }
    if (written != bytes.size()) {
        error = ERROR_DISK_FULL;
        return false;
    }
    return true;
}

bool WholeFileWriter::Close(HANDLE file, DWORD& error) {
    if (!::CloseHandle(file)) {
        error = ::GetLastError();
        return false;
    }
    return true;
}

WholeFileWriter::Failure WholeFileWriter::WriteWhole(const std::wstring& path,
                                                     const std::string& bytes,
                                                     Protection protection) {
    SECURITY_ATTRIBUTES* const attributes = protection == Protection::Protected
                                                ? OutputProtection::Get().Attributes()
                                                : nullptr;
    std::optional<TemporarySibling> temporary;
    UniqueHandle file;  // closed before the temporary file is removed
    const DWORD created = TemporarySibling::Create(
        path,
        [&file, attributes](const std::wstring& temporaryPath) -> unsigned long {
            file.Reset(TheOutputCalls().createFile(temporaryPath.c_str(), GENERIC_WRITE, 0,
                                                   attributes, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                                   nullptr));
            return file ? ERROR_SUCCESS : ::GetLastError();
        },
        temporary);
    if (created != ERROR_SUCCESS) {
        return Failure{Step::Create, created};
    }
    DWORD error = ERROR_SUCCESS;
    if (!WriteAll(file.Get(), bytes, error) || !Close(file.Release(), error)) {
        return Failure{Step::Write, error};
    }
    if (const DWORD moved = temporary->ReplaceTarget(); moved != ERROR_SUCCESS) {
        return Failure{Step::Replace, moved};
    }
    return Failure{};
}

}  // namespace qeb
