#include "archive/ArchiveWriter.h"

#include <optional>
#include <utility>

#include "archive/MaskedMembers.h"
#include "archive/MemberReader.h"
#include "util/SourceFile.h"

namespace qeb {
namespace {

// The usual level: as much as zip's default, at its speed. libzip's own default is 9.
constexpr zip_uint32_t kDeflateLevel = 6;
// libzip abandons the whole archive when one member cannot be read. Each attempt leaves out
// the member that ended the one before and every other that cannot be opened by then, so that
// only files that vanish during an attempt cost another; files that keep vanishing must not
// keep the archive from ever being finished.
constexpr int kAttempts = 8;

std::string ErrorText(zip_error_t* error) {
    const char* text = zip_error_strerror(error);
    return text != nullptr ? text : "";
}

// The archive of one attempt, discarded unless it was closed.
class OpenArchive {
public:
    explicit OpenArchive(zip_t* archive) : m_archive(archive) {}
    ~OpenArchive() {
        if (m_archive != nullptr) {
            zip_discard(m_archive);
        }
    }
    OpenArchive(const OpenArchive&) = delete;
    OpenArchive& operator=(const OpenArchive&) = delete;

    zip_t* Get() const { return m_archive; }
    bool Close() {
        if (zip_close(m_archive) != 0) {
            return false;
        }
        m_archive = nullptr;
        return true;
    }

private:
    zip_t* m_archive;
};

}  // namespace

ArchiveWriter::ArchiveWriter(ArchiveOutputFile& output, std::vector<ArchiveMember> members,
                             std::vector<LeftOutEntry> leftOut, ArchiveProtection protection,
                             ArchiveTextSource texts)
    : m_output(output),
      m_members(std::move(members)),
      m_dropped(m_members.size(), false),
      m_leftOut(std::move(leftOut)),
      m_protection(protection),
      m_texts(std::move(texts)),
      m_now(std::time(nullptr)) {}

ArchiveOutcome ArchiveWriter::Write(const std::function<std::string(unsigned long)>& reason,
                                    const LeftOutNotice& onLeftOut,
                                    const ProgressNotice& onProgress) {
    ArchiveOutcome outcome;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        ArchivePass pass;
        pass.onProgress = [&onProgress](const ArchivePass& done) {
            if (onProgress) {
                onProgress(done);
            }
        };
        outcome = WriteOnce(pass);
        if (outcome.status == ArchiveOutcome::Status::Written || !pass.failure) {
            return outcome;
        }
        const ArchivePass::Failure failure = *pass.failure;
        if (failure.error == kMaskMapFull) {
            outcome.status = ArchiveOutcome::Status::MaskMapFull;
            return outcome;
        }
        // What masking leaves out is found again by every attempt and ends one attempt
        // each: it costs none of those that files vanishing meanwhile may take.
        if (failure.error == kMaskCheckFound) {
            m_checkHits.push_back(m_members[failure.member].name);
            LeaveOut(failure.member, LeftOutKind::MaskCheckHit, 0, reason, onLeftOut);
            --attempt;
            continue;
        }
        LeaveOut(failure.member, LeftOutKind::Unreadable, failure.error, reason, onLeftOut);
        LeaveOutUnreadable(reason, onLeftOut);
    }
    return outcome;
}

void ArchiveWriter::LeaveOut(std::size_t member, LeftOutKind kind, unsigned long error,
                             const std::function<std::string(unsigned long)>& reason,
                             const LeftOutNotice& onLeftOut) {
    m_dropped[member] = true;
    m_leftOut.push_back(
        LeftOutEntry{m_members[member].name, kind, error != 0 ? reason(error) : std::string()});
    if (onLeftOut) {
        onLeftOut(m_members[member], kind, error);
    }
}

void ArchiveWriter::LeaveOutUnreadable(const std::function<std::string(unsigned long)>& reason,
                                       const LeftOutNotice& onLeftOut) {
    for (std::size_t i = 0; i < m_members.size(); ++i) {
        if (!m_dropped[i] && !m_members[i].directory) {
            SourceFile file;
            if (const unsigned long error = OpenSourceFile(m_members[i].path, file); error != 0) {
                LeaveOut(i, LeftOutKind::Unreadable, error, reason, onLeftOut);
            }
        }
    }
}

