#pragma once
// Runs every GoogleTest test in a QApplication on `platform`, with a private temporary folder as
// TMPDIR and HOME (so a single-instance server or a default save folder of one run never meets
// another's, and tests never create a save folder in the real home).
int RunAllTestsOn(const char* platform, int argc, char** argv);
