// In-process changes of the environment and the current directory that are
// undone at the end of the scope. Children started meanwhile inherit them.
#pragma once

#include <optional>
#include <string>

namespace qeb::test {

class ScopedVariable {
public:
    // nullopt removes the variable.
    ScopedVariable(std::wstring name, const std::optional<std::wstring>& value);
    ~ScopedVariable();

    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::wstring m_name;
    std::optional<std::wstring> m_previous;
};

class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::wstring& directory);
    ~ScopedCurrentDirectory();

    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

private:
    std::wstring m_previous;
};

}  // namespace qeb::test
