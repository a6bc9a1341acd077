// Test main of the suites: the offscreen platform.
#include "support/testrun.h"

int main(int argc, char** argv) {
    return RunAllTestsOn("offscreen", argc, argv);
}
