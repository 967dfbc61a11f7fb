// A directory link made the way the platform allows: a Unix symbolic link under Wine, whose
// CreateSymbolicLinkW does nothing (Wine shows it with FILE_ATTRIBUTE_REPARSE_POINT); a
// Windows one elsewhere. Removed again with the object.
#pragma once

#include <string>

namespace qeb::test {

class DirectoryLink {
public:
    DirectoryLink(const std::wstring& link, const std::wstring& target);
    // Removed here, before the scratch folder goes: its clean-up does not expect links.
    ~DirectoryLink();

    DirectoryLink(const DirectoryLink&) = delete;
    DirectoryLink& operator=(const DirectoryLink&) = delete;

    bool Exists() const;

private:
    void WaitUntil(bool exists) const;

    std::wstring m_link;
};

}  // namespace qeb::test
