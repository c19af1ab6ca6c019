#pragma once

#include <string>
#include <string_view>

namespace pf {

class Form;

// Collapses doubled separators in one left-to-right pass and turns a leading run of separators into
// the platform's prefix. Used on every path assembled from a folder and a name.
std::string NormalizePath(std::string_view path);

// "Clear List": empties the list unless the window is busy.
void PushButton3_Click(Form& form);

} // namespace pf
