#pragma once
#include <string_view>

namespace ventiq {

// The helper program. admits judges a connecting client's executable path;
// it is fixed at build time, so nothing at run time widens admission.
//   (no arguments)   serve until idle or signalled
//   --release-all    hand every fan back to automatic control and exit; does
//                    nothing when EXIT_CODE=exited and EXIT_STATUS=0 say the
//                    helper it follows ended by itself
int helperMain(int argc, char** argv, bool (*admits)(std::string_view path));

// Blocks SIGTERM and SIGINT (the server takes them from a signalfd, so no
// thread can die of them before the fans are handed back) and ignores
// SIGPIPE. Call before any thread starts.
void prepareHelperSignals();

}  // namespace ventiq
