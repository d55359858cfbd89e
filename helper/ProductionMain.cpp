#include "helper/HelperMain.h"
#include "ipc/HelperProtocol.h"

int main(int argc, char** argv) { return ventiq::helperMain(argc, argv, ventiq::ventiqIsAllowedClientPath); }
