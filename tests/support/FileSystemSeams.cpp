#include "support/FileSystemSeams.h"

#include <map>
#include <vector>

namespace qeb::test {
namespace {

struct Seams {
    std::map<std::wstring, DWORD> refusedFolders;
    std::map<std::wstring, DWORD> tags;
    std::vector<std::wstring> locked;
    std::vector<FileSystemSeams::Opened> opened;
    ListingCalls system{};
    SourceCalls systemSource{};
};

Seams& TheSeams() {
    static Seams seams;
    return seams;
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

void Tag(LPVOID data) {
    auto* entry = static_cast<WIN32_FIND_DATAW*>(data);
    const auto tag = TheSeams().tags.find(entry->cFileName);
    if (tag != TheSeams().tags.end()) {
        entry->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
        entry->dwReserved0 = tag->second;
    }
}

HANDLE WINAPI FindFirst(LPCWSTR pattern, FINDEX_INFO_LEVELS level, LPVOID data,
                        FINDEX_SEARCH_OPS search, LPVOID filter, DWORD flags) {
    for (const auto& [folder, error] : TheSeams().refusedFolders) {
        if (EndsWith(pattern, L"\\" + folder + L"\\*")) {
            ::SetLastError(error);
            return INVALID_HANDLE_VALUE;
        }
    }
    const HANDLE found = TheSeams().system.findFirst(pattern, level, data, search, filter, flags);
    if (found != INVALID_HANDLE_VALUE) {
        Tag(data);
    }
    return found;
}

BOOL WINAPI FindNext(HANDLE search, LPWIN32_FIND_DATAW data) {
    const BOOL found = TheSeams().system.findNext(search, data);
    if (found) {
        Tag(data);
    }
    return found;
}

HANDLE WINAPI Open(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES attributes,
                   DWORD disposition, DWORD flags, HANDLE model) {
    TheSeams().opened.push_back(FileSystemSeams::Opened{path, share, flags});
    return TheSeams().systemSource.openFile(path, access, share, attributes, disposition, flags,
                                            model);
}

BOOL WINAPI Read(HANDLE file, LPVOID data, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) {
    wchar_t path[4096] = {};
    ::GetFinalPathNameByHandleW(file, path, 4096, 0);
    for (const std::wstring& name : TheSeams().locked) {
        if (EndsWith(path, L"\\" + name)) {
            *read = 0;
            ::SetLastError(ERROR_LOCK_VIOLATION);
            return FALSE;
        }
    }
    return TheSeams().systemSource.readFile(file, data, size, read, overlapped);
}

}  // namespace

FileSystemSeams::FileSystemSeams() : m_listing(TheListingCalls()), m_source(TheSourceCalls()) {
    TheSeams() = Seams{};
    TheSeams().system = m_listing;
    TheSeams().systemSource = m_source;
    TheListingCalls() = ListingCalls{&FindFirst, &FindNext};
    TheSourceCalls() = SourceCalls{&Open, &Read};
}

FileSystemSeams::~FileSystemSeams() {
    TheListingCalls() = m_listing;
    TheSourceCalls() = m_source;
}

const std::vector<FileSystemSeams::Opened>& FileSystemSeams::SourcesOpened() const {
    return TheSeams().opened;
}

void FileSystemSeams::RefuseListing(const std::wstring& folder, DWORD error) {
    TheSeams().refusedFolders[folder] = error;
}

void FileSystemSeams::TagEntry(const std::wstring& name, DWORD reparseTag) {
    TheSeams().tags[name] = reparseTag;
}

void FileSystemSeams::LockReads(const std::wstring& name) {
    TheSeams().locked.push_back(name);
}

}  // namespace qeb::test
