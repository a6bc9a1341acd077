#pragma once
// znl-service as a process of its own, serving a folder to the benchmark's account, and the event
// lines it prints, each with the time the benchmark read it.
#include <QProcess>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

inline constexpr int kBenchCustomerNo = 7;
inline constexpr const char* kBenchUserId = "bench";
inline constexpr const char* kBenchPassword = "pw";

struct ServiceEvent {
    std::string line;
    std::chrono::steady_clock::time_point at;
};

class ServiceProcess {
public:
    ServiceProcess() = default;
    ~ServiceProcess();  // ends the service
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    // Starts the service with a keep-alive period on idle lines, looking at `folder` again every
    // `rescanMs` on an idle line; false when it did not start.
    bool Start(const std::filesystem::path& folder, int keepAliveMs, int rescanMs);
    int LoginPort() const { return m_loginPort; }
    int FilePort() const { return m_filePort; }

    // The next event line that starts with `prefix`; the lines before it go to `passed`. Nothing
    // when no such line came within `timeoutMs` or the service ended.
    std::optional<ServiceEvent> WaitFor(std::string_view prefix, int timeoutMs,
                                        const std::function<void(const std::string&)>& passed = {});

private:
    QProcess m_process;
    int m_loginPort = 0;
    int m_filePort = 0;
};
