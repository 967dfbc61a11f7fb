// Text files on Windows: the file handle, the private heap of a line, the code-page
// conversion. The reading rules themselves are those of LineReader. Nothing here prints.
#pragma once

#include <windows.h>

#include <string>

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
    void PauseBeforeRetry() override;

protected:
    UniqueFileHandle m_hFile;
    std::wstring m_strFileName;
};

class CMxTextFileIO : public CWin32File {
public:
    explicit CMxTextFileIO(int encoding = ENCODING_ANSI, int lineEnd = LINEEND_CRLF)
        : m_nEncoding(encoding), m_nLineEnd(lineEnd) {}
    virtual ~CMxTextFileIO() = default;

    // ANSI, UTF-16LE, UTF-16BE or UTF-8 from the byte-order mark; 0x80070002 when the file's
    // size cannot be read.
    static ResultCode DetectEncoding(const std::wstring& path, int& encoding);

    // The next line's raw bytes, cut at a zero byte; kEndOfFile for a line that ended at the
    // end of the file.
    ResultCode ReadLineA(std::string& line);

    // The next line decoded by the encoding, without CR or LF characters. UTF-16 lines stop
    // after 1000 units; the rest is the next line.
    ResultCode ReadLine(std::wstring& line);

private:
    int m_nEncoding;
    int m_nLineEnd;
};

// The first line of a companion file in whatever encoding its mark tells; the line is set
// only when it is not empty. Makes "japanese" the process-wide C runtime locale.
ResultCode ReadFirstLine(const std::wstring& path, std::wstring& line);

// Zero-terminated bytes of `codePage` as wide text; empty when the conversion fails.
std::wstring DecodeBytes(const char* bytes, unsigned codePage);

}  // namespace qeb
