#include "support/testrun.h"

#include <gtest/gtest.h>

PrivateRunFolder::PrivateRunFolder() {
    if (!m_folder.isValid()) return;
    qputenv("TMPDIR", m_folder.path().toLocal8Bit());
    qputenv("HOME", m_folder.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
}

int RunAllTests(int& argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
