// Text files on Windows: the file handle, the private heap of a line, the code-page
// conversion. The reading rules themselves are those of LineReader. Nothing here prints.
#pragma once

#include <windows.h>

#include <string>

#include "inventory/BufferedByteSource.h"
#include "inventory/ByteSource.h"
#include "inventory/TextEncoding.h"
#include "util/UniqueOwner.h"

namespace qeb {

class CWin32File : public IByteSource {
public:
    CWin32File() = default;
    CWin32File(const CWin32File&) = delete;
    CWin32File& operator=(const CWin32File&) = delete;

    ResultCode Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition);
    void Close() { m_hFile.Reset(); }
    bool IsOpen() const { return m_hFile.IsValid(); }

    ResultCode Read(void* buffer, std::size_t size, std::size_t& count) override;
    bool Seek(std::uint64_t offset) override;
    bool GetPosition(std::uint64_t& offset) override;
    // Asked only of a file opened without write access: an open that denies others write
    // access then fails exactly while another handle can write.
    bool IsBeingWritten() override;
    void PauseBeforeRetry() override;

protected:
    UniqueFileHandle m_hFile;
    std::wstring m_strFileName;
};

// Reads lines through a block buffer: after a line, the file's own position may lie further on.
class CMxTextFileIO : public CWin32File {
public:
    explicit CMxTextFileIO(int encoding = ENCODING_ANSI, int lineEnd = LINEEND_CRLF)
        : m_nEncoding(encoding), m_nLineEnd(lineEnd), m_buffered(*this) {}
    virtual ~CMxTextFileIO() = default;

    ResultCode Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition);

    // ANSI, UTF-16LE, UTF-16BE or UTF-8 from the byte-order mark; 0x80070002 when the file's
    // size cannot be read.
    static ResultCode DetectEncoding(const std::wstring& path, int& encoding);

    // The encoding of the open file from its byte-order mark, which the next line is then
    // read in, from the start of the file.
    ResultCode DetectAndRewind(std::uint64_t fileSize, int& encoding);

    // The next line's raw bytes, cut at a zero byte; kEndOfFile for a line that ended at the
    // end of the file.
    ResultCode ReadLineA(std::string& line);

    // The next line decoded by the encoding, without CR or LF characters. UTF-16 lines stop
    // after 1000 units; the rest is the next line.
    ResultCode ReadLine(std::wstring& line);

private:
    int m_nEncoding;
    int m_nLineEnd;
    BufferedByteSource m_buffered;
};

// The first line of a companion file in whatever encoding its mark tells; the line is set
// only when it is not empty. Makes "japanese" the process-wide C runtime locale.
ResultCode ReadFirstLine(const std::wstring& path, std::wstring& line);

// Zero-terminated bytes of `codePage` as wide text; empty when the conversion fails.
std::wstring DecodeBytes(const char* bytes, unsigned codePage);

}  // namespace qeb
