// A byte source over memory for the portable line readers: it can fail at a chosen offset,
// act as a file that another process is writing (and grow while the reader pauses), and
// counts its reads and pauses.
#pragma once

#include <cstring>
#include <string>

#include "inventory/ByteSource.h"

namespace qeb::test {

constexpr ResultCode kReadFault = 0x8007001E;  // ERROR_READ_FAULT

class MemorySource : public IByteSource {
public:
    // The source reads `bytes` in place: nothing past their end may be touched.
    MemorySource(const void* bytes, std::size_t size)
        : m_data(static_cast<const unsigned char*>(bytes)), m_size(size), m_visible(size) {}

    // Reads that would reach the byte at `offset` fail with kReadFault.
    void FailAt(std::size_t offset) { m_faultAt = offset; }

    // Being written: only the first `visible` bytes exist until the reader has paused
    // `pauses` times; then the writer is done.
    void GrowAfterPauses(std::size_t visible, int pauses) {
        m_visible = visible < m_size ? visible : m_size;
        m_pausesBeforeGrowth = pauses;
        m_beingWritten = true;
    }

    // Being written by a writer that never adds anything.
    void KeepWriting() { m_beingWritten = true; }

    int Pauses() const { return m_pauses; }
    int Reads() const { return m_reads; }

    ResultCode Read(void* buffer, std::size_t size, std::size_t& count) override {
        ++m_reads;
        count = 0;
        if (m_position >= m_visible) {
            return kSuccess;
        }
        const std::size_t available = m_visible - m_position;
        const std::size_t wanted = size < available ? size : available;
        if (m_faultAt >= m_position && m_faultAt < m_position + wanted) {
            return kReadFault;
        }
        std::memcpy(buffer, m_data + m_position, wanted);
        m_position += wanted;
        count = wanted;
        return kSuccess;
    }

    bool Seek(std::uint64_t offset) override {
        m_position = static_cast<std::size_t>(offset);
        return true;
    }

    bool GetPosition(std::uint64_t& offset) override {
        offset = m_position;
        return true;
    }

    bool IsBeingWritten() override { return m_beingWritten; }

    void PauseBeforeRetry() override {
        if (++m_pauses == m_pausesBeforeGrowth) {
            m_visible = m_size;
            m_beingWritten = false;
        }
    }

private:
    const unsigned char* m_data;
    std::size_t m_size;
    std::size_t m_visible;
    std::size_t m_position = 0;
    std::size_t m_faultAt = static_cast<std::size_t>(-1);
    int m_pausesBeforeGrowth = -1;
    bool m_beingWritten = false;
    int m_pauses = 0;
    int m_reads = 0;
};

}  // namespace qeb::test
