#include "util/SecretInput.h"

#include <windows.h>

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

bool IsValidUtf8(const std::string& bytes) {
    return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                 static_cast<int>(bytes.size()), nullptr, 0) > 0;
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

std::optional<Secret> ReadFirstInputLine(std::size_t limit) {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::string line;
    line.reserve(limit);  // no reallocation leaves a copy of the secret behind
    bool ended = false;
    while (line.size() < limit) {
        char byte = 0;
        DWORD read = 0;
        if (!::ReadFile(input, &byte, 1, &read, nullptr) || read == 0) {
            break;
        }
        if (byte == '\n') {
            ended = true;
            break;
        }
        line += byte;
    }
    if (!ended && line.empty()) {
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    if (IsValidUtf8(line)) {
        return Secret(std::move(line));
    }
    std::wstring text = DecodeText(line, CP_ACP);
    ::SecureZeroMemory(line.data(), line.size());
    Secret secret(EncodeText(text, CP_UTF8));
    WipeWide(text);
    return secret;
}

}  // namespace qeb
