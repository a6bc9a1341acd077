#pragma once
// Runs every GoogleTest test in a QApplication on the Qt platform named.
int RunAllTestsOn(const char* platform, int argc, char** argv);
