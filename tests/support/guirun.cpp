#include "support/guirun.h"

#include <QApplication>

#include "support/testrun.h"

int RunAllTestsOn(const char* platform, int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", platform);
    const PrivateRunFolder folder;
    QApplication app(argc, argv);
    return RunAllTests(argc, argv);
}
