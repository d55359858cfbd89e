// The helper program as the helper-link integration test needs it: it admits
// that test executable and nothing else.
#include <string_view>

#include "helper/HelperMain.h"

namespace {
bool admitsLinkTest(std::string_view path) { return path == VENTIQ_LINK_TEST_CLIENT; }
}  // namespace

int main(int argc, char** argv) { return ventiq::helperMain(argc, argv, admitsLinkTest); }
