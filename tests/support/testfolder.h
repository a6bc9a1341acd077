#pragma once
// Small helpers shared by the suites.
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "support/patternbytes.h"

namespace testsupport {

// A fresh folder, removed with everything below it when the object goes.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Sets an environment variable, or unsets it given nothing, for the object's life; its old value,
// or its absence, comes back after.
class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(std::string name, const std::optional<std::string>& value);
    ~ScopedEnvironmentVariable();
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

private:
    static void Set(const std::string& name, const std::optional<std::string>& value);

    std::string m_name;
    std::optional<std::string> m_saved;
};

std::string ReadFileBytes(const std::filesystem::path& file);
void WriteFileBytes(const std::filesystem::path& file, const std::string& bytes);

// The moment of the given local date and time.
std::time_t LocalMoment(int year, int month, int day, int hour, int minute, int second);

// Runs the Qt event loop until the condition holds or the time limit passes; returns the condition.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

}  // namespace testsupport
