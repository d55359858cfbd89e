#include "app/VentiqMain.h"

int main(int argc, char** argv) { return ventiq::VentiqMain::main(argc, argv); }
