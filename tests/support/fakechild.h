#pragma once

#include <string>

namespace pf::test {

// Full path of pf_fakechild, the stand-in child process (see tests/support/fakechild.cpp for its options).
std::string FakeChildPath();

} // namespace pf::test
