// The pass over the members before any is masked: each is read once to learn how it is text
// and what its reports name, the values learned join the map, the addresses that have a
// stand-in's form get stand-ins of their own, and the members' names are masked.
#pragma once

#include <string>
#include <vector>

#include "archive/ArchiveMembers.h"
#include "archive/TextMasking.h"

namespace qeb {

struct MaskDomains {
    std::vector<std::u16string> dns;   // masked with every name under them
    std::vector<std::u16string> flat;  // NetBIOS names of those domains
};

// Fills `setup.forms` for every member (a directory or a file that cannot be read counts as
// text: the archive's own reading reports it) and renames the members.
void PrepareMasking(std::vector<ArchiveMember>& members, MaskMap& map, const MaskDomains& domains,
                    MaskingSetup& setup);

}  // namespace qeb
