#pragma once

#include <string>
#include <string_view>

namespace pf {

inline constexpr const char* kProductName = "Plumavert Fennic";

// The product name shortened by whole words to at most 40 characters; the last word always goes.
std::string ShortenedTitle(std::string_view productName);

// Sets the process-wide application title from the product name.
void SetApplicationTitle();

// The title of every message box and input box that has none of its own.
const std::string& ApplicationTitle();

} // namespace pf
