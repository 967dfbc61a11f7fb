// Encodings and line ends of the companion text files, and the reader's result codes.
#pragma once

#include "util/ResultCode.h"

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

constexpr unsigned kCodePageShiftJis = 932;
constexpr unsigned kCodePageUtf8 = 65001;

}  // namespace qeb
