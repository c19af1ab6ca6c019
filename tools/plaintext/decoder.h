#pragma once

// Turns the bytes of a text file into characters the way a word processor opening a plain-text file
// does: a byte order mark decides (UTF-8, UTF-16 LE or BE); without one, text whose zero bytes clearly
// mark it as UTF-16 is UTF-16, a file that is valid UTF-8 throughout is UTF-8, anything else is
// Windows-1252.

#include <array>
#include <cstddef>
#include <string>

namespace pf::textprint {

enum class Encoding { Utf8, Utf16Le, Utf16Be, Windows1252 };

// The encoding a byte order mark at the start of the data names, and the mark's length; Windows-1252
// with length 0 when there is none (the caller then tests for UTF-8).
struct Bom {
    Encoding encoding = Encoding::Windows1252;
    std::size_t length = 0;
};
Bom DetectBom(const unsigned char* data, std::size_t size);

// UTF-16 without a byte order mark, when the bytes clearly say so: more than half of the bytes at odd
// offsets are zero and hardly any at even offsets (little endian), or the other way round (big endian),
// and the data decodes cleanly. Windows-1252 (meaning "no") otherwise.
Encoding GuessUtf16(const unsigned char* data, std::size_t size);

// Decodes a byte stream given in pieces of any size; sequences split between pieces are joined.
// Malformed UTF-8 or UTF-16 becomes U+FFFD.
class TextDecoder {
public:
    explicit TextDecoder(Encoding encoding);

    // Appends the characters of the next piece to out.
    void Decode(const unsigned char* data, std::size_t size, std::u32string& out);
    // Appends what an incomplete sequence at the end of the stream stands for.
    void Finish(std::u32string& out);
    // False once a malformed sequence was met (for telling UTF-8 from other encodings).
    bool IsClean() const { return m_clean; }

private:
    void DecodeUtf8(const unsigned char* data, std::size_t size, std::u32string& out);
    void DecodeUtf16(const unsigned char* data, std::size_t size, std::u32string& out);
    void PutUtf16Unit(char16_t unit, std::u32string& out);

    Encoding m_encoding;
    std::array<unsigned char, 4> m_pending = {};
    std::size_t m_pendingSize = 0;
    char16_t m_highSurrogate = 0;
    bool m_clean = true;
};

} // namespace pf::textprint
