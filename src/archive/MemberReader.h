// Reads the files of one attempt on a thread of its own, ahead of libzip and in archive
// order: while libzip compresses one block the next is read and hashed. Only one file is
// open at a time, and a bounded number of blocks wait. The system's own lock and condition
// variable: those of the threads library are kernel objects, which cost Wine a server call
// for every block handed over.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "archive/ArchiveMembers.h"
#include "archive/MemberFilter.h"
#include "util/Sha256.h"
#include "util/UniqueOwner.h"

namespace qeb {

class MemberReader {
public:
    // What the reader gives for a file, piece by piece: its blocks, the last with the digest
    // of every byte, or the Win32 error that stopped the reading. A file is read as far as it
    // was long when it was opened, however fast it grows meanwhile.
    struct Piece {
        std::size_t member = 0;
        std::vector<char> data;  // only its first `size` bytes count
        std::size_t size = 0;
        std::uint64_t sizeAtOpen = 0;
        bool end = false;
        unsigned long error = 0;
        Sha256Digest digest{};
    };

    // `order` lists the indices of the members to read, in the order libzip takes them. With
    // filters, each member's bytes are what its filter makes of them.
    MemberReader(const std::vector<ArchiveMember>& members, std::vector<std::size_t> order,
                 MemberFilters* filters = nullptr);
    ~MemberReader();
    MemberReader(const MemberReader&) = delete;
    MemberReader& operator=(const MemberReader&) = delete;

    // The next piece; waits for it. After the last file, or once the reader stopped at a
    // failure, it is a failed piece of no member.
    Piece Take();
    // A block that libzip has consumed, for reuse.
    void GiveBack(std::vector<char> block);

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Run() noexcept;
    bool ReadOne(std::size_t member);
    bool ReadBlock(HANDLE file, std::vector<char>& block, std::size_t wanted, std::size_t& size,
                   bool& ended, unsigned long& error);
    void NoteDone(std::size_t member);
    bool Put(Piece piece);
    std::vector<char> FreeBlock(DWORD size);

    const std::vector<ArchiveMember>& m_members;
    const std::vector<std::size_t> m_order;
    MemberFilters* const m_filters;
    SRWLOCK m_guard = SRWLOCK_INIT;
    CONDITION_VARIABLE m_changed = CONDITION_VARIABLE_INIT;
    std::deque<Piece> m_ready;
    std::vector<std::vector<char>> m_free;
    std::size_t m_waitingBytes = 0;
    bool m_stopping = false;
    bool m_finished = false;
    UniqueHandle m_thread;
};

}  // namespace qeb
