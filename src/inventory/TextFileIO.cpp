#include "inventory/TextFileIO.h"

#include <locale.h>

#include <algorithm>
#include <utility>

#include "inventory/EucJp.h"
#include "util/CodePage.h"

namespace qeb {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr SIZE_T kLineGrowth = 1000;
constexpr SIZE_T kLineSlack = 4;  // keeps a terminating zero behind every stored byte
constexpr size_t kMaxUtf16Units = 1000;
constexpr int kEmptyReadRetries = 3;
constexpr DWORD kEmptyReadPause = 10;
constexpr unsigned kCodePageShiftJis = 932;

// A zero-filled byte buffer on a private heap that grows by kLineGrowth after each
// kLineGrowth bytes stored.
class HeapLineBuffer {
public:
    explicit HeapLineBuffer(HANDLE heap) : m_heap(heap) {}
    ~HeapLineBuffer() { Free(); }

    HeapLineBuffer(const HeapLineBuffer&) = delete;
    HeapLineBuffer& operator=(const HeapLineBuffer&) = delete;

    bool Allocate() {
        m_size = kLineGrowth + kLineSlack;
        m_data = static_cast<char*>(::HeapAlloc(m_heap, HEAP_ZERO_MEMORY, m_size));
        return m_data != nullptr;
    }

    bool Append(char byte) {
        m_data[m_count++] = byte;
        if (m_count % kLineGrowth != 0) {
            return true;
        }
        void* grown = ::HeapReAlloc(m_heap, HEAP_ZERO_MEMORY, m_data, m_size + kLineGrowth);
        if (grown == nullptr) {
            return false;
        }
        m_data = static_cast<char*>(grown);
        m_size += kLineGrowth;
        return true;
    }

    bool IsEmpty() const { return m_count == 0; }
    std::string Text() const { return std::string(m_data); }

    bool Free() {
        char* data = std::exchange(m_data, nullptr);
        return data == nullptr || ::HeapFree(m_heap, 0, data);
    }

private:
    HANDLE m_heap;
    char* m_data = nullptr;
    SIZE_T m_size = 0;
    SIZE_T m_count = 0;
};

void RemoveLineEnds(std::wstring& line) {
    line.erase(std::remove_if(line.begin(), line.end(),
                              [](wchar_t c) { return c == L'\r' || c == L'\n'; }),
               line.end());
}

bool IsFailure(ResultCode result) {
    return static_cast<std::int32_t>(result) < 0;
}

}  // namespace

