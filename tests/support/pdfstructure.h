#pragma once

// A strict check of a PDF file's own structure, stricter than PDF readers, which repair what they can:
// the cross-reference table that startxref points at, every entry exactly 20 bytes, every object in use
// found at its offset as "N G obj", and the trailer's /Size matching the table.

#include <gtest/gtest.h>
#include <string>

namespace pf::test {

// Success when the file at path has a sound structure; otherwise the first fault found.
testing::AssertionResult HasSoundPdfStructure(const std::string& path);

} // namespace pf::test
