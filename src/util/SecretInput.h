// A secret that the operator types or a script pipes in: never echoed, never logged, and
// wiped from memory when it is no longer needed.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace qeb {

// UTF-8 bytes that are overwritten before their memory is given back.
class Secret {
public:
    Secret() = default;
    explicit Secret(std::string bytes) : m_bytes(std::move(bytes)) {}
    ~Secret();
    Secret(Secret&& other) noexcept;
    Secret& operator=(Secret&& other) noexcept;
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;

    const std::string& Bytes() const { return m_bytes; }
    // Characters, not bytes: a character outside ASCII counts once.
    std::size_t Characters() const;

private:
    void Wipe() noexcept;
    std::string m_bytes;
};

// True when standard input is a console, where the operator types.
bool InputIsConsole();

// Shows `prompt` on the console and reads one line with echo turned off; nullopt when the
// console cannot be read.
std::optional<Secret> ReadHiddenLine(const std::wstring& prompt);

struct InputLine {
    enum class State { Missing, Undecodable, Read };
    State state = State::Missing;
    Secret text;  // when Read
};

// The first line of standard input without its byte-order mark, CR or LF, at most `limit`
// bytes of it: UTF-16LE, UTF-16BE or UTF-8 by its byte-order mark, else in the console's input
// code page. Missing when standard input holds no line; Undecodable for a NUL or a byte that
// the encoding does not take.
InputLine ReadFirstInputLine(std::size_t limit);

}  // namespace qeb
