// What the line readers need of an open file: sequential reads, the position, and whether
// another process is still writing it (then the rest of a line may come a moment later).
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/ResultCode.h"

namespace qeb {

class IByteSource {
public:
    virtual ~IByteSource() = default;

    // Reads up to `size` bytes; `count` tells how many came, fewer at the end of the file.
    // A failure returns its result code, and what `count` then says is not to be used.
    virtual ResultCode Read(void* buffer, std::size_t size, std::size_t& count) = 0;
    virtual bool Seek(std::uint64_t offset) = 0;
    virtual bool GetPosition(std::uint64_t& offset) = 0;

    // True while another process holds the file open for writing.
    virtual bool IsBeingWritten() = 0;
    // Waits before a read is tried again on a file that is being written.
    virtual void PauseBeforeRetry() = 0;
};

}  // namespace qeb
