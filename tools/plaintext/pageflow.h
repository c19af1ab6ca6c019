#pragma once

// The rules by which the characters of a plain-text file become lines and pages.

#include <string_view>

namespace pf::textprint {

// Lines and pages the way a word processor prints a plain-text file, the same in every text printer:
// CR, LF, CR LF and the Unicode line and paragraph separators end a line; a tab is the printer's to
// place; a form feed ends the page, and one at the top of a page that nothing filled prints that page
// blank; a page ends after its last line; an empty document is one blank page. The printer lays out and
// draws the lines and opens and closes the pages of its device.
class PageFlow {
public:
    virtual ~PageFlow() = default;
    PageFlow(const PageFlow&) = delete;
    PageFlow& operator=(const PageFlow&) = delete;

    void Add(char32_t ch);
    void Add(std::u32string_view text) {
        for (const char32_t ch : text) {
            Add(ch);
        }
    }
    // Ends the document: the last line and page go out.
    void Finish();

protected:
    PageFlow() = default;

    void SetLinesPerPage(int lines);

    // Every character but the line and page controls and the tab.
    virtual void Place(char32_t ch) = 0;
    virtual void Tab() = 0;
    // True when the current line holds something (characters or tabs).
    virtual bool HasLine() const = 0;
    // Lays out the current line: each line printed goes between StartLine and FinishLine.
    virtual void EndLine() = 0;
    virtual void OpenPage() = 0;
    virtual void ClosePage() = 0;

    // Opens a page when none is open; returns the line's index on its page (0 for the first).
    int StartLine();
    // Closes the page after its last line.
    void FinishLine();

private:
    void FormFeed();
    void BeginPage();
    void EndPage();

    int m_linesPerPage = 1;
    bool m_afterCr = false;
    bool m_pageOpen = false;
    bool m_pageFilled = false; // the last page ended because it was full
    int m_lineOnPage = 0;
    int m_pages = 0;
};

} // namespace pf::textprint
