#include "commands/PackCommand.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <optional>

#include "MessageCatalog.h"
#include "archive/ArchiveWriter.h"
#include "archive/FolderListing.h"
#include "archive/MaskPreparation.h"
#include "archive/SystemMaskValues.h"
#include "commands/CommandChecks.h"
#include "commands/CommandResults.h"
#include "commands/PackProtection.h"
#include "text/Win32TextDecoder.h"
#include "util/CodePage.h"
#include "util/Console.h"
#include "util/Messages.h"
#include "util/OutputPlace.h"
#include "util/FileIdentity.h"
#include "util/PathText.h"
#include "util/Paths.h"
#include "util/SourceFile.h"
#include "util/StatusLine.h"
#include "util/TemporarySibling.h"
#include "util/PendingFile.h"
#include "util/UniqueOwner.h"
#include "util/WholeFileWriter.h"

namespace qeb {
namespace {

constexpr std::uint64_t kFileTimeOf1970 = 116444736000000000ull;
constexpr std::uint64_t kFileTimeTicksPerSecond = 10000000ull;

// Where the folder is and what PACK writes beside it.
struct PackPlace {
    std::wstring folder;      // full path, as the operator reads it
    std::wstring archive;     // <folder>.zip
    std::wstring checksums;   // <folder>.zip.sha256
    std::wstring maskMap;     // <folder>.mask-map.txt
    UniqueFileHandle handle;  // the folder, held for the whole run
};

std::wstring SystemText(unsigned long error) {
    return TrimLineEnd(GetSystemErrorText(error));
}

std::string Utf8SystemText(unsigned long error) {
    return EncodeText(SystemText(error), CP_UTF8);
}

std::time_t ToTime(std::uint64_t fileTime) {
    return fileTime > kFileTimeOf1970
               ? static_cast<std::time_t>((fileTime - kFileTimeOf1970) / kFileTimeTicksPerSecond)
               : 0;
}

bool IsVolumeRoot(const std::wstring& path) {
    const std::wstring parent = DirectoryOf(path);
    return parent.empty() || parent == path;
}

ResultCode ReportNoFolder(const std::wstring& folder) {
    PrintLine(LoadMessage(msg::kPackNeedsFolder, folder.c_str()));
    return kNotAFolder;
}

ResultCode ReportArchiveFailure(const std::wstring& archive, unsigned long error) {
    PrintLine(LoadMessage(msg::kArchiveFailed, archive.c_str(), SystemText(error).c_str()));
    return HresultFromWin32(error);
}

// The folder must be a real directory, never a link that someone put in its place, and it is
// held open without delete sharing so that nobody renames or replaces it while it is packed.
ResultCode OpenFolder(PackPlace& place) {
    place.handle.Reset(::CreateFileW(
        ExtendedLengthPath(place.folder).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!place.handle) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            PrintLine(LoadMessage(msg::kPathNotFound, place.folder.c_str()));
            return kPathNotFound;
        }
        return ReportArchiveFailure(place.archive, error);
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(place.handle.Get(), &info)) {
        return ReportArchiveFailure(place.archive, ::GetLastError());
    }
    // The handle tells what it holds on Windows; Wine's handle of a link shows the target, and
    // only the path tells that it is a link.
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || IsLink(place.folder)) {
        return ReportNoFolder(place.folder);
    }
    return kSuccess;
}

// The folder's full path without a trailing separator.
std::wstring FolderOf(const std::wstring& dest) {
    std::wstring folder = FullPathOf(dest);
    while (folder.size() > 1 && (folder.back() == L'\\' || folder.back() == L'/') &&
           !IsVolumeRoot(folder)) {
        folder.pop_back();
    }
    return folder;
}

