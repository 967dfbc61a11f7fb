#include "archive/ArchiveMembers.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "archive/ArchiveTexts.h"
#include "archive/MemberReader.h"

namespace qeb {
namespace {

// The callbacks of one source; nothing may unwind through libzip's C frames.
template <typename Source>
zip_int64_t Dispatch(void* self, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto* source = static_cast<Source*>(self);
    if (command == ZIP_SOURCE_FREE) {
        delete source;
        return 0;
    }
    try {
        return source->Handle(data, length, command);
    } catch (...) {
        return source->Fail(ZIP_ER_INTERNAL, 0);
    }
}

class SourceBase {
public:
    SourceBase() { zip_error_init(&m_error); }
    virtual ~SourceBase() { zip_error_fini(&m_error); }
    SourceBase(const SourceBase&) = delete;
    SourceBase& operator=(const SourceBase&) = delete;

    zip_int64_t Fail(int zipError, int systemError) {
        zip_error_set(&m_error, zipError, systemError);
        return -1;
    }

protected:
    static zip_int64_t Supported() {
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              ZIP_SOURCE_SUPPORTS, -1);
    }
    static void Stat(void* data, std::optional<std::uint64_t> size, std::time_t modified) {
        auto* stat = static_cast<zip_stat_t*>(data);
        zip_stat_init(stat);
        stat->valid = ZIP_STAT_MTIME;
        stat->mtime = modified;
        if (size) {
            stat->valid |= ZIP_STAT_SIZE;
            stat->size = *size;
        }
    }
    zip_int64_t Error(void* data, zip_uint64_t length) {
        return zip_error_to_data(&m_error, data, length);
    }

private:
    zip_error_t m_error;
};

class FileMemberSource : public SourceBase {
public:
    FileMemberSource(const ArchiveMember& member, std::size_t index, ArchivePass& pass)
        : m_member(member), m_index(index), m_pass(pass) {}

    zip_int64_t Handle(void* data, zip_uint64_t length, zip_source_cmd_t command) {
        switch (command) {
            case ZIP_SOURCE_SUPPORTS:
                return Supported();
            case ZIP_SOURCE_STAT:
                // libzip decides from this size, before the first byte, whether the member
                // needs ZIP64; it is the size at which the reader opened the file and which
                // it reads, so that no file that grows meanwhile can outgrow that decision.
                if (!m_started && !TakeNext()) {
                    return -1;
                }
                m_started = true;
                Stat(data, m_sizeAtOpen, m_member.modified);
                return sizeof(zip_stat_t);
            case ZIP_SOURCE_OPEN:
                return 0;
            case ZIP_SOURCE_READ:
                return Read(static_cast<char*>(data), length);
            case ZIP_SOURCE_CLOSE:
                m_pass.reader->GiveBack(std::move(m_block));
                return 0;
            case ZIP_SOURCE_ERROR:
                return Error(data, length);
            default:
                return Fail(ZIP_ER_OPNOTSUPP, 0);
        }
    }

private:
    zip_int64_t Read(char* data, zip_uint64_t length) {
        while (m_offset == m_size) {
            if (m_ended) {
                return 0;
            }
            if (!TakeNext()) {
                return -1;
            }
        }
        const size_t piece = static_cast<size_t>(std::min<zip_uint64_t>(length, m_size - m_offset));
        std::memcpy(data, m_block.data() + m_offset, piece);
        m_offset += piece;
        m_pass.bytes += piece;
        if (m_pass.onProgress) {
            m_pass.onProgress(m_pass);
        }
        return static_cast<zip_int64_t>(piece);
    }

    bool TakeNext() {
        MemberReader::Piece piece = m_pass.reader->Take();
        if (piece.member != m_index) {
            // libzip takes the members in the order the reader reads them; anything else
            // would put one file's bytes under another's name.
            Fail(ZIP_ER_INTERNAL, 0);
            return false;
        }
        if (piece.error != 0) {
            m_pass.failure = ArchivePass::Failure{m_index, piece.error};
            Fail(ZIP_ER_READ, EIO);
            return false;
        }
        m_pass.reader->GiveBack(std::exchange(m_block, std::move(piece.data)));
        m_sizeAtOpen = piece.sizeAtOpen;
        m_size = piece.size;
        m_offset = 0;
        if (piece.end) {
            m_ended = true;
            m_pass.manifest += ChecksumLine(piece.digest, m_member.name);
            ++m_pass.files;
        }
        return true;
    }

    const ArchiveMember& m_member;
    const std::size_t m_index;
    ArchivePass& m_pass;
    std::vector<char> m_block;
    std::uint64_t m_sizeAtOpen = 0;
    size_t m_size = 0;
    size_t m_offset = 0;
    bool m_started = false;  // the first piece has been taken
    bool m_ended = false;
};

class GeneratedMemberSource : public SourceBase {
public:
    GeneratedMemberSource(std::function<std::string()> make, std::time_t modified)
        : m_make(std::move(make)), m_modified(modified) {}

    zip_int64_t Handle(void* data, zip_uint64_t length, zip_source_cmd_t command) {
        switch (command) {
            case ZIP_SOURCE_SUPPORTS:
                return Supported();
            case ZIP_SOURCE_STAT:
                Stat(data, std::nullopt, m_modified);
                return sizeof(zip_stat_t);
            case ZIP_SOURCE_OPEN:
                m_text = m_make();
                m_offset = 0;
                return 0;
            case ZIP_SOURCE_READ: {
                const size_t piece =
                    static_cast<size_t>(std::min<zip_uint64_t>(length, m_text.size() - m_offset));
                std::memcpy(data, m_text.data() + m_offset, piece);
                m_offset += piece;
                return static_cast<zip_int64_t>(piece);
            }
            case ZIP_SOURCE_CLOSE:
                m_text = std::string();
                return 0;
            case ZIP_SOURCE_ERROR:
                return Error(data, length);
            default:
                return Fail(ZIP_ER_OPNOTSUPP, 0);
        }
    }

private:
    std::function<std::string()> m_make;
    std::time_t m_modified;
    std::string m_text;
    size_t m_offset = 0;
};

template <typename Source>
zip_source_t* Wrap(std::unique_ptr<Source> source, zip_error_t* error) {
    zip_source_t* zipSource = zip_source_function_create(&Dispatch<Source>, source.get(), error);
    if (zipSource != nullptr) {
        source.release();  // freed by its ZIP_SOURCE_FREE
    }
    return zipSource;
}

}  // namespace

zip_source_t* NewFileMemberSource(const ArchiveMember& member, std::size_t index, ArchivePass& pass,
                                  zip_error_t* error) {
    return Wrap(std::make_unique<FileMemberSource>(member, index, pass), error);
}

zip_source_t* NewGeneratedMemberSource(std::function<std::string()> make, std::time_t modified,
                                       zip_error_t* error) {
    return Wrap(std::make_unique<GeneratedMemberSource>(std::move(make), modified), error);
}

}  // namespace qeb
