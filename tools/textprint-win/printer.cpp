#include "printer.h"

#include "textprinter.h"
#include "widetext.h"

#include <winspool.h>

#include <algorithm>
#include <vector>

namespace pf::textprint {

namespace {

// The span [from, to) cut to [0, limit); the whole span of the device when the margins leave too little.
void CutToDevice(int& from, int& to, int limit, int least) {
    from = std::max(from, 0);
    to = std::min(to, limit);
    if (to - from < least) {
        from = 0;
        to = limit;
    }
}

} // namespace

DefaultPrinter::DefaultPrinter() {
    DWORD size = 0;
    ::GetDefaultPrinterW(nullptr, &size);
    std::wstring name(size, L'\0');
    if (size == 0 || !::GetDefaultPrinterW(name.data(), &size)) {
        m_reason = "there is no default printer";
        return;
    }
    name.resize(size > 0 ? size - 1 : 0);
    m_dc = ::CreateDCW(L"WINSPOOL", name.c_str(), nullptr, nullptr);
    if (m_dc == nullptr) {
        m_reason = "cannot open the default printer " + platform::win::FromWide(name) + ": " +
                   platform::win::SystemMessage(::GetLastError());
    }
}

DefaultPrinter::~DefaultPrinter() {
    if (m_dc != nullptr) {
        ::DeleteDC(m_dc);
    }
}

PageArea DefaultPrinter::TextArea() const {
    PageArea area;
    area.dpiX = std::max(::GetDeviceCaps(m_dc, LOGPIXELSX), 1);
    area.dpiY = std::max(::GetDeviceCaps(m_dc, LOGPIXELSY), 1);
    const int printableWidth = ::GetDeviceCaps(m_dc, HORZRES);
    const int printableHeight = ::GetDeviceCaps(m_dc, VERTRES);
    const int offsetX = ::GetDeviceCaps(m_dc, PHYSICALOFFSETX);
    const int offsetY = ::GetDeviceCaps(m_dc, PHYSICALOFFSETY);
    int paperWidth = ::GetDeviceCaps(m_dc, PHYSICALWIDTH);
    int paperHeight = ::GetDeviceCaps(m_dc, PHYSICALHEIGHT);
    if (paperWidth <= 0 || paperHeight <= 0) {
        paperWidth = printableWidth + 2 * offsetX;
        paperHeight = printableHeight + 2 * offsetY;
    }
    const int marginX = ::MulDiv(area.dpiX, kSideMarginPoints, kPointsPerInch);
    const int marginY = ::MulDiv(area.dpiY, kTopBottomMarginPoints, kPointsPerInch);
    area.left = marginX - offsetX;
    area.right = paperWidth - marginX - offsetX;
    area.top = marginY - offsetY;
    area.bottom = paperHeight - marginY - offsetY;
    CutToDevice(area.left, area.right, printableWidth, area.dpiX);
    CutToDevice(area.top, area.bottom, printableHeight, area.dpiY);
    return area;
}

PrintDocument::PrintDocument(HDC dc, const std::wstring& name) : m_dc(dc) {
    DOCINFOW info{};
    info.cbSize = sizeof info;
    info.lpszDocName = name.c_str();
    Check(::StartDocW(m_dc, &info), "refused the job");
    m_started = Ok();
}

PrintDocument::~PrintDocument() {
    if (m_started) {
        ::AbortDoc(m_dc);
    }
}

void PrintDocument::Check(int result, const char* step) {
    if (result <= 0 && Ok()) {
        const DWORD error = ::GetLastError();
        m_reason = std::string("the printer ") + step +
                   (error != 0 ? ": " + platform::win::SystemMessage(error) : "");
    }
}

void PrintDocument::BeginPage() {
    if (Ok()) {
        Check(::StartPage(m_dc), "refused a page");
    }
}

void PrintDocument::EndPage() {
    if (Ok()) {
        Check(::EndPage(m_dc), "refused a page");
    }
}

bool PrintDocument::Finish() {
    if (Ok()) {
        Check(::EndDoc(m_dc), "could not finish the job");
        m_started = !Ok();
    }
    return Ok();
}

} // namespace pf::textprint
