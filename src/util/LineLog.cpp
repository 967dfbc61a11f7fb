#include "util/LineLog.h"

#include <windows.h>

#include <utility>

#include "util/CodePage.h"
#include "util/OutputCalls.h"
#include "util/Paths.h"

namespace qeb {

unsigned long LineLog::Open(const std::wstring& path, SECURITY_ATTRIBUTES* attributes,
                            std::function<void(unsigned long error)> onWriteFailure) {
    m_file.Reset(TheOutputCalls().createFile(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                             FILE_SHARE_READ, attributes, OPEN_ALWAYS,
                                             FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!m_file) {
        return ::GetLastError();
    }
    FILE_BASIC_INFO info{};
    if (!::GetFileInformationByHandleEx(m_file.Get(), FileBasicInfo, &info, sizeof info) ||
        (info.FileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        IsLink(path)) {
        m_file.Reset();
        return ERROR_CANT_ACCESS_FILE;
    }
    LARGE_INTEGER size{};
    m_empty = ::GetFileSizeEx(m_file.Get(), &size) && size.QuadPart == 0;
    m_onWriteFailure = std::move(onWriteFailure);
    return ERROR_SUCCESS;
}

void LineLog::Append(const std::wstring& line) {
    if (!m_file) {
        return;
    }
    std::string bytes = EncodeText(line, CP_UTF8);
    if (m_empty) {
        bytes.insert(0, "\xEF\xBB\xBF");
    }
    DWORD written = 0;
    if (::WriteFile(m_file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                    nullptr) &&
        written == bytes.size()) {
        m_empty = false;
        return;
    }
    const DWORD error = written == bytes.size() ? ::GetLastError() : ERROR_DISK_FULL;
    m_file.Reset();  // what is printed about the failure must not be logged again
    if (auto told = std::exchange(m_onWriteFailure, nullptr)) {
        told(error);
    }
}

}  // namespace qeb
