// Test main of the window's suites: a QApplication on the offscreen platform.
#include "support/guirun.h"

int main(int argc, char** argv) {
    return RunAllTestsOn("offscreen", argc, argv);
}
