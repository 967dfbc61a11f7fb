#include "support/ConsoleCapture.h"

#include <stdexcept>

#include "support/Scratch.h"

namespace qeb::test {

ConsoleCapture::ConsoleCapture() : m_previous(::GetStdHandle(STD_OUTPUT_HANDLE)) {
    wchar_t directory[MAX_PATH + 1] = {};
    wchar_t path[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, directory);
    ::GetTempFileNameW(directory, L"cap", 0, path);
    m_path = path;
    m_file.Reset(::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!m_file) {
        throw std::runtime_error("cannot create the capture file");
    }
    ::SetStdHandle(STD_OUTPUT_HANDLE, m_file.Get());
}

ConsoleCapture::~ConsoleCapture() {
    ::SetStdHandle(STD_OUTPUT_HANDLE, m_previous);
    m_file.Reset();
    ::DeleteFileW(m_path.c_str());
}

std::string ConsoleCapture::Bytes() const {
    return ReadBytes(m_path);
}

std::vector<std::wstring> ConsoleCapture::Lines() const {
    return SplitLines(Decode(Bytes(), 932));
}

}  // namespace qeb::test
