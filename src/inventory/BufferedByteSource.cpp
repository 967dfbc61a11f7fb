#include "inventory/BufferedByteSource.h"

#include <algorithm>
#include <cstring>

namespace qeb {

BufferedByteSource::BufferedByteSource(IByteSource& file, std::size_t blockSize)
    : m_file(file), m_block(std::max<std::size_t>(blockSize, 1)) {}

void BufferedByteSource::Reset() {
    m_begin = m_end = 0;
    m_fileOffset.reset();
}

bool BufferedByteSource::KnowFileOffset() {
    if (!m_fileOffset) {
        std::uint64_t offset = 0;
        if (!m_file.GetPosition(offset)) {
            return false;
        }
        m_fileOffset = offset;
    }
    return true;
}

ResultCode BufferedByteSource::Read(void* buffer, std::size_t size, std::size_t& count) {
    count = 0;
    if (Buffered() < size) {
        std::memmove(m_block.data(), m_block.data() + m_begin, Buffered());
        m_end = Buffered();
        m_begin = 0;
        if (m_block.size() < size) {
            m_block.resize(size);
        }
        // A file gives fewer bytes than asked only at its end; keep asking until it says so.
        while (m_end < size) {
            std::size_t got = 0;
            if (m_file.Read(m_block.data() + m_end, m_block.size() - m_end, got) != kSuccess) {
                return ReadUnbuffered(buffer, size, count);
            }
            if (got == 0) {
                break;
            }
            m_end += got;
            if (m_fileOffset) {
                *m_fileOffset += got;
            }
        }
    }
    count = std::min(size, Buffered());
    std::memcpy(buffer, m_block.data() + m_begin, count);
    m_begin += count;
    return kSuccess;
}

// A block that cannot be read may still hold readable bytes before the fault: the caller's
// own read from its own position meets the fault exactly where it would without the buffer.
ResultCode BufferedByteSource::ReadUnbuffered(void* buffer, std::size_t size, std::size_t& count) {
    if (!KnowFileOffset()) {
        return m_file.Read(buffer, size, count);
    }
    const std::uint64_t position = *m_fileOffset - Buffered();
    m_begin = m_end = 0;
    if (!m_file.Seek(position)) {
        m_fileOffset.reset();
        return m_file.Read(buffer, size, count);
    }
    const ResultCode result = m_file.Read(buffer, size, count);
    m_fileOffset = position + (result == kSuccess ? count : 0);
    if (result != kSuccess) {
        m_fileOffset.reset();
    }
    return result;
}

bool BufferedByteSource::Seek(std::uint64_t offset) {
    if (m_fileOffset && offset <= *m_fileOffset && *m_fileOffset - offset <= m_end) {
        m_begin = m_end - static_cast<std::size_t>(*m_fileOffset - offset);
        return true;
    }
    m_begin = m_end = 0;
    const bool moved = m_file.Seek(offset);
    m_fileOffset = moved ? std::optional<std::uint64_t>(offset) : std::nullopt;
    return moved;
}

bool BufferedByteSource::GetPosition(std::uint64_t& offset) {
    if (!KnowFileOffset()) {
        return false;
    }
    offset = *m_fileOffset - Buffered();
    return true;
}

}  // namespace qeb