ResultCode CWin32File::Open(const std::wstring& path, DWORD access, DWORD share,
                            DWORD disposition) {
    Close();
    m_strFileName = path;
    m_hFile.Reset(::CreateFileW(path.c_str(), access, share, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return m_hFile ? kSuccess : HresultFromWin32(::GetLastError());
}

ResultCode CWin32File::ReadUnit(void* buffer, DWORD size, bool& got) {
    got = false;
    DWORD read = 0;
    if (!::ReadFile(m_hFile.Get(), buffer, size, &read, nullptr)) {
        return HresultFromWin32(::GetLastError());
    }
    got = read == size;
    return kSuccess;
}

bool CWin32File::SeekTo(LONGLONG offset) {
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    return ::SetFilePointerEx(m_hFile.Get(), distance, nullptr, FILE_BEGIN) != FALSE;
}

bool CWin32File::GetPosition(LONGLONG& offset) const {
    LARGE_INTEGER zero{};
    LARGE_INTEGER position{};
    if (!::SetFilePointerEx(m_hFile.Get(), zero, &position, FILE_CURRENT)) {
        return false;
    }
    offset = position.QuadPart;
    return true;
}

ResultCode CMxTextFileIO::DetectEncoding(const std::wstring& path, int& encoding) {
    encoding = ENCODING_ANSI;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return kFileNotFound;
    }
    const ULONGLONG size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    CWin32File file;
    ResultCode result = file.Open(path, GENERIC_READ, kShareAll, OPEN_EXISTING);
    if (result != kSuccess) {
        return result;
    }
    bool got = false;
    if (size >= 2) {
        unsigned char mark[2] = {};
        if ((result = file.ReadUnit(mark, sizeof mark, got)) != kSuccess) {
            return result;
        }
        if (got && mark[0] == 0xFF && mark[1] == 0xFE) {
            encoding = ENCODING_UTF16LE;
            return kSuccess;
        }
        if (got && mark[0] == 0xFE && mark[1] == 0xFF) {
            encoding = ENCODING_UTF16BE;
            return kSuccess;
        }
        file.SeekTo(0);
    }
    if (size > 2) {
        unsigned char mark[3] = {};
        if ((result = file.ReadUnit(mark, sizeof mark, got)) != kSuccess) {
            return result;
        }
        if (got && mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF) {
            encoding = ENCODING_UTF8;
        }
    }
    return kSuccess;
}

bool CMxTextFileIO::IsModeLineEnd(wchar_t c) const {
    return (m_nLineEnd == LINEEND_LF && c == L'\n') || (m_nLineEnd == LINEEND_CR && c == L'\r');
}

// A file still being written may deliver the rest of a line a moment later.
ResultCode CMxTextFileIO::ReadByteRetrying(char& byte, bool lineStarted, bool& got) {
    ResultCode result = ReadUnit(&byte, 1, got);
    for (int retry = 0; result == kSuccess && !got && lineStarted && retry < kEmptyReadRetries;
         ++retry) {
        ::Sleep(kEmptyReadPause);
        result = ReadUnit(&byte, 1, got);
    }
    return result;
}

ResultCode CMxTextFileIO::ReadLineA(std::string& line) {
    UniquePrivateHeap heap(::HeapCreate(HEAP_NO_SERIALIZE, kLineGrowth + kLineSlack, 0));
    if (!heap) {
        return HresultFromWin32(::GetLastError());
    }
    HeapLineBuffer buffer(heap.Get());
    if (!buffer.Allocate()) {
        return kOutOfMemory;
    }
    ResultCode lineResult = kSuccess;
    char pending = 0;
    bool havePending = false;
    for (;;) {
        char byte = pending;
        if (!havePending) {
            bool got = false;
            const ResultCode result = ReadByteRetrying(byte, !buffer.IsEmpty(), got);
            if (result != kSuccess) {
                return result;
            }
            if (!got) {
                lineResult = kEndOfFile;
                break;
            }
        }
        havePending = false;
        if (byte == '\r' && m_nLineEnd == LINEEND_CRLF) {
            bool got = false;
            const ResultCode result = ReadUnit(&pending, 1, got);
            if (result != kSuccess) {
                return result;
            }
            if (!got || pending == '\n') {
                break;
            }
            havePending = true;
        } else if (IsModeLineEnd(static_cast<unsigned char>(byte))) {
            break;
        }
        if (!buffer.Append(byte)) {
            return kOutOfMemory;
        }
    }
    line = buffer.Text();
    if (!buffer.Free()) {
        return kOutOfMemory;
    }
    if (!::HeapDestroy(heap.Release())) {
        return HresultFromWin32(::GetLastError());
    }
    return lineResult;
}

ResultCode CMxTextFileIO::ReadUtf16Unit(wchar_t& unit, bool& got) {
    unsigned char bytes[2] = {};
    const ResultCode result = ReadUnit(bytes, sizeof bytes, got);
    const bool bigEndian = m_nEncoding == ENCODING_UTF16BE;
    unit =
        static_cast<wchar_t>(bigEndian ? (bytes[0] << 8) | bytes[1] : (bytes[1] << 8) | bytes[0]);
    return result;
}

void CMxTextFileIO::SkipUtf16MarkAtStart() {
    LONGLONG position = 0;
    if (!GetPosition(position) || position == 0) {
        SeekTo(2);
    }
}

void CMxTextFileIO::SkipUtf8MarkAtStart() {
    LONGLONG position = 0;
    if (GetPosition(position) && position != 0) {
        return;
    }
    unsigned char mark[3] = {};
    bool got = false;
    const bool isMark = ReadUnit(mark, sizeof mark, got) == kSuccess && got && mark[0] == 0xEF &&
                        mark[1] == 0xBB && mark[2] == 0xBF;
    if (!isMark) {
        SeekTo(0);
    }
}

ResultCode CMxTextFileIO::ReadUtf16Line(std::wstring& line) {
    SkipUtf16MarkAtStart();
    std::wstring units;
    ResultCode lineResult = kSuccess;
    wchar_t pending = 0;
    bool havePending = false;
    while (units.size() < kMaxUtf16Units) {
        wchar_t unit = pending;
        if (!havePending) {
            bool got = false;
            const ResultCode result = ReadUtf16Unit(unit, got);
            if (result != kSuccess) {
                return result;
            }
            if (!got) {
                lineResult = kEndOfFile;
                break;
            }
        }
        havePending = false;
        if (unit == L'\r' && m_nLineEnd == LINEEND_CRLF) {
            bool got = false;
            const ResultCode result = ReadUtf16Unit(pending, got);
            if (result != kSuccess) {
                return result;
            }
            if (!got || pending == L'\n') {
                break;
            }
            havePending = true;
        } else if (IsModeLineEnd(unit)) {
            break;
        }
        units += unit;
    }
    if (havePending) {
        // The unit after a carriage return at the length limit begins the next line.
        LONGLONG position = 0;
        if (GetPosition(position)) {
            SeekTo(position - 2);
        }
    }
    line = units.substr(0, units.find(L'\0'));
    return lineResult;
}

ResultCode CMxTextFileIO::ReadByteLine(std::wstring& line) {
    if (m_nEncoding == ENCODING_UTF8) {
        SkipUtf8MarkAtStart();
    }
    std::string bytes;
    const ResultCode result = ReadLineA(bytes);
    if (IsFailure(result) && result != kEndOfFile) {
        return result;
    }
    if (m_nEncoding == ENCODING_UTF8) {
        line = DecodeBytes(bytes.c_str(), CP_UTF8);
    } else {
        if (m_nEncoding == ENCODING_EUCJP) {
            EucJpToShiftJis(bytes.data());
        }
        line = DecodeBytes(bytes.c_str(), kCodePageShiftJis);
    }
    return result;
}

ResultCode CMxTextFileIO::ReadLine(std::wstring& line) {
    line.clear();
    ResultCode result = kSuccess;
    switch (m_nEncoding) {
        case ENCODING_UTF16LE:
        case ENCODING_UTF16BE:
            result = ReadUtf16Line(line);
            break;
        case ENCODING_ANSI:
        case ENCODING_UTF8:
        case ENCODING_EUCJP:
        case ENCODING_SJIS:
            result = ReadByteLine(line);
            break;
        default:
            return kSuccess;
    }
    if (IsFailure(result) && result != kEndOfFile) {
        return result;
    }
    RemoveLineEnds(line);
    return result;
}

ResultCode ReadFirstLine(const std::wstring& path, std::wstring& line) {
    _wsetlocale(LC_ALL, L"japanese");
    int encoding = ENCODING_ANSI;
    ResultCode result = CMxTextFileIO::DetectEncoding(path, encoding);
    if (result != kSuccess) {
        return result;
    }
    CMxTextFileIO file(encoding, LINEEND_CRLF);
    if ((result = file.Open(path, GENERIC_READ, kShareAll, OPEN_EXISTING)) != kSuccess) {
        return result;
    }
    std::wstring first;
    result = file.ReadLine(first);
    file.Close();
    if (result != kSuccess && result != kEndOfFile) {
        return result;
    }
    if (!first.empty()) {
        line = first;
    }
    return kSuccess;
}

std::wstring DecodeBytes(const char* bytes, unsigned codePage) {
    return DecodeText(bytes, codePage);
}

}  // namespace qeb
