// Serves the line readers' small reads from blocks of the file, with exactly the results of
// reading the file itself: the same bytes, positions, ends of file and failures.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "inventory/ByteSource.h"

namespace qeb {

class BufferedByteSource : public IByteSource {
public:
    static constexpr std::size_t kDefaultBlockSize = 4096;

    explicit BufferedByteSource(IByteSource& file, std::size_t blockSize = kDefaultBlockSize);

    // Forgets what was read ahead, for a file that was reopened or moved underneath.
    void Reset();

    ResultCode Read(void* buffer, std::size_t size, std::size_t& count) override;
    bool Seek(std::uint64_t offset) override;
    bool GetPosition(std::uint64_t& offset) override;
    bool IsBeingWritten() override { return m_file.IsBeingWritten(); }
    void PauseBeforeRetry() override { m_file.PauseBeforeRetry(); }

private:
    std::size_t Buffered() const { return m_end - m_begin; }
    bool KnowFileOffset();
    ResultCode ReadUnbuffered(void* buffer, std::size_t size, std::size_t& count);

    IByteSource& m_file;
    std::vector<unsigned char> m_block;
    std::size_t m_begin = 0;  // the unread bytes are m_block[m_begin, m_end)
    std::size_t m_end = 0;
    std::optional<std::uint64_t> m_fileOffset;  // the file's own position, behind m_end
};

}  // namespace qeb
