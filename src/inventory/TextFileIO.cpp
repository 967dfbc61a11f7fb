#include "inventory/TextFileIO.h"

#include <locale.h>

#include <optional>
#include <utility>

#include "inventory/LineReader.h"
#include "text/Win32TextDecoder.h"
#include "util/CodePage.h"

namespace qeb {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr SIZE_T kLineGrowth = 1000;
constexpr SIZE_T kLineSlack = 4;  // keeps a terminating zero behind every stored byte
constexpr DWORD kEmptyReadPause = 10;

// A zero-filled byte buffer on a private heap that grows by kLineGrowth after each
// kLineGrowth bytes stored.
class HeapLineBuffer : public IByteLineStore {
public:
    explicit HeapLineBuffer(HANDLE heap) : m_heap(heap) {}
    ~HeapLineBuffer() override { Free(); }

    HeapLineBuffer(const HeapLineBuffer&) = delete;
    HeapLineBuffer& operator=(const HeapLineBuffer&) = delete;

    bool Allocate() {
        m_size = kLineGrowth + kLineSlack;
        m_data = static_cast<char*>(::HeapAlloc(m_heap, HEAP_ZERO_MEMORY, m_size));
        return m_data != nullptr;
    }

    bool Append(char byte) override {
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

    std::string Text() const override { return std::string(m_data); }

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

// One private heap per line, as the reader has always kept its lines.
class LineHeap {
public:
    ResultCode Create() {
        m_heap.Reset(::HeapCreate(HEAP_NO_SERIALIZE, kLineGrowth + kLineSlack, 0));
        if (!m_heap) {
            return HresultFromWin32(::GetLastError());
        }
        m_buffer.emplace(m_heap.Get());
        return m_buffer->Allocate() ? kSuccess : kOutOfMemory;
    }

    HeapLineBuffer& Buffer() { return *m_buffer; }

    // The result of the line unless freeing the buffer or the heap fails.
    ResultCode Release(ResultCode lineResult) {
        if (!m_buffer->Free()) {
            return kOutOfMemory;
        }
        if (!::HeapDestroy(m_heap.Release())) {
            return HresultFromWin32(::GetLastError());
        }
        return lineResult;
    }

private:
    UniquePrivateHeap m_heap;
    std::optional<HeapLineBuffer> m_buffer;
};

std::optional<std::uint64_t> FileSizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
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

ResultCode CWin32File::Read(void* buffer, std::size_t size, std::size_t& count) {
    count = 0;
    DWORD read = 0;
    if (!::ReadFile(m_hFile.Get(), buffer, static_cast<DWORD>(size), &read, nullptr)) {
        return HresultFromWin32(::GetLastError());
    }
    count = read;
    return kSuccess;
}

bool CWin32File::Seek(std::uint64_t offset) {
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return ::SetFilePointerEx(m_hFile.Get(), distance, nullptr, FILE_BEGIN) != FALSE;
}

bool CWin32File::GetPosition(std::uint64_t& offset) {
    LARGE_INTEGER zero{};
    LARGE_INTEGER position{};
    if (!::SetFilePointerEx(m_hFile.Get(), zero, &position, FILE_CURRENT)) {
        return false;
    }
    offset = static_cast<std::uint64_t>(position.QuadPart);
    return true;
}

bool CWin32File::IsBeingWritten() {
    const UniqueFileHandle probe(::CreateFileW(m_strFileName.c_str(), GENERIC_READ,
                                               FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return !probe && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

void CWin32File::PauseBeforeRetry() {
    ::Sleep(kEmptyReadPause);
}

ResultCode CMxTextFileIO::DetectEncoding(const std::wstring& path, int& encoding) {
    encoding = ENCODING_ANSI;
    const std::optional<std::uint64_t> size = FileSizeOf(path);
    if (!size) {
        return kFileNotFound;
    }
    CWin32File file;
    const ResultCode result = file.Open(path, GENERIC_READ, kShareAll, OPEN_EXISTING);
    if (result != kSuccess) {
        return result;
    }
    return qeb::DetectEncoding(file, *size, encoding);
}

ResultCode CMxTextFileIO::Open(const std::wstring& path, DWORD access, DWORD share,
                               DWORD disposition) {
    m_buffered.Reset();
    return CWin32File::Open(path, access, share, disposition);
}

ResultCode CMxTextFileIO::DetectAndRewind(std::uint64_t fileSize, int& encoding) {
    const ResultCode result = qeb::DetectEncoding(m_buffered, fileSize, encoding);
    if (result == kSuccess) {
        m_nEncoding = encoding;
        m_buffered.Seek(0);
    }
    return result;
}

ResultCode CMxTextFileIO::ReadLineA(std::string& line) {
    LineHeap heap;
    if (const ResultCode created = heap.Create(); created != kSuccess) {
        return created;
    }
    const ResultCode result = ReadByteLine(m_buffered, m_nEncoding, m_nLineEnd, heap.Buffer());
    if (IsFailure(result) && result != kEndOfFile) {
        return result;
    }
    line = heap.Buffer().Text();
    return heap.Release(result);
}

ResultCode CMxTextFileIO::ReadLine(std::wstring& line) {
    line.clear();
    LineHeap heap;
    if (const ResultCode created = heap.Create(); created != kSuccess) {
        return created;
    }
    std::u16string text;
    const ResultCode result =
        ReadTextLine(m_buffered, m_nEncoding, m_nLineEnd, heap.Buffer(), Win32TextDecoder(), text);
    if (IsFailure(result) && result != kEndOfFile) {
        return result;
    }
    line.assign(text.begin(), text.end());
    return heap.Release(result);
}

ResultCode ReadFirstLine(const std::wstring& path, std::wstring& line) {
    // Once is enough: the locale stays the process's default afterwards.
    static const bool japaneseLocale = _wsetlocale(LC_ALL, L"japanese") != nullptr;
    static_cast<void>(japaneseLocale);
    const std::optional<std::uint64_t> size = FileSizeOf(path);
    if (!size) {
        return kFileNotFound;
    }
    // One open serves the encoding test and the line: the readers skip a mark themselves
    // when they start at the beginning.
    CMxTextFileIO file(ENCODING_ANSI, LINEEND_CRLF);
    ResultCode result = file.Open(path, GENERIC_READ, kShareAll, OPEN_EXISTING);
    if (result != kSuccess) {
        return result;
    }
    int encoding = ENCODING_ANSI;
    if ((result = file.DetectAndRewind(*size, encoding)) != kSuccess) {
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
