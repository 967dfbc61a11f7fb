// A file to which printed lines are appended in UTF-8 with CR LF, a byte-order mark at its
// start. Opened once and written through that handle only; a link in its place is refused.
#pragma once

#include <functional>
#include <string>

#include "util/UniqueOwner.h"

struct _SECURITY_ATTRIBUTES;

namespace qeb {

class LineLog {
public:
    // The Win32 error when the file cannot be opened or is a link; a new file gets
    // `attributes`. A write that fails later closes the log and is told once.
    unsigned long Open(const std::wstring& path, _SECURITY_ATTRIBUTES* attributes,
                       std::function<void(unsigned long error)> onWriteFailure);
    bool IsOpen() const { return static_cast<bool>(m_file); }
    // One line, its CR LF included; nothing when the log is not open.
    void Append(const std::wstring& line);

private:
    UniqueFileHandle m_file;
    bool m_empty = false;
    std::function<void(unsigned long)> m_onWriteFailure;
};

}  // namespace qeb
