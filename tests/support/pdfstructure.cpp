#include "pdfstructure.h"

#include "temphome.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace pf::test {

namespace {

// The decimal number that starts at pos (advanced past it), or nothing.
std::optional<std::size_t> ReadNumber(const std::string& text, std::size_t& pos) {
    const std::size_t start = pos;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])) != 0) {
        ++pos;
    }
    if (pos == start || pos - start > 10) {
        return std::nullopt;
    }
    return std::stoull(text.substr(start, pos - start));
}

bool IsDigits(const std::string& text, std::size_t pos, std::size_t count) {
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (std::isdigit(static_cast<unsigned char>(text[i])) == 0) {
            return false;
        }
    }
    return true;
}

// One table entry: 10-digit offset, space, 5-digit generation, space, n or f, and a two-byte line end.
testing::AssertionResult CheckEntry(const std::string& pdf, std::size_t at, std::size_t object) {
    const std::string where = "xref entry of object " + std::to_string(object) + ": ";
    if (at + 20 > pdf.size()) {
        return testing::AssertionFailure() << where << "cut off by the end of the file";
    }
    const std::string entry = pdf.substr(at, 20);
    const std::string end = entry.substr(18);
    const bool goodEnd = end == " \n" || end == " \r" || end == "\r\n";
    if (!IsDigits(entry, 0, 10) || entry[10] != ' ' || !IsDigits(entry, 11, 5) || entry[16] != ' ' ||
        (entry[17] != 'n' && entry[17] != 'f') || !goodEnd) {
        return testing::AssertionFailure() << where << "not a 20-byte entry: \"" << entry << '"';
    }
    if (entry[17] == 'n') {
        const std::size_t offset = std::stoull(entry.substr(0, 10));
        const std::string header =
            std::to_string(object) + " " + std::to_string(std::stoul(entry.substr(11, 5))) + " obj";
        if (offset >= pdf.size() || pdf.compare(offset, header.size(), header) != 0 ||
            (offset > 0 && !std::isspace(pdf[offset - 1]))) {
            return testing::AssertionFailure()
                   << where << "offset " << offset << " does not hold \"" << header << '"';
        }
    }
    return testing::AssertionSuccess();
}

// The table at pos: subsections of "first count" lines and their entries, then the trailer.
testing::AssertionResult CheckTable(const std::string& pdf, std::size_t pos) {
    std::size_t size = 0;
    for (;;) {
        const std::size_t lineStart = pos;
        const auto first = ReadNumber(pdf, pos);
        if (!first) {
            pos = lineStart;
            break;
        }
        if (pdf.compare(pos, 1, " ") != 0) {
            return testing::AssertionFailure() << "bad subsection header at " << lineStart;
        }
        ++pos;
        const auto count = ReadNumber(pdf, pos);
        if (!count) {
            return testing::AssertionFailure() << "bad subsection header at " << lineStart;
        }
        pos = pdf.find_first_not_of("\r\n ", pos);
        if (pos == std::string::npos) {
            return testing::AssertionFailure() << "the xref table is cut off";
        }
        for (std::size_t i = 0; i < *count; ++i, pos += 20) {
            if (auto entry = CheckEntry(pdf, pos, *first + i); !entry) {
                return entry;
            }
        }
        size = std::max(size, *first + *count);
    }
    if (pdf.compare(pos, 7, "trailer") != 0) {
        return testing::AssertionFailure() << "no trailer after the xref table (at " << pos << ")";
    }
    const std::size_t sizeKey = pdf.find("/Size ", pos);
    std::size_t sizePos = sizeKey + 6;
    if (sizeKey == std::string::npos || ReadNumber(pdf, sizePos) != size) {
        return testing::AssertionFailure() << "the trailer's /Size is not " << size;
    }
    return testing::AssertionSuccess();
}

} // namespace

testing::AssertionResult HasSoundPdfStructure(const std::string& path) {
    const std::string pdf = ReadFile(path);
    if (pdf.rfind("%PDF-", 0) != 0) {
        return testing::AssertionFailure() << path << ": no %PDF- header";
    }
    const std::size_t startxref = pdf.rfind("startxref");
    std::size_t pos =
        startxref == std::string::npos ? pdf.size() : pdf.find_first_not_of("\r\n ", startxref + 9);
    const auto xref = pos == std::string::npos ? std::nullopt : ReadNumber(pdf, pos);
    if (!xref || pdf.find("%%EOF", pos) == std::string::npos) {
        return testing::AssertionFailure() << path << ": no startxref offset and %%EOF at the end";
    }
    if (*xref >= pdf.size() || pdf.compare(*xref, 4, "xref") != 0) {
        return testing::AssertionFailure()
               << path << ": startxref " << *xref << " does not point at \"xref\"";
    }
    const std::size_t tableStart = pdf.find_first_not_of("\r\n ", *xref + 4);
    auto table = CheckTable(pdf, tableStart == std::string::npos ? pdf.size() : tableStart);
    return table ? table : testing::AssertionFailure() << path << ": " << table.message();
}

} // namespace pf::test
