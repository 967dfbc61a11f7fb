#include "support/ScopedEnvironment.h"

#include <windows.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace qeb::test {
namespace {

std::optional<std::wstring> ReadVariable(const std::wstring& name) {
    size_t required = 0;
    _wgetenv_s(&required, nullptr, 0, name.c_str());
    if (required == 0) {
        return std::nullopt;
    }
    std::vector<wchar_t> buffer(required + 1, L'\0');
    _wgetenv_s(&required, buffer.data(), buffer.size(), name.c_str());
    return std::wstring(buffer.data());
}

// _wputenv_s changes the runtime's copy and the process environment that children get.
void WriteVariable(const std::wstring& name, const std::optional<std::wstring>& value) {
    _wputenv_s(name.c_str(), value ? value->c_str() : L"");
}

}  // namespace

ScopedVariable::ScopedVariable(std::wstring name, const std::optional<std::wstring>& value)
    : m_name(std::move(name)), m_previous(ReadVariable(m_name)) {
    WriteVariable(m_name, value);
}

ScopedVariable::~ScopedVariable() {
    WriteVariable(m_name, m_previous);
}

ScopedCurrentDirectory::ScopedCurrentDirectory(const std::wstring& directory) {
    std::vector<wchar_t> buffer(32768, L'\0');
    const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    m_previous.assign(buffer.data(), length);
    if (!::SetCurrentDirectoryW(directory.c_str())) {
        throw std::runtime_error("cannot change the current directory");
    }
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
    ::SetCurrentDirectoryW(m_previous.c_str());
}

}  // namespace qeb::test