// A log in the packed folder would be archived while it is written; one that is the archive,
// its checksum or the map would be written over by them.
bool IsLogAmongOutputs(const std::wstring& log, const std::wstring& dest) {
    const std::wstring folder = FolderOf(dest);
    if (log.empty() || folder.empty() || IsVolumeRoot(folder)) {
        return false;
    }
    const std::wstring logPlace = ResolvedPathOfPlace(log);
    const std::wstring folderPlace = ResolvedPathOfPlace(folder);
    const auto same = [&logPlace](const std::wstring& other) {
        return other.size() == logPlace.size() && IsSameOrBelow(logPlace, other);
    };
    return IsSameOrBelow(logPlace, folderPlace) || same(folderPlace + L".zip") ||
           same(folderPlace + L".zip.sha256") || same(folderPlace + L".mask-map.txt");
}

ResultCode LocatePack(const std::wstring& dest, PackPlace& place) {
    place.folder = FolderOf(dest);
    if (place.folder.empty() || IsVolumeRoot(place.folder)) {
        return ReportNoFolder(place.folder.empty() ? dest : place.folder);
    }
    place.archive = place.folder + L".zip";
    place.checksums = place.archive + L".sha256";
    place.maskMap = place.folder + L".mask-map.txt";
    if (const ResultCode refused = OpenFolder(place); refused != kSuccess) {
        return refused;
    }
    // The archive and its checksum are written beside the folder, where the temporary files of
    // a run that was killed are removed.
    if (const unsigned long error = HoldOutputPath(DirectoryOf(place.folder)); error != 0) {
        return ReportArchiveFailure(place.archive, error);
    }
    TemporarySibling::RemoveLeftovers(DirectoryOf(place.folder));
    return kSuccess;
}

// Whether a file can be opened for reading now; the first reason against it otherwise.
DWORD CheckReadable(const std::wstring& path) {
    SourceFile file;
    return OpenSourceFile(path, file);
}

std::string ArchiveTextOf(ArchiveText which) {
    static const std::map<ArchiveText, PlainText> kTexts = {
        {ArchiveText::NotIncludedHeading, msg::kNotIncludedHeading},
        {ArchiveText::NotIncludedColumns, msg::kNotIncludedColumns},
        {ArchiveText::Unreadable, msg::kLeftOutUnreadable},
        {ArchiveText::Link, msg::kLeftOutLink},
        {ArchiveText::NotListed, msg::kLeftOutNotListed},
        {ArchiveText::NameNotStorable, msg::kLeftOutNameNotStorable},
        {ArchiveText::ReservedName, msg::kLeftOutReservedName},
        {ArchiveText::NotText, msg::kLeftOutNotText},
        {ArchiveText::MaskCheckHit, msg::kLeftOutMaskCheck},
        {ArchiveText::MaskingHeading, msg::kMaskingHeading},
        {ArchiveText::MaskingRules, msg::kMaskingRules},
        {ArchiveText::MaskingColumns, msg::kMaskingColumns},
        {ArchiveText::MaskingCheck, msg::kMaskingCheck},
        {ArchiveText::MaskingCheckHits, msg::kMaskingCheckHits},
        {ArchiveText::MaskingNotText, msg::kMaskingNotText},
        {ArchiveText::MaskingKeptBinary, msg::kMaskingKeptBinary},
    };
    return EncodeText(LoadText(kTexts.at(which)), CP_UTF8);
}

std::wstring Progress(const ArchivePass& pass, bool encrypting, bool masking) {
    const int files = static_cast<int>(pass.files);
    const int megabytes = static_cast<int>(pass.bytes >> 20);
    if (!encrypting && !masking) {
        return LoadMessage(msg::kProgressPack, files, megabytes);
    }
    return LoadMessage(msg::kProgressPackProtected, files, megabytes, encrypting ? files : 0,
                       static_cast<int>(pass.masked));
}

class PackJob {
public:
    PackJob(const PackPlace& place, PackProtection& protection)
        : m_place(place), m_protection(protection) {}

