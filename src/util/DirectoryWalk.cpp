#include "util/DirectoryWalk.h"

#include <vector>

#include "util/PathText.h"
#include "util/ReparseTag.h"
#include "util/UniqueOwner.h"

namespace qeb {
namespace {

std::uint64_t Combine(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

bool IsDotEntry(const WIN32_FIND_DATAW& data) {
    return wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0;
}

// One directory being listed: its search stays open while the walk is below it.
struct OpenDirectory {
    std::wstring relative;
    UniqueFindHandle search;
    WIN32_FIND_DATAW data{};
    bool pending = true;  // `data` holds an entry not yet visited
};

class Walk {
public:
    Walk(const std::wstring& root, const DirectoryWalk::Visitor& visit,
         const DirectoryWalk::FailureNotice& failed)
        : m_root(root), m_visit(visit), m_failed(failed) {}

    void Run() {
        Open(L"");
        while (!m_open.empty()) {
            if (!Advance(m_open.back())) {
                m_open.pop_back();
                continue;
            }
            const OpenDirectory& current = m_open.back();
            const std::wstring relative = JoinPath(current.relative, current.data.cFileName);
            const WalkEntry entry{relative, current.data};
            const WalkNext next = m_visit(entry);
            if (next == WalkNext::Stop) {
                return;
            }
            if (next == WalkNext::Continue && entry.IsDirectory() && !entry.IsLink()) {
                Open(relative);
            }
        }
    }

private:
    // FindExInfoBasic leaves out the short names, which nothing here reads.
    void Open(const std::wstring& relative) {
        OpenDirectory directory{relative, {}, {}, true};
        const std::wstring pattern = JoinPath(JoinPath(m_root, relative), L"*");
        directory.search.Reset(TheListingCalls().findFirst(pattern.c_str(), FindExInfoBasic,
                                                           &directory.data, FindExSearchNameMatch,
                                                           nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (!directory.search) {
            m_failed(relative, ::GetLastError());
            return;
        }
        m_open.push_back(std::move(directory));
    }

    // The next entry of the directory other than . and ..; false at its end.
    bool Advance(OpenDirectory& directory) {
        for (;;) {
            if (!directory.pending &&
                !TheListingCalls().findNext(directory.search.Get(), &directory.data)) {
                if (const DWORD error = ::GetLastError(); error != ERROR_NO_MORE_FILES) {
                    m_failed(directory.relative, error);
                }
                return false;
            }
            directory.pending = false;
            if (!IsDotEntry(directory.data)) {
                return true;
            }
        }
    }

    const std::wstring& m_root;
    const DirectoryWalk::Visitor& m_visit;
    const DirectoryWalk::FailureNotice& m_failed;
    std::vector<OpenDirectory> m_open;
};

}  // namespace

bool WalkEntry::IsLink() const {
    // dwReserved0 holds the tag of a reparse point (WIN32_FIND_DATAW).
    return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           IsLinkReparseTag(data.dwReserved0);
}

std::uint64_t WalkEntry::Size() const {
    return Combine(data.nFileSizeHigh, data.nFileSizeLow);
}

std::uint64_t WalkEntry::LastWrite() const {
    return Combine(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
}

ListingCalls& TheListingCalls() {
    static ListingCalls calls{&::FindFirstFileExW, &::FindNextFileW};
    return calls;
}

void DirectoryWalk::Run(const std::wstring& root, const Visitor& visit,
                        const FailureNotice& failed) {
    Walk(root, visit, failed).Run();
}

}  // namespace qeb
