#include "support/Scratch.h"

#include <cstdint>

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <boost/filesystem.hpp>
#include <fstream>

#include "util/CodePage.h"

namespace qeb::test {
namespace fs = boost::filesystem;

ScratchFolder::ScratchFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, temp);
    m_path = (fs::path(temp) / L"qebinfo-tests" / name).wstring();
    RemoveTree(m_path);
    fs::create_directories(m_path);
}

ScratchFolder::~ScratchFolder() {
    try {
        RemoveTree(m_path);
    } catch (...) {
    }
}

std::wstring ScratchFolder::operator/(const std::wstring& relative) const {
    return m_path + L"\\" + relative;
}

std::wstring CurrentTestName() {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !isalnum(static_cast<unsigned char>(c)); },
        '_');
    return std::wstring(name.begin(), name.end());
}

std::wstring ModuleDirectory() {
    std::wstring path(32768, L'\0');
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return path.substr(0, path.find_last_of(L'\\'));
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(fs::path(path).wstring().c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write test file");
    }
}

void WriteText(const std::wstring& path, const std::string& utf8OrBytes) {
    WriteBytes(path, utf8OrBytes);
}

std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string NoiseBytes(size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 2463534242u;
    for (char& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

void RemoveTree(const std::wstring& path) {
    boost::system::error_code ignored;
    if (!fs::exists(path, ignored)) {
        return;
    }
    // Copies may be read-only; clear that first so that remove_all can delete them.
    for (fs::recursive_directory_iterator it(path, ignored), end; it != end;
         it.increment(ignored)) {
        ::SetFileAttributesW(it->path().wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    fs::remove_all(path);
}

std::vector<std::wstring> ListTree(const std::wstring& root) {
    std::vector<std::wstring> entries;
    if (!fs::is_directory(root)) {
        return entries;
    }
    const size_t prefix = fs::path(root).wstring().size() + 1;
    for (fs::recursive_directory_iterator it(root), end; it != end; ++it) {
        std::wstring relative = it->path().wstring().substr(prefix);
        if (fs::is_directory(it->status())) {
            relative += L'\\';
        }
        entries.push_back(relative);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::wstring Decode(const std::string& bytes, unsigned codePage) {
    return DecodeText(bytes, codePage);
}

std::string Encode(const std::wstring& text, unsigned codePage) {
    return EncodeText(text, codePage);
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

}  // namespace qeb::test
