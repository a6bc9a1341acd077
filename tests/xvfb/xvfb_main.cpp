// Test main for the suites that need a real X display (run-under-xvfb provides one): a QApplication
// on the xcb platform, a private TMPDIR and HOME as in the offscreen main, then every test.
// Defining main here keeps the offscreen main of znl_test_main out of this program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (std::getenv("DISPLAY") == nullptr) {
        std::puts("No X display: run through tests/xvfb/run-under-xvfb.");
        return 77;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QTemporaryDir runDir;
    if (runDir.isValid()) {
        qputenv("TMPDIR", runDir.path().toLocal8Bit());
        qputenv("HOME", runDir.path().toLocal8Bit());
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
