#include "pdfwriter.h"

#include "platform.h"

namespace pf {

void WritePdfWriterValue(const std::string& name, const std::string& value) {
    platform::WriteStoredValue(platform::Store::PdfWriter, name, value);
}

} // namespace pf
