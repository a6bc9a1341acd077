#pragma once
// Runs every GoogleTest test in an application object made by the caller's main, with a private
// temporary folder as TMPDIR and HOME (so a single-instance server or a default save folder of one
// run never meets another's, and tests never create a save folder in the real home). Without
// XDG_CONFIG_HOME, the configuration folder is below that HOME too: no test reaches the user's
// autostart entries.
#include <QTemporaryDir>

// Made before the application object, which reads the environment.
class PrivateRunFolder {
public:
    PrivateRunFolder();

private:
    QTemporaryDir m_folder;
};

int RunAllTests(int& argc, char** argv);
