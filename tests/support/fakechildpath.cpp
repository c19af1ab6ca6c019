#include "fakechild.h"

#include "testsystem.h"

namespace pf::test {

// The stand-in is built beside the test programs; found from the running program, its path is one the
// test's own system understands (a Linux path means nothing to Windows under Wine).
std::string FakeChildPath() {
    return RunningProgramFolder() + NativeSeparators("/") + PF_FAKECHILD_NAME;
}

} // namespace pf::test
