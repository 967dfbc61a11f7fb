// An earlier output tree made as safe as a new one before anything is written into it: each
// entry gets the owner and DACL of OutputProtection (the system does not carry a directory's
// new DACL down to what it already holds), and the temporary files that an ended run left
// behind are removed. Links are given it themselves and never followed.
#pragma once

#include <string>

namespace qeb {

// The Win32 error when the root itself cannot be protected, else 0; an entry below that
// cannot be is passed over.
unsigned long ProtectExistingTree(const std::wstring& root);

}  // namespace qeb
