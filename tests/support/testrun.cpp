#include "support/testrun.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

int RunAllTestsOn(const char* platform, int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", platform);
    QTemporaryDir runDir;
    if (runDir.isValid()) {
        qputenv("TMPDIR", runDir.path().toLocal8Bit());
        qputenv("HOME", runDir.path().toLocal8Bit());
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
