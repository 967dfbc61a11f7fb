// The portable readers' collaborators in their plainest form: a line store in a string and
// a decoder that turns each byte into the unit of the same value, so that a decoded line
// shows exactly which bytes the reader kept.
#pragma once

#include <string>

#include "inventory/LineReader.h"

namespace qeb::test {

class StringLineStore : public IByteLineStore {
public:
    bool Append(char byte) override {
        m_bytes += byte;
        return true;
    }
    std::string Text() const override { return m_bytes.substr(0, m_bytes.find('\0')); }
    std::size_t Size() const { return m_bytes.size(); }

private:
    std::string m_bytes;
};

class ByteValueDecoder : public ITextDecoder {
public:
    std::u16string Decode(const std::string& bytes, unsigned) const override {
        std::u16string units;
        for (const char c : bytes.substr(0, bytes.find('\0'))) {
            units += static_cast<char16_t>(static_cast<unsigned char>(c));
        }
        return units;
    }
};

}  // namespace qeb::test