ArchiveOutcome ArchiveWriter::WriteOnce(ArchivePass& pass) {
    std::vector<std::size_t> files;
    for (std::size_t i = 0; i < m_members.size(); ++i) {
        if (!m_dropped[i] && !m_members[i].directory) {
            files.push_back(i);
        }
    }
    // Each attempt masks from the values known at the start, so that its counts are its own.
    if (m_protection.mask != nullptr) {
        m_passMask = *m_protection.mask;
    }
    // Declared before the archive: libzip's sources take from it until the archive is gone.
    std::optional<MaskedMembers> masked;
    if (m_protection.mask != nullptr && m_protection.masking != nullptr) {
        masked.emplace(m_members, m_passMask, *m_protection.masking, pass);
    }
    MemberReader reader(m_members, std::move(files), masked ? &*masked : nullptr);
    pass.reader = &reader;
    ArchiveOutcome outcome;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = m_output.NewSource(&error);
    zip_t* opened = source != nullptr
                        ? zip_open_from_source(source, ZIP_CREATE | ZIP_TRUNCATE, &error)
                        : nullptr;
    if (opened == nullptr) {
        zip_source_free(source);
        outcome.detail = ErrorText(&error);
        zip_error_fini(&error);
        return outcome;
    }
    zip_error_fini(&error);
    OpenArchive archive(opened);
    if (AddMembers(archive.Get(), pass) && archive.Close()) {
        outcome.status = ArchiveOutcome::Status::Written;
        return outcome;
    }
    if (m_output.WriteError() != 0) {
        outcome.status = ArchiveOutcome::Status::WriteFailed;
        outcome.writeError = m_output.WriteError();
    } else {
        outcome.detail = ErrorText(zip_get_error(archive.Get()));
    }
    return outcome;
}

bool ArchiveWriter::AddMembers(zip_t* archive, ArchivePass& pass) {
    for (std::size_t i = 0; i < m_members.size(); ++i) {
        if (m_dropped[i]) {
            continue;
        }
        const ArchiveMember& member = m_members[i];
        zip_int64_t index = -1;
        if (member.directory) {
            index = zip_dir_add(archive, member.name.c_str(), ZIP_FL_ENC_UTF_8);
        } else {
            zip_source_t* source = NewFileMemberSource(member, i, pass, zip_get_error(archive));
            index = source != nullptr
                        ? zip_file_add(archive, member.name.c_str(), source, ZIP_FL_ENC_UTF_8)
                        : -1;
            if (index < 0) {
                zip_source_free(source);
                return false;
            }
            if (zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                                         kDeflateLevel) != 0 ||
                !Protect(archive, index)) {
                return false;
            }
        }
        if (index < 0 || zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index),
                                            member.modified, 0) != 0) {
            return false;
        }
    }
    if (!m_leftOut.empty()) {
        const std::string text = NotIncludedText(m_leftOut, m_texts);
        if (!AddGenerated(archive, kNotIncludedName, [text] { return text; })) {
            return false;
        }
    }
    if (m_protection.mask != nullptr && !AddGenerated(archive, kMaskingName, [this, &pass] {
            return MaskingText(m_passMask, Report(pass), m_texts);
        })) {
        return false;
    }
    // Last, so that every file has been read when libzip comes to it.
    return AddGenerated(archive, kManifestName, [&pass] { return pass.manifest; });
}

MaskingReport ArchiveWriter::Report(const ArchivePass& pass) const {
    MaskingReport report;
    report.masked = pass.masked;
    report.keptBinary = pass.keptBinary;
    report.checkHits = m_checkHits;
    for (const LeftOutEntry& entry : m_leftOut) {
        if (entry.kind == LeftOutKind::NotText) {
            report.notText.push_back(entry.name);
        }
    }
    return report;
}

bool ArchiveWriter::AddGenerated(zip_t* archive, const char* name,
                                 std::function<std::string()> make) {
    zip_source_t* source = NewGeneratedMemberSource(std::move(make), m_now, zip_get_error(archive));
    const zip_int64_t index =
        source != nullptr ? zip_file_add(archive, name, source, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    return zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                                    kDeflateLevel) == 0 &&
           Protect(archive, index);
}

bool ArchiveWriter::Protect(zip_t* archive, zip_int64_t index) {
    return m_protection.password == nullptr ||
           zip_file_set_encryption(archive, static_cast<zip_uint64_t>(index), ZIP_EM_AES_256,
                                   m_protection.password->c_str()) == 0;
}

}  // namespace qeb
