// Test main: a QApplication on the offscreen platform, a private temporary folder as TMPDIR and
// HOME (so a single-instance server or a default save folder of one run never meets another's),
// then every GoogleTest test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runDir;
    if (runDir.isValid()) {
        qputenv("TMPDIR", runDir.path().toLocal8Bit());
        // The default photo save folder lies in HOME: tests never create one in the real home.
        qputenv("HOME", runDir.path().toLocal8Bit());
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
