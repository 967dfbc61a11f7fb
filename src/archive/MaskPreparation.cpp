#include "archive/MaskPreparation.h"

#include <windows.h>

#include <algorithm>
#include <set>

#include "archive/MaskForms.h"
#include "archive/MemberSurvey.h"
#include "util/SourceFile.h"

namespace qeb {
namespace {

constexpr DWORD kBlockSize = 256 << 10;

TextForm Survey(const ArchiveMember& member, const ITextDecoder* decoder,
                std::vector<LearnedValue>& learned, std::vector<StandInForm>& forms) {
    SourceFile file;
    if (member.directory || OpenSourceFile(member.path, file) != ERROR_SUCCESS) {
        return TextForm::Utf8;
    }
    MemberSurvey survey(decoder, file.size);
    std::vector<char> block(
        static_cast<std::size_t>(std::min<std::uint64_t>(file.size, kBlockSize)));
    for (std::uint64_t readSoFar = 0; readSoFar < file.size;) {
        DWORD read = 0;
        const DWORD wanted =
            static_cast<DWORD>(std::min<std::uint64_t>(file.size - readSoFar, block.size()));
        if (!TheSourceCalls().readFile(file.handle.Get(), block.data(), wanted, &read, nullptr) ||
            read == 0) {
            break;
        }
        readSoFar += read;
        if (!survey.Feed(block.data(), read)) {
            break;
        }
    }
    return survey.Finish(learned, forms);
}

void AddLearned(const std::vector<LearnedValue>& values, MaskMap& map) {
    for (const LearnedValue& value : values) {
        const MaskValue mask{value.value, {}};
        switch (value.kind) {
            case LearnedValue::Kind::Host:
                map.AddHost(mask);
                break;
            case LearnedValue::Kind::Domain:
                map.AddDomain(mask);
                break;
            case LearnedValue::Kind::User:
                map.AddUser(mask);
                break;
            case LearnedValue::Kind::Word:
                map.AddWord(mask);
                break;
        }
    }
}

std::string LowerAsciiBytes(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(AsciiLower(static_cast<unsigned char>(c)));
    }
    return text;
}

// "logs/host0001~2.log", "logs/host0001~2/": the copy's number before the extension.
std::string NumberedName(const std::string& name, int copy) {
    const bool directory = !name.empty() && name.back() == '/';
    const std::string path = directory ? name.substr(0, name.size() - 1) : name;
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    const std::size_t at =
        dot != std::string::npos && dot > (slash == std::string::npos ? 0 : slash + 1)
            ? dot
            : path.size();
    return path.substr(0, at) + "~" + std::to_string(copy) + path.substr(at) +
           (directory ? "/" : "");
}

// The first label of a masked domain is its name in NetBIOS form more often than not, and
// names the customer where it stands alone.
void AddFirstLabels(MaskMap& map) {
    std::vector<std::u16string> labels;
    for (const MaskMap::Name& name : map.Names()) {
        if (name.kind == MaskKind::Domain) {
            labels.push_back(name.original.substr(0, name.original.find(u'.')));
        }
    }
    for (const std::u16string& label : labels) {
        if (label.size() >= 2) {
            map.AddWord({label, {}});
        }
    }
}

// Two names that masking made equal would unpack over each other.
void KeepNamesApart(std::vector<ArchiveMember>& members) {
    std::set<std::string> taken;
    for (ArchiveMember& member : members) {
        std::string name = member.name;
        for (int copy = 2; !taken.insert(LowerAsciiBytes(name)).second; ++copy) {
            name = NumberedName(member.name, copy);
        }
        member.name = name;
    }
}

}  // namespace

void PrepareMasking(std::vector<ArchiveMember>& members, MaskMap& map, const MaskDomains& domains,
                    MaskingSetup& setup) {
    std::vector<LearnedValue> learned;
    std::vector<StandInForm> standInForms;
    setup.forms.clear();
    for (const ArchiveMember& member : members) {
        setup.forms.push_back(Survey(member, setup.codePage932, learned, standInForms));
    }
    AddLearned(ResolveLearned(learned, domains.dns, domains.flat), map);
    AddFirstLabels(map);
    for (const StandInForm& form : standInForms) {
        map.Reserve(form.kind, form.text);
    }
    bool renamed = false;
    MemberNameMasker names(map);
    for (ArchiveMember& member : members) {
        const std::string masked = names.Masked(member.name);
        renamed = renamed || masked != member.name;
        member.name = masked;
    }
    if (renamed) {
        KeepNamesApart(members);
    }
}

}  // namespace qeb
