// PACK -mask as the reader's filter: each text member masked in its own encoding and checked
// after masking before a byte of it is archived in full; a member that is no text archived as
// it is (only -keepbinary leaves such members among those read).
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "archive/ArchiveMembers.h"
#include "archive/MaskCheck.h"
#include "archive/MemberFilter.h"
#include "archive/TextMasking.h"

namespace qeb {

class MaskedMembers : public MemberFilters {
public:
    MaskedMembers(const std::vector<ArchiveMember>& members, MaskMap& map,
                  const MaskingSetup& setup, ArchivePass& pass);
    std::unique_ptr<MemberFilter> For(std::size_t member) override;
    void Done(std::size_t member) override;

private:
    const MaskCheck& CurrentCheck();
    MemberMasker& MaskerFor(TextForm form, bool versions);

    const std::vector<ArchiveMember>& m_members;
    MaskMap& m_map;
    const MaskingSetup& m_setup;
    ArchivePass& m_pass;
    std::optional<MaskCheck> m_check;
    // Made once per form: a masker's patterns of every name cost as much as a small member.
    std::map<std::pair<TextForm, bool>, std::unique_ptr<MemberMasker>> m_maskers;
    std::size_t m_checkedValues = 0;
};

}  // namespace qeb
