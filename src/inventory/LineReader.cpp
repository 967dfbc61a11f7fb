#include "inventory/LineReader.h"

#include <algorithm>

#include "text/CodePage932.h"
#include "text/EucJp.h"

namespace qeb {
namespace {

constexpr int kEmptyReadRetries = 3;

// 0 with `got` telling whether all `size` bytes came; a short read is the end of the file.
ResultCode ReadExactly(IByteSource& source, void* buffer, std::size_t size, bool& got) {
    got = false;
    std::size_t count = 0;
    const ResultCode result = source.Read(buffer, size, count);
    if (result != kSuccess) {
        return result;
    }
    got = count == size;
    return kSuccess;
}

// A file that another process is still writing may deliver the rest of a line a moment
// later; any other file has nothing more to give, so waiting for it would change nothing.
ResultCode ReadByteRetrying(IByteSource& source, char& byte, bool lineStarted, bool& got) {
    ResultCode result = ReadExactly(source, &byte, 1, got);
    for (int retry = 0; result == kSuccess && !got && lineStarted && retry < kEmptyReadRetries &&
                        source.IsBeingWritten();
         ++retry) {
        source.PauseBeforeRetry();
        result = ReadExactly(source, &byte, 1, got);
    }
    return result;
}

// Gives the last `size` bytes read back to the next read.
void PutBack(IByteSource& source, std::uint64_t size) {
    std::uint64_t position = 0;
    if (source.GetPosition(position)) {
        source.Seek(position - size);
    }
}

bool IsModeLineEnd(int lineEnd, char16_t c) {
    return (lineEnd == LINEEND_LF && c == u'\n') || (lineEnd == LINEEND_CR && c == u'\r');
}

ResultCode ReadUtf16Unit(IByteSource& source, bool bigEndian, char16_t& unit, bool& got) {
    unsigned char bytes[2] = {};
    const ResultCode result = ReadExactly(source, bytes, sizeof bytes, got);
    unit =
        static_cast<char16_t>(bigEndian ? (bytes[0] << 8) | bytes[1] : (bytes[1] << 8) | bytes[0]);
    return result;
}

void SkipUtf16MarkAtStart(IByteSource& source) {
    std::uint64_t position = 0;
    if (!source.GetPosition(position) || position == 0) {
        source.Seek(2);
    }
}

void SkipUtf8MarkAtStart(IByteSource& source) {
    std::uint64_t position = 0;
    if (source.GetPosition(position) && position != 0) {
        return;
    }
    unsigned char mark[3] = {};
    bool got = false;
    const bool isMark = ReadExactly(source, mark, sizeof mark, got) == kSuccess && got &&
                        mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF;
    if (!isMark) {
        source.Seek(0);
    }
}

ResultCode ReadDecodedByteLine(IByteSource& source, int encoding, int lineEnd,
                               IByteLineStore& store, const ITextDecoder& decoder,
                               std::u16string& line) {
    if (encoding == ENCODING_UTF8) {
        SkipUtf8MarkAtStart(source);
    }
    const ResultCode result = ReadByteLine(source, encoding, lineEnd, store);
    if (IsFailure(result) && result != kEndOfFile) {
        return result;
    }
    std::string bytes = store.Text();
    if (encoding == ENCODING_UTF8) {
        line = decoder.Decode(bytes, kCodePageUtf8);
    } else {
        if (encoding == ENCODING_EUCJP) {
            EucJpToShiftJis(bytes.data());
        }
        line = decoder.Decode(bytes, kCodePageShiftJis);
    }
    return result;
}

}  // namespace

ResultCode DetectEncoding(IByteSource& source, std::uint64_t fileSize, int& encoding) {
    encoding = ENCODING_ANSI;
    bool got = false;
    ResultCode result = kSuccess;
    if (fileSize >= 2) {
        unsigned char mark[2] = {};
        if ((result = ReadExactly(source, mark, sizeof mark, got)) != kSuccess) {
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
        source.Seek(0);
    }
    if (fileSize > 2) {
        unsigned char mark[3] = {};
        if ((result = ReadExactly(source, mark, sizeof mark, got)) != kSuccess) {
            return result;
        }
        if (got && mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF) {
            encoding = ENCODING_UTF8;
        }
    }
    return kSuccess;
}

std::size_t CharacterLength(int encoding, unsigned char lead) {
    switch (encoding) {
        case ENCODING_ANSI:
        case ENCODING_SJIS:
            return IsCodePage932Lead(lead) ? 2 : 1;
        case ENCODING_EUCJP:
            return lead == 0x8F ? 3 : lead >= 0x80 ? 2 : 1;
        case ENCODING_UTF8:
            return lead >= 0xF0 && lead <= 0xF7   ? 4
                   : lead >= 0xE0 && lead <= 0xEF ? 3
                   : lead >= 0xC0 && lead <= 0xDF ? 2
                                                  : 1;
        default:
            return 1;
    }
}

ResultCode ReadByteLine(IByteSource& source, int encoding, int lineEnd, IByteLineStore& store) {
    std::size_t stored = 0;
    std::size_t characterLeft = 0;  // bytes still to come of the character being stored
    char pending = 0;
    bool havePending = false;
    while (stored < kMaxByteLineBytes) {
        char byte = pending;
        if (!havePending) {
            bool got = false;
            const ResultCode result = ReadByteRetrying(source, byte, stored > 0, got);
            if (result != kSuccess) {
                return result;
            }
            if (!got) {
                return kEndOfFile;
            }
        }
        havePending = false;
        if (byte == '\r' && lineEnd == LINEEND_CRLF) {
            bool got = false;
            const ResultCode result = ReadExactly(source, &pending, 1, got);
            if (result != kSuccess) {
                return result;
            }
            if (!got || pending == '\n') {
                return kSuccess;
            }
            havePending = true;
        } else if (IsModeLineEnd(lineEnd, static_cast<unsigned char>(byte))) {
            return kSuccess;
        }
        if (characterLeft == 0) {
            const std::size_t length = CharacterLength(encoding, static_cast<unsigned char>(byte));
            if (stored + length > kMaxByteLineBytes) {
                // The whole character begins the next line.
                PutBack(source, havePending ? 2 : 1);
                return kSuccess;
            }
            characterLeft = length;
        }
        if (!store.Append(byte)) {
            return kOutOfMemory;
        }
        ++stored;
        --characterLeft;
    }
    if (havePending) {
        PutBack(source, 1);
    }
    return kSuccess;
}

ResultCode ReadUtf16Line(IByteSource& source, int lineEnd, bool bigEndian, std::u16string& line) {
    SkipUtf16MarkAtStart(source);
    std::u16string units;
    ResultCode lineResult = kSuccess;
    char16_t pending = 0;
    bool havePending = false;
    while (units.size() < kMaxUtf16LineUnits) {
        char16_t unit = pending;
        if (!havePending) {
            bool got = false;
            const ResultCode result = ReadUtf16Unit(source, bigEndian, unit, got);
            if (result != kSuccess) {
                return result;
            }
            if (!got) {
                lineResult = kEndOfFile;
                break;
            }
        }
        havePending = false;
        if (unit == u'\r' && lineEnd == LINEEND_CRLF) {
            bool got = false;
            const ResultCode result = ReadUtf16Unit(source, bigEndian, pending, got);
            if (result != kSuccess) {
                return result;
            }
            if (!got || pending == u'\n') {
                break;
            }
            havePending = true;
        } else if (IsModeLineEnd(lineEnd, unit)) {
            break;
        }
        units += unit;
    }
    if (havePending) {
        // The unit after a carriage return at the length limit begins the next line.
        PutBack(source, 2);
    }
    line = units.substr(0, units.find(u'\0'));
    return lineResult;
}

ResultCode ReadTextLine(IByteSource& source, int encoding, int lineEnd, IByteLineStore& store,
                        const ITextDecoder& decoder, std::u16string& line) {
    line.clear();
    ResultCode result = kSuccess;
    switch (encoding) {
        case ENCODING_UTF16LE:
        case ENCODING_UTF16BE:
            result = ReadUtf16Line(source, lineEnd, encoding == ENCODING_UTF16BE, line);
            break;
        case ENCODING_ANSI:
        case ENCODING_UTF8:
        case ENCODING_EUCJP:
        case ENCODING_SJIS:
            result = ReadDecodedByteLine(source, encoding, lineEnd, store, decoder, line);
            break;
        default:
            return kSuccess;
    }
    if (IsFailure(result) && result != kEndOfFile) {
        return result;
    }
    line.erase(std::remove_if(line.begin(), line.end(),
                              [](char16_t c) { return c == u'\r' || c == u'\n'; }),
               line.end());
    return result;
}

}  // namespace qeb
