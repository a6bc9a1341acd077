// Test main of the suites below the window: Qt Core's event loop, no QApplication.
#include <QCoreApplication>

#include "support/testrun.h"

int main(int argc, char** argv) {
    const PrivateRunFolder folder;
    QCoreApplication app(argc, argv);
    return RunAllTests(argc, argv);
}
