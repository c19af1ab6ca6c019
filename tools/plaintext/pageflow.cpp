#include "pageflow.h"

#include <algorithm>

namespace pf::textprint {

void PageFlow::Add(char32_t ch) {
    if (m_afterCr) {
        m_afterCr = false;
        if (ch == '\n') {
            return; // the second half of CR LF
        }
    }
    switch (ch) {
    case '\r':
        EndLine();
        m_afterCr = true;
        return;
    case '\n':
    case 0x2028: // line separator
    case 0x2029: // paragraph separator
        EndLine();
        return;
    case '\f':
        FormFeed();
        return;
    case '\t':
        Tab();
        return;
    default:
        Place(ch);
    }
}

void PageFlow::SetLinesPerPage(int lines) {
    m_linesPerPage = std::max(1, lines);
}

void PageFlow::FormFeed() {
    if (HasLine()) {
        EndLine();
    }
    if (m_pageOpen) {
        EndPage();
    } else if (!m_pageFilled) {
        BeginPage(); // a form feed at the top of a page that nothing filled prints it blank
        EndPage();
    }
    m_pageFilled = false;
}

void PageFlow::Finish() {
    if (HasLine()) {
        EndLine();
    }
    if (m_pageOpen) {
        EndPage();
    }
    if (m_pages == 0) {
        BeginPage();
        EndPage();
    }
}

int PageFlow::StartLine() {
    if (!m_pageOpen) {
        BeginPage();
    }
    return m_lineOnPage;
}

void PageFlow::FinishLine() {
    if (++m_lineOnPage >= m_linesPerPage) {
        EndPage();
        m_pageFilled = true;
    }
}

void PageFlow::BeginPage() {
    OpenPage();
    m_pageOpen = true;
    m_pageFilled = false;
    m_lineOnPage = 0;
}

void PageFlow::EndPage() {
    ClosePage();
    m_pageOpen = false;
    ++m_pages;
}

} // namespace pf::textprint
