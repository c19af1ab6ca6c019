#include "decoder.h"

#include "platform.h"

#include <array>

namespace pf::textprint {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

const std::array<char32_t, 256>& Windows1252Table() {
    static const std::array<char32_t, 256> table = [] {
        std::array<char32_t, 256> codes{};
        for (int i = 0; i < 256; ++i) {
            codes[static_cast<std::size_t>(i)] = platform::CharFromSingleByte(i);
        }
        return codes;
    }();
    return table;
}

// Length of the UTF-8 sequence a lead byte opens, 0 for a byte that cannot open one.
int SequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

// Whether the second byte of a sequence is allowed after its lead byte (this rules out overlong forms,
// surrogates and code points above U+10FFFF).
bool IsValidSecond(unsigned char lead, unsigned char second) {
    switch (lead) {
    case 0xE0:
        return second >= 0xA0 && second <= 0xBF;
    case 0xED:
        return second >= 0x80 && second <= 0x9F;
    case 0xF0:
        return second >= 0x90 && second <= 0xBF;
    case 0xF4:
        return second >= 0x80 && second <= 0x8F;
    default:
        return second >= 0x80 && second <= 0xBF;
    }
}

// Decodes one sequence at data (size bytes available). Returns the bytes used: 0 when the sequence is
// cut off by the end of the data, negative (the bytes to skip) when it is malformed.
int DecodeOne(const unsigned char* data, std::size_t size, char32_t& ch) {
    const int length = SequenceLength(data[0]);
    if (length == 0) {
        return -1;
    }
    ch = length == 1 ? data[0] : data[0] & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if (static_cast<std::size_t>(i) >= size) {
            return 0;
        }
        const bool valid = i == 1 ? IsValidSecond(data[0], data[1]) : (data[i] & 0xC0) == 0x80;
        if (!valid) {
            return -i;
        }
        ch = (ch << 6) | (data[i] & 0x3F);
    }
    return length;
}

} // namespace

Bom DetectBom(const unsigned char* data, std::size_t size) {
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        return {Encoding::Utf8, 3};
    }
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        return {Encoding::Utf16Le, 2};
    }
    if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
        return {Encoding::Utf16Be, 2};
    }
    return {};
}

Encoding GuessUtf16(const unsigned char* data, std::size_t size) {
    constexpr std::size_t kMinPairs = 2;
    const std::size_t pairs = size / 2;
    std::size_t evenZeros = 0;
    std::size_t oddZeros = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        evenZeros += data[i] == 0 ? 1 : 0;
        oddZeros += data[i + 1] == 0 ? 1 : 0;
    }
    Encoding guess = Encoding::Windows1252;
    if (pairs >= kMinPairs && oddZeros * 2 > pairs && evenZeros * 10 <= pairs) {
        guess = Encoding::Utf16Le;
    } else if (pairs >= kMinPairs && evenZeros * 2 > pairs && oddZeros * 10 <= pairs) {
        guess = Encoding::Utf16Be;
    }
    if (guess != Encoding::Windows1252) {
        TextDecoder check(guess);
        std::u32string scratch;
        check.Decode(data, pairs * 2, scratch);
        if (!check.IsClean()) {
            guess = Encoding::Windows1252;
        }
    }
    return guess;
}

TextDecoder::TextDecoder(Encoding encoding) : m_encoding(encoding) {}

void TextDecoder::Decode(const unsigned char* data, std::size_t size, std::u32string& out) {
    switch (m_encoding) {
    case Encoding::Utf8:
        DecodeUtf8(data, size, out);
        break;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be:
        DecodeUtf16(data, size, out);
        break;
    case Encoding::Windows1252: {
        const auto& table = Windows1252Table();
        for (std::size_t i = 0; i < size; ++i) {
            out += table[data[i]];
        }
        break;
    }
    }
}

void TextDecoder::DecodeUtf8(const unsigned char* data, std::size_t size, std::u32string& out) {
    std::size_t i = 0;
    // A sequence cut off at the end of the last piece is completed from the start of this one.
    while (m_pendingSize > 0 && i < size) {
        m_pending[m_pendingSize++] = data[i++];
        char32_t ch = 0;
        const int used = DecodeOne(m_pending.data(), m_pendingSize, ch);
        if (used == 0) {
            continue;
        }
        const auto consumed = static_cast<std::size_t>(used > 0 ? used : -used);
        out += used > 0 ? ch : kReplacement;
        m_clean = m_clean && used > 0;
        i -= m_pendingSize - consumed; // bytes after the sequence are read again from data
        m_pendingSize = 0;
    }
    while (i < size) {
        if (data[i] < 0x80) {
            out += data[i++];
            continue;
        }
        char32_t ch = 0;
        const int used = DecodeOne(data + i, size - i, ch);
        if (used == 0) {
            m_pendingSize = size - i;
            std::copy(data + i, data + size, m_pending.begin());
            return;
        }
        out += used > 0 ? ch : kReplacement;
        m_clean = m_clean && used > 0;
        i += static_cast<std::size_t>(used > 0 ? used : -used);
    }
}

void TextDecoder::PutUtf16Unit(char16_t unit, std::u32string& out) {
    if (m_highSurrogate != 0) {
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            out += static_cast<char32_t>(0x10000 + ((static_cast<char32_t>(m_highSurrogate) - 0xD800) << 10) +
                                         (unit - 0xDC00));
            m_highSurrogate = 0;
            return;
        }
        out += kReplacement;
        m_clean = false;
        m_highSurrogate = 0;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        m_highSurrogate = unit;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
        out += kReplacement;
        m_clean = false;
    } else {
        out += unit;
    }
}

void TextDecoder::DecodeUtf16(const unsigned char* data, std::size_t size, std::u32string& out) {
    const bool little = m_encoding == Encoding::Utf16Le;
    for (std::size_t i = 0; i < size; ++i) {
        m_pending[m_pendingSize++] = data[i];
        if (m_pendingSize == 2) {
            const auto unit = static_cast<char16_t>(little ? m_pending[0] | (m_pending[1] << 8)
                                                           : (m_pending[0] << 8) | m_pending[1]);
            m_pendingSize = 0;
            PutUtf16Unit(unit, out);
        }
    }
}

void TextDecoder::Finish(std::u32string& out) {
    if (m_pendingSize > 0 || m_highSurrogate != 0) {
        out += kReplacement;
        m_clean = false;
    }
    m_pendingSize = 0;
    m_highSurrogate = 0;
}

} // namespace pf::textprint
