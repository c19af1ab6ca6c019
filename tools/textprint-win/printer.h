#pragma once

// The default printer as a GDI device, and one document printed on it.

#include <windows.h>

#include <string>

namespace pf::textprint {

// Where text goes on a page, in device units from the top-left corner of the printable area, and the
// device's resolution in dots per inch.
struct PageArea {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int dpiX = 0;
    int dpiY = 0;
};

// A device context of the user's default printer. Without one, Dc() is null and Reason() says why.
class DefaultPrinter {
public:
    DefaultPrinter();
    ~DefaultPrinter();
    DefaultPrinter(const DefaultPrinter&) = delete;
    DefaultPrinter& operator=(const DefaultPrinter&) = delete;

    HDC Dc() const { return m_dc; }
    const std::string& Reason() const { return m_reason; }

    // The page inside margins of 1.25 inch left and right and 1 inch top and bottom, measured on the
    // paper, and cut to what the device can print.
    PageArea TextArea() const;

private:
    HDC m_dc = nullptr;
    std::string m_reason;
};

// One print job handed to the spooler page by page. A document that is not finished is aborted, so no
// half document is printed.
class PrintDocument {
public:
    PrintDocument(HDC dc, const std::wstring& name);
    ~PrintDocument();
    PrintDocument(const PrintDocument&) = delete;
    PrintDocument& operator=(const PrintDocument&) = delete;

    // False, with Reason() set, once the spooler refused a step; later steps then do nothing.
    bool Ok() const { return m_reason.empty(); }
    const std::string& Reason() const { return m_reason; }

    void BeginPage();
    void EndPage();
    // Ends the job; true when the spooler took all of it.
    bool Finish();

private:
    void Check(int result, const char* step);

    HDC m_dc;
    bool m_started = false;
    std::string m_reason;
};

} // namespace pf::textprint
