// Scratch folders and small file helpers for tests that work on real files.
#pragma once

#include <string>
#include <vector>

namespace qeb::test {

// A fresh, empty folder below the temp directory, removed again at destruction.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& name);
    ~ScratchFolder();

    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    std::wstring operator/(const std::wstring& relative) const;

private:
    std::wstring m_path;
};

// A name for the running test: suite_test, safe as a file name.
std::wstring CurrentTestName();

// Directory of the running test executable.
std::wstring ModuleDirectory();

// Creates parent folders as needed.
void WriteBytes(const std::wstring& path, const std::string& bytes);
void WriteText(const std::wstring& path, const std::string& utf8OrBytes);
std::string ReadBytes(const std::wstring& path);
// Bytes that no compressor shrinks, the same for the same size.
std::string NoiseBytes(size_t size);
void RemoveTree(const std::wstring& path);

// Relative paths of every file and folder below root (folders end in a backslash), sorted.
std::vector<std::wstring> ListTree(const std::wstring& root);

std::wstring Decode(const std::string& bytes, unsigned codePage);
std::string Encode(const std::wstring& text, unsigned codePage);

// Text split at CR LF; a trailing CR LF does not start another line.
std::vector<std::wstring> SplitLines(const std::wstring& text);

}  // namespace qeb::test
