#include "util/SecretInput.h"

#include <windows.h>

#include <cstring>
#include <utility>
#include <vector>

#include "util/CodePage.h"
#include "util/UniqueOwner.h"

namespace qeb {
namespace {

constexpr DWORD kLongestTypedLine = 1024;

void WipeWide(std::wstring& text) noexcept {
    ::SecureZeroMemory(text.data(), text.size() * sizeof(wchar_t));
    text.clear();
}

void WriteToConsole(HANDLE console, const std::wstring& text) {
    DWORD written = 0;
    ::WriteConsoleW(console, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
}

enum class LineEncoding { CodePage, Utf8, Utf16Le, Utf16Be };

// Standard input byte by byte (a pipe gives no more than is asked), with the bytes read ahead
// for the byte-order mark given back first.
class InputBytes {
public:
    explicit InputBytes(HANDLE input) : m_input(input) {}
    ~InputBytes() { ::SecureZeroMemory(m_ahead, sizeof m_ahead); }
    InputBytes(const InputBytes&) = delete;
    InputBytes& operator=(const InputBytes&) = delete;

    bool Next(char& byte) {
        if (m_taken < m_count) {
            byte = m_ahead[m_taken++];
            return true;
        }
        DWORD read = 0;
        return ::ReadFile(m_input, &byte, 1, &read, nullptr) && read == 1;
    }
    // Reads ahead until `count` bytes wait (fewer at the end); gives how many wait.
    std::size_t Ahead(std::size_t count) {
        for (char byte = 0; m_count < count && m_taken == 0;) {
            DWORD read = 0;
            if (!::ReadFile(m_input, &byte, 1, &read, nullptr) || read != 1) {
                break;
            }
            m_ahead[m_count++] = byte;
        }
        return m_count;
    }
    bool Starts(const char* mark, std::size_t size) const {
        return m_count >= size && std::memcmp(m_ahead, mark, size) == 0;
    }
    void Skip(std::size_t size) { m_taken = size; }

private:
    HANDLE m_input;
    char m_ahead[3] = {};
    std::size_t m_count = 0;
    std::size_t m_taken = 0;
};

LineEncoding ReadByteOrderMark(InputBytes& bytes) {
    bytes.Ahead(2);
    if (bytes.Starts("\xFF\xFE", 2) || bytes.Starts("\xFE\xFF", 2)) {
        const bool little = bytes.Starts("\xFF\xFE", 2);
        bytes.Skip(2);
        return little ? LineEncoding::Utf16Le : LineEncoding::Utf16Be;
    }
    if (bytes.Starts("\xEF\xBB", 2) && bytes.Ahead(3) == 3 && bytes.Starts("\xEF\xBB\xBF", 3)) {
        bytes.Skip(3);
        return LineEncoding::Utf8;
    }
    return LineEncoding::CodePage;
}

// Found when standard input held a line; decoded when all of it was text of the encoding.
bool ReadByteLine(InputBytes& bytes, LineEncoding encoding, std::size_t limit, std::wstring& text,
                  bool& decoded) {
    std::string line;
    line.reserve(limit);
    bool found = false;
    for (char byte = 0; line.size() < limit && bytes.Next(byte);) {
        found = true;
        if (byte == '\n') {
            break;
        }
        line += byte;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    // A pipe from cmd brings the console's input code page; without one, the system's.
    const UINT consolePage = ::GetConsoleCP();
    const UINT codePage = encoding == LineEncoding::Utf8 ? CP_UTF8
                          : consolePage != 0          ? consolePage
                                                      : ::GetACP();
    text.resize(line.size());
    const int length = line.empty() ? 0
                                    : ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS,
                                                            line.data(), static_cast<int>(line.size()),
                                                            text.data(), static_cast<int>(text.size()));
    decoded = line.empty() || length > 0;
    text.resize(static_cast<std::size_t>(length));
    ::SecureZeroMemory(line.data(), line.size());
    return found;
}

bool ReadUtf16Line(InputBytes& bytes, LineEncoding encoding, std::size_t limit, std::wstring& text,
                   bool& decoded) {
    bool found = false;
    decoded = true;
    for (char first = 0, second = 0; text.size() * 2 < limit && bytes.Next(first);) {
        found = true;
        if (!bytes.Next(second)) {
            decoded = false;  // half a unit
            break;
        }
        const unsigned char high = static_cast<unsigned char>(encoding == LineEncoding::Utf16Le ? second : first);
        const unsigned char low = static_cast<unsigned char>(encoding == LineEncoding::Utf16Le ? first : second);
        const wchar_t unit = static_cast<wchar_t>((high << 8) | low);
        if (unit == L'\n') {
            break;
        }
        text += unit;
    }
    if (!text.empty() && text.back() == L'\r') {
        text.pop_back();
    }
    return found;
}

}  // namespace

Secret::~Secret() {
    Wipe();
}

Secret::Secret(Secret&& other) noexcept : m_bytes(std::move(other.m_bytes)) {
    other.Wipe();
}

Secret& Secret::operator=(Secret&& other) noexcept {
    if (this != &other) {
        Wipe();
        m_bytes = std::move(other.m_bytes);
        other.Wipe();
    }
    return *this;
}

void Secret::Wipe() noexcept {
    ::SecureZeroMemory(m_bytes.data(), m_bytes.size());
    m_bytes.clear();
}

std::size_t Secret::Characters() const {
    std::size_t count = 0;
    for (const char byte : m_bytes) {
        count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

bool InputIsConsole() {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode) != FALSE;
}

std::optional<Secret> ReadHiddenLine(const std::wstring& prompt) {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    const UniqueFileHandle output(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
    DWORD mode = 0;
    if (!::GetConsoleMode(input, &mode)) {
        return std::nullopt;
    }
    if (output) {
        WriteToConsole(output.Get(), prompt);
    }
    ::SetConsoleMode(input, (mode | ENABLE_LINE_INPUT) & ~DWORD{ENABLE_ECHO_INPUT});
    std::wstring typed(kLongestTypedLine, L'\0');
    DWORD read = 0;
    const BOOL ok = ::ReadConsoleW(input, typed.data(), kLongestTypedLine, &read, nullptr);
    ::SetConsoleMode(input, mode);
    if (output) {
        WriteToConsole(output.Get(), L"\r\n");  // the operator's Enter was not echoed either
    }
    typed.resize(ok ? read : 0);
    while (!typed.empty() && (typed.back() == L'\n' || typed.back() == L'\r')) {
        typed.pop_back();
    }
    std::optional<Secret> secret;
    if (ok) {
        secret.emplace(EncodeText(typed, CP_UTF8));
    }
    WipeWide(typed);
    return secret;
}

InputLine ReadFirstInputLine(std::size_t limit) {
    InputLine result;
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE) {
        return result;
    }
    InputBytes bytes(input);
    const LineEncoding encoding = ReadByteOrderMark(bytes);
    std::wstring text;
    text.reserve(limit);  // no reallocation leaves a copy of the secret behind
    bool decoded = false;
    const bool found = encoding == LineEncoding::Utf16Le || encoding == LineEncoding::Utf16Be
                           ? ReadUtf16Line(bytes, encoding, limit, text, decoded)
                           : ReadByteLine(bytes, encoding, limit, text, decoded);
    const std::optional<std::string> utf8 = decoded ? EncodeUtf8(text) : std::nullopt;
    if (!found) {
        result.state = InputLine::State::Missing;
    } else if (!utf8 || text.find(L'\0') != std::wstring::npos) {
        result.state = InputLine::State::Undecodable;
    } else {
        result.state = InputLine::State::Read;
        result.text = Secret(*utf8);
    }
    WipeWide(text);
    return result;
}

}  // namespace qeb
