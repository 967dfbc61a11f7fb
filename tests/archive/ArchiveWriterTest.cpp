// The archive writer with the real libzip: a member that fails while libzip reads it, and
// a write that fails part way.
#include <gtest/gtest.h>

#include <windows.h>

#include <zip.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <utility>

#include "archive/ArchiveWriter.h"
#include "support/Scratch.h"
#include "util/Paths.h"
#include "util/UniqueOwner.h"

namespace qeb {
namespace {

using Lines = std::vector<std::wstring>;

// The members of an archive and the content of one of them, as libzip reads them back.
struct ReadBack {
    std::vector<std::string> names;
    std::string manifest;
    std::string notIncluded;
    std::string first;  // the first member's content
};

std::string ReadMember(zip_t* archive, const char* name) {
    zip_stat_t stat;
    zip_file_t* file = zip_fopen(archive, name, 0);
    if (file == nullptr || zip_stat(archive, name, 0, &stat) != 0) {
        return {};
    }
    std::string content(stat.size, '\0');
    zip_fread(file, content.data(), stat.size);
    zip_fclose(file);
    return content;
}

ReadBack ReadArchive(const std::wstring& path) {
    ReadBack back;
    int error = 0;
    zip_t* archive =
        zip_open(test::Encode(path, CP_UTF8).c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (archive == nullptr) {
        return back;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        back.names.push_back(zip_get_name(archive, static_cast<zip_uint64_t>(i), 0));
    }
    back.manifest = ReadMember(archive, kManifestName);
    back.first = back.names.empty() ? std::string() : ReadMember(archive, back.names[0].c_str());
    back.notIncluded = ReadMember(archive, kNotIncludedName);
    zip_close(archive);
    return back;
}

// Fails every write from a chosen byte on, as a full disk does.
class FillingOutputFile : public ArchiveOutputFile {
public:
    FillingOutputFile(const std::wstring& path, DWORD room)
        : ArchiveOutputFile(path), m_room(room) {}

protected:
    bool WriteToFile(HANDLE file, const char* data, DWORD size, DWORD& error) override {
        if (size > m_room) {
            error = ERROR_DISK_FULL;
            return false;
        }
        m_room -= size;
        return ArchiveOutputFile::WriteToFile(file, data, size, error);
    }

private:
    DWORD m_room;
};

class ArchiveWriterTest : public testing::Test {
protected:
    ArchiveWriterTest() : m_scratch(test::CurrentTestName()) {}

    ArchiveMember File(const std::wstring& name, const std::string& content) {
        const std::wstring path = m_scratch / (L"folder\\" + name);
        test::WriteBytes(path, content);
        return ArchiveMember{path, test::Encode(name, CP_UTF8), false, content.size(), 0};
    }

    ArchiveOutcome Write(ArchiveOutputFile& output, std::vector<ArchiveMember> members,
                         std::vector<std::string>& noticed,
                         const ArchiveWriter::ProgressNotice& onProgress = {},
                         ArchiveProtection protection = {}) {
        ArchiveWriter writer(output, std::move(members), {}, protection);
        const ArchiveOutcome outcome =
            writer.Write([](unsigned long error) { return std::to_string(error); },
                         [&noticed](const ArchiveMember& member, LeftOutKind, unsigned long) {
                             noticed.push_back(member.name);
                         },
                         onProgress);
        m_leftOut = writer.LeftOut();
        if (outcome.status == ArchiveOutcome::Status::Written) {
            EXPECT_EQ(output.MoveIntoPlace(), 0u);
        }
        return outcome;
    }

    std::wstring Archive() const { return m_scratch / L"folder.zip"; }

    test::ScratchFolder m_scratch;
    std::vector<LeftOutEntry> m_leftOut;
};

// libzip abandons an archive when one source fails: the writer leaves that member out and
// writes the archive again with the rest.
TEST_F(ArchiveWriterTest, AMemberThatFailsWhileWrittenIsLeftOutAndTheRestArchived) {
    std::vector<ArchiveMember> members = {File(L"a.txt", "first"), File(L"gone.txt", "x"),
                                          File(L"b.txt", "")};
    ::DeleteFileW(members[1].path.c_str());
    ArchiveOutputFile output(Archive());
    std::vector<std::string> noticed;
    EXPECT_EQ(Write(output, members, noticed).status, ArchiveOutcome::Status::Written);
    EXPECT_EQ(noticed, std::vector<std::string>{"gone.txt"});
    ASSERT_EQ(m_leftOut.size(), 1u);
    EXPECT_EQ(m_leftOut[0].reason, std::to_string(ERROR_FILE_NOT_FOUND));

    const ReadBack back = ReadArchive(Archive());
    EXPECT_EQ(back.names,
              (std::vector<std::string>{"a.txt", "b.txt", kNotIncludedName, kManifestName}));
    EXPECT_EQ(back.manifest,
              "a7937b64b8caa58f03721bb6bacf5c78cb235febe0e70b1b84cd99541461a08e  a.txt\n"
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855  b.txt\n");
    EXPECT_NE(back.notIncluded.find("\tgone.txt\t"), std::string::npos) << back.notIncluded;
}

// Masked text in which an original is still found after masking (a stray code page 932 lead
// byte keeps the masker from the name after it) is left out, never archived in clear.
TEST_F(ArchiveWriterTest, AMaskedMemberThatStillHoldsAnOriginalIsLeftOut) {
    MaskMap map;
    map.AddHost({u"VM", "VM"});
    MaskingSetup masking;
    masking.forms = {TextForm::Utf8, TextForm::CodePage932};
    const std::vector<ArchiveMember> members = {File(L"b.txt", "VM 10.1.2.3\r\n"),
                                                File(L"damaged.txt", "on \x82VM\x95\r\n")};
    ArchiveOutputFile output(Archive());
    std::vector<std::string> noticed;
    EXPECT_EQ(
        Write(output, members, noticed, {}, ArchiveProtection{nullptr, &map, &masking}).status,
        ArchiveOutcome::Status::Written);
    EXPECT_EQ(noticed, std::vector<std::string>{"damaged.txt"});
    ASSERT_EQ(m_leftOut.size(), 1u);
    EXPECT_EQ(m_leftOut[0].kind, LeftOutKind::MaskCheckHit);
    const ReadBack back = ReadArchive(Archive());
    EXPECT_EQ(back.names,
              (std::vector<std::string>{"b.txt", kNotIncludedName, kMaskingName, kManifestName}));
    EXPECT_EQ(back.first, "host0001 10.254.0.1\r\n");
}

// Files deleted while the archive is written, and a log that grows all the while: the archive
// of the rest is written (one attempt more, not one per vanished file), and the log is archived
// as far as it was long when opened.
TEST_F(ArchiveWriterTest, FilesThatVanishOrGrowMeanwhileLeaveAnArchiveOfTheRest) {
    std::vector<ArchiveMember> members;
    for (int i = 0; i < 24; ++i) {
        members.push_back(
            File(L"f" + std::to_wstring(100 + i) + L".dat", test::NoiseBytes(2 << 20)));
    }
    members.push_back(File(L"grow.log", test::NoiseBytes(1 << 20)));
    // Past what the reader has read ahead (32 MB) when the first piece is written; more than
    // the four attempts that one pass per vanished file would take.
    const std::vector<std::string> vanishing = {"f118.dat", "f119.dat", "f120.dat", "f121.dat",
                                                "f122.dat"};
    std::atomic<bool> done{false};
    std::thread writer([&] {
        UniqueFileHandle log(::CreateFileW(members.back().path.c_str(), FILE_APPEND_DATA,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
        const std::string line(64 << 10, 'x');
        for (int i = 0; !done && i < 1000; ++i) {
            DWORD written = 0;
            ::WriteFile(log.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        }
    });
    bool deleted = false;
    ArchiveOutputFile output(Archive());
    std::vector<std::string> noticed;
    const ArchiveOutcome outcome = Write(output, members, noticed, [&](const ArchivePass&) {
        if (!std::exchange(deleted, true)) {
            for (const std::string& name : vanishing) {
                ::DeleteFileW((m_scratch / (L"folder\\" + test::Decode(name, CP_UTF8))).c_str());
            }
        }
    });
    done = true;
    writer.join();
    EXPECT_EQ(outcome.status, ArchiveOutcome::Status::Written) << outcome.detail;
    std::sort(noticed.begin(), noticed.end());
    EXPECT_EQ(noticed, vanishing);

    int error = 0;
    zip_t* archive =
        zip_open(test::Encode(Archive(), CP_UTF8).c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(zip_get_num_entries(archive, 0), 22);  // 19 files, the log, two of PACK's own
    EXPECT_TRUE(ReadMember(archive, "f100.dat") == test::NoiseBytes(2 << 20));
    const std::string log = ReadMember(archive, "grow.log");
    const std::string manifest = ReadMember(archive, kManifestName);
    zip_close(archive);
    EXPECT_GE(log.size(), size_t{1} << 20);
    EXPECT_TRUE(test::ReadBytes(members.back().path).compare(0, log.size(), log) == 0);
    Sha256 hash;
    hash.Add(log.data(), log.size());
    EXPECT_NE(manifest.find(ChecksumLine(hash.Finish(), "grow.log")), std::string::npos);
}

TEST_F(ArchiveWriterTest, AWriteThatFailsPartWayLeavesOnlyTheEarlierArchive) {
    const ArchiveMember member = File(L"data.db", test::NoiseBytes(3 << 20));
    test::WriteBytes(Archive(), "earlier archive");
    const Lines before = test::ListTree(m_scratch.Path());
    for (const DWORD room : {0ul, 1ul << 20, 2ul << 20}) {
        FillingOutputFile output(Archive(), room);
        std::vector<std::string> noticed;
        const ArchiveOutcome outcome = Write(output, {member}, noticed);
        EXPECT_EQ(outcome.status, ArchiveOutcome::Status::WriteFailed) << room;
        EXPECT_EQ(outcome.writeError, static_cast<unsigned long>(ERROR_DISK_FULL)) << room;
        EXPECT_TRUE(test::ReadBytes(Archive()) == "earlier archive") << room;
        EXPECT_EQ(test::ListTree(m_scratch.Path()), before) << room;
    }
}

}  // namespace
}  // namespace qeb
