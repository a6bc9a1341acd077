#include "bench/serviceprocess.h"

#include <cstdio>

ServiceProcess::~ServiceProcess() {
    if (m_process.state() == QProcess::NotRunning) return;
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) m_process.kill();
}

bool ServiceProcess::Start(const std::filesystem::path& folder, int keepAliveMs, int rescanMs) {
    m_process.setProgram(QStringLiteral(ZNL_SERVICE_PATH));
    m_process.setArguments({QStringLiteral("--account"),
                            QString::fromLatin1(kBenchUserId) + QLatin1Char(':') +
                                QString::fromLatin1(kBenchPassword) + QLatin1Char(':') +
                                QString::number(kBenchCustomerNo),
                            QStringLiteral("--folder"), QString::fromStdString(folder.string()),
                            QStringLiteral("--keepalive-ms"), QString::number(keepAliveMs),
                            QStringLiteral("--rescan-ms"), QString::number(rescanMs)});
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    const std::optional<ServiceEvent> first = WaitFor("znl-service ", 10000);
    if (!first || std::sscanf(first->line.c_str(), "znl-service login=%d file=%d", &m_loginPort,
                              &m_filePort) != 2) {
        std::fprintf(stderr, "znl-service did not start\n");
        return false;
    }
    return true;
}

std::optional<ServiceEvent> ServiceProcess::WaitFor(
    std::string_view prefix, int timeoutMs, const std::function<void(const std::string&)>& passed) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        while (m_process.canReadLine()) {
            std::string line = m_process.readLine().trimmed().toStdString();
            const auto at = std::chrono::steady_clock::now();
            if (line.starts_with(prefix)) return ServiceEvent{std::move(line), at};
            if (passed) passed(line);
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0 || m_process.state() == QProcess::NotRunning) return std::nullopt;
        m_process.waitForReadyRead(static_cast<int>(left));
    }
}