    // The members in the order listed, and what is left out of them, each named on the console.
    void Plan(const FolderListing& listing) {
        const std::wstring root = ExtendedLengthPath(m_place.folder);
        for (const SkippedEntry& skipped : listing.skipped) {
            LeaveOut(skipped.relative, skipped.kind, skipped.error);
        }
        for (const FolderEntry& entry : listing.entries) {
            const std::optional<std::string> name = EncodeUtf8(entry.relative);
            if (!name) {
                LeaveOut(entry.relative, LeftOutKind::NameNotStorable,
                         ERROR_NO_UNICODE_TRANSLATION);
                continue;
            }
            ArchiveMember member{JoinPath(root, entry.relative), MemberName(*name, entry.directory),
                                 entry.directory, entry.size, ToTime(entry.lastWrite)};
            if (IsReservedMemberName(member.name, m_protection.mask.has_value())) {
                LeaveOut(entry.relative, LeftOutKind::ReservedName, ERROR_ALREADY_EXISTS);
                continue;
            }
            if (!entry.directory) {
                if (const DWORD error = CheckReadable(member.path); error != ERROR_SUCCESS) {
                    LeaveOut(entry.relative, LeftOutKind::Unreadable, error);
                    continue;
                }
            }
            m_members.push_back(std::move(member));
        }
    }

    // Every member is masked text or left out, unless -keepbinary keeps those that are no text
    // as they are; the names that the archive and its lists show are masked too.
    void PrepareMasking() {
        MaskMap& map = *m_protection.mask;
        m_masking.codePage932 = &m_decoder;
        m_masking.encoder = [](const std::u16string& text) {
            return MaskValueOf(std::wstring(text.begin(), text.end())).codePage932;
        };
        qeb::PrepareMasking(m_members, map,
                            MaskDomains{m_protection.maskedDomains, m_protection.flatDomains},
                            m_masking);
        std::vector<ArchiveMember> kept;
        std::vector<TextForm> forms;
        for (std::size_t i = 0; i < m_members.size(); ++i) {
            const bool text = m_masking.forms[i] != TextForm::Binary;
            if (!text && !m_protection.keepBinary) {
                m_leftOut.push_back(
                    LeftOutEntry{m_members[i].name, LeftOutKind::NotText, std::string()});
                PrintMaskNotice(msg::kMaskNotText, m_members[i]);
                continue;
            }
            if (!text) {
                PrintMaskNotice(msg::kMaskKeptBinary, m_members[i]);
            }
            kept.push_back(std::move(m_members[i]));
            forms.push_back(m_masking.forms[i]);
        }
        m_members = std::move(kept);
        m_masking.forms = std::move(forms);
        MemberNameMasker names(map);
        for (LeftOutEntry& entry : m_leftOut) {
            if (entry.kind != LeftOutKind::NotText) {
                entry.name = names.Masked(entry.name);
            }
        }
    }

