// Line reading from companion text files, independent of how the file is opened: the
// encoding test of the leading bytes, the line-end modes, the length limits of a line, and
// the pause and retry for a line whose rest another process has not written yet.
#pragma once

#include <cstdint>
#include <string>

#include "inventory/ByteSource.h"
#include "inventory/TextEncoding.h"
#include "text/TextDecoder.h"

namespace qeb {

// Where ReadByteLine puts the bytes of one line; the Windows reader keeps them on a
// private heap. Starts empty.
class IByteLineStore {
public:
    virtual ~IByteLineStore() = default;
    // False when there is no memory for the byte.
    virtual bool Append(char byte) = 0;
    // The stored bytes up to the first zero byte.
    virtual std::string Text() const = 0;
};


constexpr std::size_t kMaxUtf16LineUnits = 1000;
constexpr std::size_t kMaxByteLineBytes = 1000;

// How many bytes the character that `lead` begins takes in a byte encoding.
std::size_t CharacterLength(int encoding, unsigned char lead);

// ANSI, UTF-16LE, UTF-16BE or UTF-8 from the byte-order mark at the start of the source.
ResultCode DetectEncoding(IByteSource& source, std::uint64_t fileSize, int& encoding);

// The next line's raw bytes into `store`; kEndOfFile for a line that ended at the end of the
// file. At most kMaxByteLineBytes bytes, never ending inside a character of `encoding`: the
// rest stays for the next call. A failed read returns its code at once and the stored bytes
// are not to be used.
ResultCode ReadByteLine(IByteSource& source, int encoding, int lineEnd, IByteLineStore& store);

// The next line of 16-bit units, skipping the byte-order mark at the start; at most
// kMaxUtf16LineUnits units, the rest stays for the next call.
ResultCode ReadUtf16Line(IByteSource& source, int lineEnd, bool bigEndian, std::u16string& line);

// The next line decoded by `encoding`, without any CR or LF character. An encoding outside
// the known ones reads nothing and succeeds with an empty line.
ResultCode ReadTextLine(IByteSource& source, int encoding, int lineEnd, IByteLineStore& store,
                        const ITextDecoder& decoder, std::u16string& line);

}  // namespace qeb
