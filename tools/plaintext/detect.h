#pragma once

// Which encoding a whole text file is in, decided the same way by every text printer.

#include "decoder.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace pf::textprint {

// Reads the next piece of a file into the buffer (as much as fits): the number of bytes read, 0 at the
// end of the file, negative on a read error.
using ReadPiece = std::function<std::int64_t(std::vector<unsigned char>&)>;

// The encoding of a file read from its start: its byte order mark, else UTF-16 when the first piece's
// zero bytes clearly say so (see GuessUtf16), else UTF-8 when every byte sequence is valid UTF-8, else
// the single-byte code page. Reads up to the whole file through read, using buffer
// for the pieces; the text itself starts the mark's length into the file. Empty on a read error.
std::optional<Bom> DetectEncoding(const ReadPiece& read, std::vector<unsigned char>& buffer);

} // namespace pf::textprint