    ResultCode Write() {
        ArchiveOutputFile output(ExtendedLengthPath(m_place.archive));
        const bool encrypting = m_protection.password.has_value();
        const bool masking = m_protection.mask.has_value();
        ArchiveWriter writer(
            output, std::move(m_members), std::move(m_leftOut),
            ArchiveProtection{encrypting ? &m_protection.password->Bytes() : nullptr,
                              masking ? &*m_protection.mask : nullptr,
                              masking ? &m_masking : nullptr},
            &ArchiveTextOf);
        const ArchiveOutcome outcome = writer.Write(
            &Utf8SystemText,
            [this](const ArchiveMember& member, LeftOutKind kind, unsigned long error) {
                // What the check after masking keeps out is kept out by the customer's choice.
                if (kind == LeftOutKind::MaskCheckHit) {
                    PrintMaskNotice(msg::kMaskCheckFound, member);
                    return;
                }
                m_lossy = true;
                PrintLine(LoadMessage(msg::kArchiveLeftOut,
                                      WithoutExtendedPrefix(member.path).c_str(),
                                      SystemText(error).c_str()));
            },
            [encrypting, masking](const ArchivePass& pass) {
                StatusLine::Get().Update([&] { return Progress(pass, encrypting, masking); });
            });
        StatusLine::Get().Erase();
        if (outcome.status == ArchiveOutcome::Status::MaskMapFull) {
            PrintLine(LoadText(msg::kMaskMapFull));
            return kArchiveNotWritten;
        }
        if (outcome.status == ArchiveOutcome::Status::WriteFailed) {
            return ReportArchiveFailure(m_place.archive, outcome.writeError);
        }
        if (outcome.status == ArchiveOutcome::Status::Failed) {
            const std::wstring detail = DecodeText(outcome.detail, CP_UTF8);
            PrintLine(LoadMessage(msg::kArchiveFailed, m_place.archive.c_str(), detail.c_str()));
            return kArchiveNotWritten;
        }
        return PutOutputsInPlace(output, masking ? &writer.Mask() : nullptr);
    }

private:
    // No moment shows a new archive beside an earlier checksum or map, nor a checksum that is
    // not its archive's: the new checksum and map are written beside their places first, the
    // earlier ones marked to go, the archive moved in, then they. A run that ends in between
    // leaves an archive without a checksum, which the next one replaces.
    ResultCode PutOutputsInPlace(ArchiveOutputFile& output, const MaskMap* map) const {
        const std::wstring name = m_place.archive.substr(m_place.archive.find_last_of(L'\\') + 1);
        std::optional<TemporarySibling> checksum;
        std::optional<TemporarySibling> newMap;
        if (const ResultCode failed =
                WriteBeside(m_place.checksums,
                            ChecksumLine(output.Digest(), EncodeText(name, CP_UTF8)), checksum);
            failed != kSuccess) {
            return failed;
        }
        if (map != nullptr) {
            if (const ResultCode failed = WriteBeside(m_place.maskMap, map->Text(), newMap);
                failed != kSuccess) {
                return failed;
            }
        }
        PendingFile earlierChecksum;
        PendingFile earlierMap;
        DWORD error = PendingFile::MarkExisting(m_place.checksums, earlierChecksum);
        if (error == ERROR_SUCCESS && map != nullptr) {
            error = PendingFile::MarkExisting(m_place.maskMap, earlierMap);
        }
        if (error == ERROR_SUCCESS) {
            error = output.MoveIntoPlace();
        }
        if (error != ERROR_SUCCESS) {
            earlierChecksum.Keep();
            earlierMap.Keep();
            return ReportArchiveFailure(m_place.archive, error);
        }
        earlierChecksum.Close();
        earlierMap.Close();
        if (const ResultCode failed = MoveIn(*checksum, m_place.checksums); failed != kSuccess) {
            return failed;
        }
        if (newMap) {
            if (const ResultCode failed = MoveIn(*newMap, m_place.maskMap); failed != kSuccess) {
                return failed;
            }
            PrintLine(LoadMessage(msg::kMaskMapWritten, m_place.maskMap.c_str()));
        }
        const std::wstring hex = DecodeText(HexDigest(output.Digest()), CP_UTF8);
        PrintLine(LoadMessage(msg::kArchiveWritten, m_place.archive.c_str(), hex.c_str()));
        return m_lossy ? kEntriesLeftOut : kSuccess;
    }

    // The map goes beside the archive, never in it: the customer keeps it to read the
    // vendor's answers.
    static ResultCode WriteBeside(const std::wstring& path, const std::string& text,
                                  std::optional<TemporarySibling>& written) {
        WholeFileWriter writer;
        if (const auto failure =
                writer.WriteBeside(path, text, WholeFileWriter::Protection::Protected, written)) {
            return ReportCreateFailure(path, failure.error);
        }
        return kSuccess;
    }

    static ResultCode MoveIn(TemporarySibling& written, const std::wstring& path) {
        if (const DWORD error = written.ReplaceTarget(); error != ERROR_SUCCESS) {
            return ReportCreateFailure(path, error);
        }
        written.Close();
        return kSuccess;
    }

    static ResultCode ReportCreateFailure(const std::wstring& path, unsigned long error) {
        PrintLine(LoadMessage(msg::kFileCreateFailed, path.c_str(), SystemText(error).c_str()));
        return HresultFromWin32(error);
    }

