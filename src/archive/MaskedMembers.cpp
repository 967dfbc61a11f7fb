#include "archive/MaskedMembers.h"

namespace qeb {
namespace {

// The inventory of file versions, whose dotted numbers are versions and never addresses.
bool IsVersionInventory(const std::string& name) {
    static const std::string kName = "qebver.txt";
    if (name.size() < kName.size()) {
        return false;
    }
    const std::size_t start = name.size() - kName.size();
    if (start > 0 && name[start - 1] != '/') {
        return false;
    }
    for (std::size_t i = 0; i < kName.size(); ++i) {
        const char c = name[start + i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kName[i]) {
            return false;
        }
    }
    return true;
}

class MaskingFilter : public MemberFilter {
public:
    MaskingFilter(MaskMap& map, MemberMasker& masker, const MaskCheck& check, bool codePage932)
        : m_map(map), m_masker(masker), m_scan(check, codePage932) {}

    unsigned long Feed(const char* data, std::size_t size, bool last, std::string& out) override {
        const std::size_t start = out.size();
        m_masker.Feed(data, size, last, out);
        m_scan.Feed(out.data() + start, out.size() - start, last);
        if (m_map.Full()) {
            return kMaskMapFull;
        }
        return m_scan.Hit() ? kMaskCheckFound : 0;
    }

private:
    MaskMap& m_map;
    MemberMasker& m_masker;
    MaskCheck::Scan m_scan;
};

}  // namespace

MaskedMembers::MaskedMembers(const std::vector<ArchiveMember>& members, MaskMap& map,
                             const MaskingSetup& setup, ArchivePass& pass)
    : m_members(members), m_map(map), m_setup(setup), m_pass(pass) {}

std::unique_ptr<MemberFilter> MaskedMembers::For(std::size_t member) {
    const TextForm form = m_setup.forms[member];
    if (form == TextForm::Binary) {
        return nullptr;
    }
    return std::make_unique<MaskingFilter>(
        m_map, MaskerFor(form, IsVersionInventory(m_members[member].name)), CurrentCheck(),
        form == TextForm::CodePage932 || form == TextForm::Utf8AndCodePage932);
}

// A masker starts afresh after a member's last piece; one that a member left part way goes with
// its attempt.
MemberMasker& MaskedMembers::MaskerFor(TextForm form, bool versions) {
    std::unique_ptr<MemberMasker>& masker = m_maskers[{form, versions}];
    if (!masker) {
        masker = std::make_unique<MemberMasker>(m_map, form, versions, m_setup.codePage932);
    }
    return *masker;
}

void MaskedMembers::Done(std::size_t member) {
    if (m_setup.forms[member] == TextForm::Binary) {
        m_pass.keptBinary.push_back(m_members[member].name);
    } else {
        ++m_pass.masked;
    }
}

// Made again only when masking has met names since: a name first met in one member must not
// be left in the members after it.
const MaskCheck& MaskedMembers::CurrentCheck() {
    const std::size_t values = m_map.CheckedValueCount();
    if (!m_check || values != m_checkedValues) {
        m_check.emplace(m_map.CheckedValues(), m_setup.encoder);
        m_checkedValues = values;
    }
    return *m_check;
}

}  // namespace qeb
