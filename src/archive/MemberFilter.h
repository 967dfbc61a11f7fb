// What the archive's reader does with a member's bytes before libzip takes them: nothing, or
// what a filter makes of them. The reader only reads; PACK -mask is such a filter.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace qeb {

class MemberFilter {
public:
    virtual ~MemberFilter() = default;
    // Appends to `out` the bytes to archive for this piece; `last` ends the member. A non-zero
    // Win32 error (or one of the program's own) ends the member and the attempt with it.
    virtual unsigned long Feed(const char* data, std::size_t size, bool last, std::string& out) = 0;
};

class MemberFilters {
public:
    virtual ~MemberFilters() = default;
    // The filter of one member, null to archive it as it is read; made on the reader's thread.
    virtual std::unique_ptr<MemberFilter> For(std::size_t member) = 0;
    // The member was read whole; called before its last piece is handed over.
    virtual void Done(std::size_t /*member*/) {}
};

}  // namespace qeb
