#include "detect.h"

#include <algorithm>
#include <string>

namespace pf::textprint {

std::optional<Bom> DetectEncoding(const ReadPiece& read, std::vector<unsigned char>& buffer) {
    std::int64_t n = read(buffer);
    const auto size = static_cast<std::size_t>(std::max<std::int64_t>(n, 0));
    const Bom bom = DetectBom(buffer.data(), size);
    const Encoding utf16 = bom.length == 0 ? GuessUtf16(buffer.data(), size) : Encoding::Windows1252;
    Bom result = bom.length > 0 ? bom : Bom{Encoding::Utf8, 0};
    if (utf16 != Encoding::Windows1252) {
        result.encoding = utf16;
    } else if (bom.length == 0) {
        TextDecoder utf8(Encoding::Utf8);
        std::u32string scratch;
        while (n > 0 && utf8.IsClean()) {
            scratch.clear();
            utf8.Decode(buffer.data(), static_cast<std::size_t>(n), scratch);
            n = read(buffer);
        }
        utf8.Finish(scratch);
        if (!utf8.IsClean()) {
            result.encoding = Encoding::Windows1252;
        }
    }
    if (n < 0) {
        return std::nullopt;
    }
    return result;
}

} // namespace pf::textprint
