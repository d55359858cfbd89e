#pragma once
#include <iosfwd>

namespace ventiq {

// The built-in check: the control engine and the helper's fan service run
// together against an in-process two-fan machine, in virtual time. Prints
// one line per check; the result is the process exit status (0 only when
// every check holds).
namespace SelfTest {
int run(std::ostream& out);
}

}  // namespace ventiq
