#pragma once

// Lays decoded text out on a GDI printer's pages with Uniscribe.

#include "printer.h"

#include <windows.h>

#include <string>
#include <usp10.h>

namespace pf::textprint {

// Lays characters out the way a word processor prints a plain-text file: one monospaced font of 10
// points, lines wrapped at the break opportunities the system finds within the page's text area, tabs
// to every eighth column, a form feed starting a new page. Uniscribe shapes every script, takes
// characters the font lacks from a fallback font, and draws right-to-left text in visual order; a line
// whose first strong character is right-to-left is set from the right margin. Only one line of the
// file is held at a time, and at most kMaxHeld characters of it.
class PageLayout {
public:
    PageLayout(HDC dc, const PageArea& area, PrintDocument& document);
    ~PageLayout();
    PageLayout(const PageLayout&) = delete;
    PageLayout& operator=(const PageLayout&) = delete;

    void Add(char32_t ch);
    void Add(const std::u32string& text) {
        for (const char32_t ch : text) {
            Add(ch);
        }
    }
    // Ends the document: the last line and page go out; an empty document is one blank page.
    void Finish();

    int PageCount() const { return m_pages; }

private:
    static constexpr std::size_t kMaxHeld = 16384;

    void Append(char32_t ch);
    void Tab();
    void EndLine();
    void FormFeed();
    void LayOut(bool complete);
    void DrawLine(std::size_t start, std::size_t end);
    void NextLine();
    void BeginPage();
    void EndPage();

    HDC m_dc;
    PageArea m_area;
    PrintDocument& m_document;
    HFONT m_font = nullptr;
    HGDIOBJ m_oldFont = nullptr;
    int m_lineHeight = 1;
    int m_ascent = 0;
    int m_linesPerPage = 1;

    std::wstring m_text; // the current line, or what is left of it
    std::size_t m_column = 0;
    bool m_directionKnown = false;
    bool m_rightToLeft = false;
    bool m_afterCr = false;

    bool m_pageOpen = false;
    bool m_pageFilled = false; // the last page ended because it was full
    int m_lineOnPage = 0;
    int m_pages = 0;
};

} // namespace pf::textprint
