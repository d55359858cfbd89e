#pragma once
#include <iosfwd>

namespace ventiq {

// The built-in check: the control engine and the helper's fan service run
// together against the simulated two-fan machine, in process and in virtual
// time; nothing is started and no socket is opened. Prints
// one line per check; the result is the process exit status (0 only when
// every check holds).
namespace SelfTest {
int run(std::ostream& out);
}

}  // namespace ventiq
