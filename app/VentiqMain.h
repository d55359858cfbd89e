#pragma once

namespace ventiq {

// The program's entry: picks the check mode, the headless application or
// the menu-bar application from the command line and runs it.
struct VentiqMain {
    static int main(int argc, char** argv);
};

}  // namespace ventiq