    void LeaveOut(const std::wstring& relative, LeftOutKind kind, unsigned long error) {
        const std::string name = EncodeText(relative, CP_UTF8);
        m_leftOut.push_back(LeftOutEntry{MemberName(name, false), kind,
                                         error != 0 ? Utf8SystemText(error) : std::string()});
        // A link is left out by design, not for want of reading it.
        if (kind == LeftOutKind::Link) {
            const std::wstring path = JoinPath(m_place.folder, relative);
            PrintLine(LoadMessage(msg::kArchiveLinkLeftOut, path.c_str()));
            return;
        }
        m_lossy = true;
        PrintLeftOut(name, error);
    }

    // The file's own path: the operator looks for it on this computer.
    static void PrintMaskNotice(NumberedMessage<TextInsert> message, const ArchiveMember& member) {
        PrintLine(LoadMessage(message, WithoutExtendedPrefix(member.path).c_str()));
    }

    void PrintLeftOut(const std::string& name, unsigned long error) const {
        std::wstring path = JoinPath(m_place.folder, DecodeText(name, CP_UTF8));
        std::replace(path.begin(), path.end(), L'/', L'\\');
        PrintLine(LoadMessage(msg::kArchiveLeftOut, path.c_str(), SystemText(error).c_str()));
    }

    const PackPlace& m_place;
    PackProtection& m_protection;
    std::vector<ArchiveMember> m_members;
    std::vector<LeftOutEntry> m_leftOut;
    MaskingSetup m_masking;
    Win32TextDecoder m_decoder;
    bool m_lossy = false;
};

}  // namespace

CPackCommand::CPackCommand(int argc, const wchar_t* const* argv) : CCommandBase(argc, argv) {
    ParseOwnOptions(StrictOptions()
                        .Flag(L"-encrypt", m_bEncrypt)
                        .Flag(L"-mask", m_bMask)
                        .Text(L"-maskmap:", m_strMaskMap)
                        .Text(L"-maskwords:", m_strMaskWords)
                        .CommaList(L"-maskdomain:", m_vecMaskDomains)
                        .Flag(L"-keepbinary", m_bKeepBinary)
                        .Requires(L"-maskmap:", L"-mask")
                        .Requires(L"-maskwords:", L"-mask")
                        .Requires(L"-maskdomain:", L"-mask")
                        .Requires(L"-keepbinary", L"-mask"));
}

ResultCode CPackCommand::Execute() {
    // Before the log is opened.
    if (!m_bHelp && IsLogAmongOutputs(m_strLog, m_strDest)) {
        PrintLine(LoadMessage(msg::kParameterInvalid, L"-log:"));
        return kInvalidArgument;
    }
    return HelpOrRun([this] { return Run(); });
}

ResultCode CPackCommand::Usage() {
    return PrintUsage(msg::kUsagePack);
}

ResultCode CPackCommand::Run() {
    if (const ResultCode invalid = CheckDestination(m_strDest, DestinationUse::Path);
        invalid != kSuccess) {
        return invalid;
    }
    PackPlace place;
    if (const ResultCode refused = LocatePack(m_strDest, place); refused != kSuccess) {
        return refused;
    }
    PackProtection protection;
    if (m_bEncrypt) {
        if (const ResultCode refused = ReadArchivePassword(protection.password);
            refused != kSuccess) {
            return refused;
        }
    }
    if (m_bMask) {
        const MaskRequest request{m_strMaskMap, m_strMaskWords, m_vecMaskDomains,
                                  m_bKeepBinary != 0};
        if (const ResultCode refused = PrepareMaskMap(request, protection); refused != kSuccess) {
            return refused;
        }
    }
    const FolderListing listing = ListFolder(ExtendedLengthPath(place.folder));
    if (listing.error != ERROR_SUCCESS) {
        return ReportArchiveFailure(place.archive, listing.error);
    }
    PackJob job(place, protection);
    job.Plan(listing);
    if (m_bMask) {
        job.PrepareMasking();
    }
    return job.Write();
}

}  // namespace qeb
