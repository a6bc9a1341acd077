// Test main for the suites that need a real X display (run-under-xvfb provides one).
// Defining main here keeps the offscreen main of znl_test_main out of this program.
#include <cstdio>
#include <cstdlib>

#include "support/guirun.h"

int main(int argc, char** argv) {
    if (std::getenv("DISPLAY") == nullptr) {
        std::puts("No X display: run through tests/xvfb/run-under-xvfb.");
        return 77;
    }
    return RunAllTestsOn("xcb", argc, argv);
}
