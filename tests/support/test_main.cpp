// Test main: a QApplication on the offscreen platform, a private temporary folder (so a
// single-instance server of one test run never meets another's), then every GoogleTest test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runDir;
    if (runDir.isValid()) qputenv("TMPDIR", runDir.path().toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
