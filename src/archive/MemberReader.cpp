#include "archive/MemberReader.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "util/SourceFile.h"
#include "util/UniqueOwner.h"

namespace qeb {
namespace {

constexpr DWORD kBlockSize = 256 << 10;
constexpr DWORD kSmallestBlock = 4 << 10;
// Enough waiting to keep libzip busy through a run of small files, each of which costs the
// reader an open and a close, and little enough to keep the memory small.
constexpr std::size_t kWaitingBytes = 32 << 20;

// A file is read in blocks of up to its size when opened; a small file takes a small block.
DWORD BlockSizeFor(std::uint64_t size, std::uint64_t readSoFar) {
    const std::uint64_t rest = size > readSoFar ? size - readSoFar : 0;
    return rest < kBlockSize ? std::max<DWORD>(static_cast<DWORD>(rest), kSmallestBlock)
                             : kBlockSize;
}

class Locked {
public:
    explicit Locked(SRWLOCK& lock) : m_lock(lock) { ::AcquireSRWLockExclusive(&m_lock); }
    ~Locked() { ::ReleaseSRWLockExclusive(&m_lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

    template <typename Ready>
    void WaitUntil(CONDITION_VARIABLE& changed, Ready ready) {
        while (!ready()) {
            ::SleepConditionVariableSRW(&changed, &m_lock, INFINITE, 0);
        }
    }

private:
    SRWLOCK& m_lock;
};

}  // namespace

MemberReader::MemberReader(const std::vector<ArchiveMember>& members,
                           std::vector<std::size_t> order, MemberFilters* filters)
    : m_members(members), m_order(std::move(order)), m_filters(filters) {
    m_thread.Reset(::CreateThread(nullptr, 0, &MemberReader::ThreadMain, this, 0, nullptr));
    if (!m_thread) {
        m_finished = true;  // every Take then fails, and the attempt with it
    }
}

MemberReader::~MemberReader() {
    {
        const Locked lock(m_guard);
        m_stopping = true;
    }
    ::WakeAllConditionVariable(&m_changed);
    if (m_thread) {
        ::WaitForSingleObject(m_thread.Get(), INFINITE);
    }
}

DWORD WINAPI MemberReader::ThreadMain(void* self) {
    static_cast<MemberReader*>(self)->Run();
    return 0;
}

MemberReader::Piece MemberReader::Take() {
    Piece piece;
    {
        Locked lock(m_guard);
        lock.WaitUntil(m_changed, [this] { return !m_ready.empty() || m_finished; });
        if (m_ready.empty()) {
            piece.member = static_cast<std::size_t>(-1);
            piece.error = ERROR_NO_MORE_FILES;
            return piece;
        }
        piece = std::move(m_ready.front());
        m_ready.pop_front();
        m_waitingBytes -= piece.data.size();
    }
    ::WakeAllConditionVariable(&m_changed);
    return piece;
}

// Only whole blocks are kept for reuse; a small file's block is small and cheap to make.
void MemberReader::GiveBack(std::vector<char> block) {
    if (block.size() == kBlockSize) {
        const Locked lock(m_guard);
        m_free.push_back(std::move(block));
    }
}

std::vector<char> MemberReader::FreeBlock(DWORD size) {
    if (size == kBlockSize) {
        const Locked lock(m_guard);
        if (!m_free.empty()) {
            std::vector<char> block = std::move(m_free.back());
            m_free.pop_back();
            return block;
        }
    }
    return std::vector<char>(size);
}

// False when the reader is to stop.
bool MemberReader::Put(Piece piece) {
    {
        Locked lock(m_guard);
        const std::size_t size = piece.data.size();
        lock.WaitUntil(m_changed, [this, size] {
            return m_stopping || m_ready.empty() || m_waitingBytes + size <= kWaitingBytes;
        });
        if (m_stopping) {
            return false;
        }
        m_waitingBytes += size;
        m_ready.push_back(std::move(piece));
    }
    ::WakeAllConditionVariable(&m_changed);
    return true;
}

void MemberReader::Run() noexcept {
    for (const std::size_t member : m_order) {
        try {
            if (!ReadOne(member)) {
                break;
            }
        } catch (...) {
            Piece failed;
            failed.member = member;
            failed.error = ERROR_NOT_ENOUGH_MEMORY;
            try {
                Put(std::move(failed));
            } catch (...) {
            }
            break;
        }
    }
    {
        const Locked lock(m_guard);
        m_finished = true;
    }
    ::WakeAllConditionVariable(&m_changed);
}

// Reads up to `wanted` bytes into the block; `ended` when the file has no more.
bool MemberReader::ReadBlock(HANDLE file, std::vector<char>& block, std::size_t wanted,
                             std::size_t& size, bool& ended, unsigned long& error) {
    size = 0;
    while (size < wanted) {
        DWORD read = 0;
        if (!TheSourceCalls().readFile(file, block.data() + size, static_cast<DWORD>(wanted - size),
                                       &read, nullptr)) {
            error = ::GetLastError();
            return false;
        }
        if (read == 0) {
            ended = true;
            break;
        }
        size += read;
    }
    return true;
}

// Under the lock, so that what the filters note is seen by libzip's thread with the piece.
void MemberReader::NoteDone(std::size_t member) {
    const Locked lock(m_guard);
    m_filters->Done(member);
}

// After a file that cannot be read, nothing more is read: libzip abandons the attempt there.
// A masked member is hashed as it is archived.
bool MemberReader::ReadOne(std::size_t member) {
    Piece failed;
    failed.member = member;
    SourceFile file;
    failed.error = OpenSourceFile(m_members[member].path, file);
    if (failed.error != ERROR_SUCCESS) {
        Put(std::move(failed));
        return false;
    }
    Sha256 hash;
    const std::unique_ptr<MemberFilter> filter =
        m_filters != nullptr ? m_filters->For(member) : nullptr;
    std::uint64_t readSoFar = 0;
    for (bool ended = false; !ended;) {
        Piece piece;
        piece.member = member;
        piece.sizeAtOpen = file.size;
        piece.data = FreeBlock(BlockSizeFor(file.size, readSoFar));
        const std::size_t wanted = static_cast<std::size_t>(
            std::min<std::uint64_t>(file.size - readSoFar, piece.data.size()));
        if (!ReadBlock(file.handle.Get(), piece.data, wanted, piece.size, ended, failed.error)) {
            Put(std::move(failed));
            return false;
        }
        readSoFar += piece.size;
        ended = ended || readSoFar == file.size;
        if (filter) {
            std::string filtered;
            failed.error = filter->Feed(piece.data.data(), piece.size, ended, filtered);
            if (failed.error != 0) {
                Put(std::move(failed));
                return false;
            }
            GiveBack(std::move(piece.data));
            piece.data.assign(filtered.begin(), filtered.end());
            piece.size = filtered.size();
        }
        hash.Add(piece.data.data(), piece.size);
        if (ended && m_filters != nullptr) {
            NoteDone(member);
        }
        if (ended) {
            piece.end = true;
            piece.digest = hash.Finish();
        }
        if (!Put(std::move(piece))) {
            return false;
        }
    }
    return true;
}

}  // namespace qeb
