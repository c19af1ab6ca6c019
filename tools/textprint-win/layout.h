#pragma once

// Lays decoded text out on a GDI printer's pages with Uniscribe.

#include "pageflow.h"
#include "printer.h"

#include <windows.h>

#include <string>
#include <usp10.h>

namespace pf::textprint {

// Lays characters out the way a word processor prints a plain-text file (see PageFlow): one monospaced
// font of 10 points, lines wrapped at the break opportunities the system finds within the page's text
// area, tabs to every eighth column. Uniscribe shapes every script, takes characters the font lacks from
// a fallback font, and draws right-to-left text in visual order; a line whose first strong character is
// right-to-left is set from the right margin. Only one line of the file is held at a time, and at most
// kMaxHeld characters of it.
class PageLayout : public PageFlow {
public:
    PageLayout(HDC dc, const PageArea& area, PrintDocument& document);
    ~PageLayout() override;
    PageLayout(const PageLayout&) = delete;
    PageLayout& operator=(const PageLayout&) = delete;

private:
    static constexpr std::size_t kMaxHeld = 16384;

    void Place(char32_t ch) override;
    void Tab() override;
    bool HasLine() const override { return !m_text.empty(); }
    void EndLine() override;
    void OpenPage() override;
    void ClosePage() override;
    void Append(char32_t ch);
    void LayOut(bool complete);
    void DrawLine(std::size_t start, std::size_t end);

    HDC m_dc;
    PageArea m_area;
    PrintDocument& m_document;
    HFONT m_font = nullptr;
    HGDIOBJ m_oldFont = nullptr;
    int m_lineHeight = 1;
    int m_ascent = 0;

    std::wstring m_text; // the current line, or what is left of it
    std::size_t m_column = 0;
    bool m_directionKnown = false;
    bool m_rightToLeft = false;
};

} // namespace pf::textprint
