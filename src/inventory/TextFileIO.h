// Line reading from text files of several encodings, one system read per byte or unit and
// no read-ahead. Every operation reports a result code; nothing here prints.
#pragma once

#include <windows.h>

#include <string>

#include "util/ResultCode.h"
#include "util/UniqueOwner.h"

namespace qeb {

constexpr ResultCode kEndOfFile = 0x80070026;  // ERROR_HANDLE_EOF; normal after a last line
constexpr ResultCode kFileNotFound = 0x80070002;
constexpr ResultCode kOutOfMemory = 0x8007000E;

enum TextEncoding : int {
    ENCODING_ANSI = 0,  // code page 932
    ENCODING_UTF16LE = 1,
    ENCODING_UTF16BE = 2,
    ENCODING_UTF8 = 3,
    ENCODING_EUCJP = 4,
    ENCODING_SJIS = 5,
};

enum LineEndMode : int {
    LINEEND_CRLF = 0,
    LINEEND_LF = 1,
    LINEEND_CR = 2,
};

class CWin32File {
public:
    CWin32File() = default;
    CWin32File(const CWin32File&) = delete;
    CWin32File& operator=(const CWin32File&) = delete;

    ResultCode Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition);
    void Close() { m_hFile.Reset(); }
    bool IsOpen() const { return m_hFile.IsValid(); }

    // 0 with `got` telling whether all `size` bytes came (a short read is the end of the
    // file), or the converted code of a failed read.
    ResultCode ReadUnit(void* buffer, DWORD size, bool& got);
    bool SeekTo(LONGLONG offset);
    bool GetPosition(LONGLONG& offset) const;

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
    ResultCode ReadByteRetrying(char& byte, bool lineStarted, bool& got);
    ResultCode ReadUtf16Unit(wchar_t& unit, bool& got);
    ResultCode ReadUtf16Line(std::wstring& line);
    void SkipUtf16MarkAtStart();
    void SkipUtf8MarkAtStart();
    ResultCode ReadByteLine(std::wstring& line);
    bool IsModeLineEnd(wchar_t c) const;

    int m_nEncoding;
    int m_nLineEnd;
};

// The first line of a companion file in whatever encoding its mark tells; the line is set
// only when it is not empty. Makes "japanese" the process-wide C runtime locale.
ResultCode ReadFirstLine(const std::wstring& path, std::wstring& line);

// Zero-terminated bytes of `codePage` as wide text; empty when the conversion fails.
std::wstring DecodeBytes(const char* bytes, unsigned codePage);

}  // namespace qeb
