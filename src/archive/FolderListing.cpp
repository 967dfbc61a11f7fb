#include "archive/FolderListing.h"

#include <windows.h>

#include "util/PathText.h"
#include "util/UniqueOwner.h"

namespace qeb {
namespace {

std::uint64_t Combine(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

bool IsDotEntry(const WIN32_FIND_DATAW& data) {
    return wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0;
}

class FolderWalk {
public:
    explicit FolderWalk(const std::wstring& folder) : m_folder(folder) {}

    FolderListing Run() {
        std::vector<std::wstring> pending{L""};
        while (!pending.empty()) {
            const std::wstring directory = std::move(pending.back());
            pending.pop_back();
            const size_t firstChild = m_listing.entries.size();
            ListDirectory(directory);
            if (m_listing.error != 0) {
                break;
            }
            // Last in, first out: the children are pushed in reverse to be walked in order.
            for (size_t i = m_listing.entries.size(); i > firstChild; --i) {
                if (m_listing.entries[i - 1].directory) {
                    pending.push_back(m_listing.entries[i - 1].relative);
                }
            }
        }
        return std::move(m_listing);
    }

private:
    void ListDirectory(const std::wstring& relative) {
        WIN32_FIND_DATAW data{};
        const std::wstring pattern = JoinPath(JoinPath(m_folder, relative), L"*");
        UniqueFindHandle search(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data,
                                                   FindExSearchNameMatch, nullptr,
                                                   FIND_FIRST_EX_LARGE_FETCH));
        if (!search) {
            Fail(relative, ::GetLastError());
            return;
        }
        do {
            if (!IsDotEntry(data)) {
                Add(relative, data);
            }
        } while (::FindNextFileW(search.Get(), &data));
        if (const DWORD error = ::GetLastError(); error != ERROR_NO_MORE_FILES) {
            Fail(relative, error);
        }
    }

    // A listing that failed part way leaves what was found, and the directory is named.
    void Fail(const std::wstring& relative, DWORD error) {
        if (relative.empty()) {
            m_listing.error = error;
        } else {
            m_listing.skipped.push_back(SkippedEntry{relative, LeftOutKind::NotListed, error});
        }
    }

    void Add(const std::wstring& directory, const WIN32_FIND_DATAW& data) {
        const std::wstring relative = JoinPath(directory, data.cFileName);
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            m_listing.skipped.push_back(SkippedEntry{relative, LeftOutKind::Link, 0});
            return;
        }
        FolderEntry entry;
        entry.relative = relative;
        entry.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.size = entry.directory ? 0 : Combine(data.nFileSizeHigh, data.nFileSizeLow);
        entry.lastWrite =
            Combine(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
        m_listing.entries.push_back(std::move(entry));
    }

    const std::wstring& m_folder;
    FolderListing m_listing;
};

}  // namespace

FolderListing ListFolder(const std::wstring& folder) {
    return FolderWalk(folder).Run();
}

}  // namespace qeb
