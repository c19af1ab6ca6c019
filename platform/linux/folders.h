#pragma once

// The Linux backend's own folders, beside the ones platform.h offers everyone.

#include <string>

namespace pf::platform {

// The per-user configuration folder: $XDG_CONFIG_HOME, else ~/.config.
std::string ConfigFolder();

} // namespace pf::platform
