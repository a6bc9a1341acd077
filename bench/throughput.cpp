// Throughput of photo reception, side by side in one run:
//   plain:  the same files sent over a loopback TCP connection and written to files, no protocol;
//   ideal:  the same files pushed by znl-service to a receiver that does nothing but the protocol;
//   client: the files pushed by znl-service (a separate process) and received by the real client
//           code (login, connection table, reception thread, file store, block assembly).
// Prints both rates, their ratio, and the client's CPU seconds per GB.
//   bench_throughput [MEGABYTES [FOLDER]]   (default 256, in the temporary folder)
// On a disk the kernel's write-back of earlier runs throttles both sides by turns; a FOLDER on
// tmpfs (/dev/shm) compares the receivers themselves.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>

#include <sys/resource.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "bench/benchfiles.h"
#include "bench/idealreceiver.h"
#include "core/clientsession.h"
#include "core/settings.h"
#include "platform/privateprofile.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kFileBytes = 8 * 1000 * 1000 + 12345;  // several blocks and a tail

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// Three plain copies, each into a fresh folder; their durations.
std::vector<double> PlainCopies(const std::vector<fs::path>& files, const fs::path& target) {
    std::vector<double> seconds;
    for (int copy = 0; copy < 3; ++copy) {
        fs::create_directories(target);
        seconds.push_back(PlainCopySeconds(files, target));
        fs::remove_all(target);
    }
    return seconds;
}

constexpr int kCustomerNo = 7;

struct ServicePorts {
    int login = 0;
    int file = 0;
};

// znl-service with the bench account, pushing every file below `source`; zero ports when it did
// not start.
ServicePorts StartService(QProcess& service, const fs::path& source) {
    service.setProgram(QString::fromStdString(ZNL_SERVICE_PATH));
    service.setArguments({QStringLiteral("--account"),
                          QStringLiteral("bench:pw:%1:bench").arg(kCustomerNo),
                          QStringLiteral("--folder"), QString::fromStdString(source.string()),
                          QStringLiteral("--keepalive-ms"), QStringLiteral("0")});
    service.start();
    service.waitForReadyRead(10000);
    const QByteArray first = service.readLine();
    ServicePorts ports;
    if (std::sscanf(first.constData(), "znl-service login=%d file=%d", &ports.login, &ports.file) !=
        2) {
        std::fprintf(stderr, "znl-service did not start: %s\n", first.constData());
        return {};
    }
    return ports;
}

bool SameBytes(const fs::path& a, const fs::path& b) {
    if (!fs::exists(b) || fs::file_size(a) != fs::file_size(b)) return false;
    std::ifstream left(a, std::ios::binary), right(b, std::ios::binary);
    std::vector<char> x(1 << 20), y(1 << 20);
    while (left.read(x.data(), static_cast<std::streamsize>(x.size())) || left.gcount() > 0) {
        right.read(y.data(), left.gcount());
        if (std::memcmp(x.data(), y.data(), static_cast<size_t>(left.gcount())) != 0) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 256;
    QTemporaryDir work =
        argc > 2 ? QTemporaryDir(QString::fromLocal8Bit(argv[2]) + QStringLiteral("/bench-XXXXXX"))
                 : QTemporaryDir();
    if (!work.isValid()) {
        std::fprintf(stderr, "cannot make a work folder: %s\n", qPrintable(work.errorString()));
        return 1;
    }
    const fs::path root = work.path().toStdString();
    const fs::path source = root / "source";
    const std::vector<fs::path> files =
        MakeSourceFiles(source, megabytes * 1000 * 1000, kFileBytes);
    uintmax_t totalBytes = 0;
    for (const fs::path& file : files) totalBytes += fs::file_size(file);
    std::printf("%zu files, %.1f MB\n", files.size(), static_cast<double>(totalBytes) / 1e6);

    std::vector<double> plainSeconds = PlainCopies(files, root / "plain");

    QProcess service;
    const ServicePorts ports = StartService(service, source);
    if (ports.login == 0) return 1;
    const int loginPort = ports.login;

    const fs::path home = root / "client";
    fs::create_directories(home / "photos");
    const ProgramFolders paths = ProgramFolders::At(home);
    for (const auto& [key, value] : {std::pair<const char*, std::string>{"자동로그인", "1"},
                                     {"아이디", "bench"},
                                     {"패스워드", "pw"},
                                     {"LoginServerPort", std::to_string(loginPort)}}) {
        platform::WritePrivateProfileString("BasicInfo", key, value, paths.settingsFile);
    }
    platform::WritePrivateProfileString("SaveFolder", "사진저장폴더", (home / "photos").string(),
                                        paths.settingsFile);

    // The session alone, signing in with the stored account as a face would.
    ClientSession session(paths);
    QObject::connect(&session, &ClientSession::signInRequested, &session,
                     [&session](const SignInPrefill& prefill) {
                         session.SignIn(prefill.userId, prefill.password, true);
                     });
    // The clock runs from the greeting's answer, which the first file header follows at once, to
    // the service's report that every file was delivered: sign-in and connect are not reception.
    // An event loop as in the program: a polling loop here would take a core.
    QEventLoop loop;
    bool done = false;
    QElapsedTimer elapsed;
    double cpuBefore = 0;
    QObject::connect(&service, &QProcess::readyReadStandardOutput, &loop, [&] {
        while (service.canReadLine()) {
            const QByteArray line = service.readLine();
            if (line.startsWith("greeting") && !elapsed.isValid()) {
                elapsed.start();
                cpuBefore = CpuSeconds();
            }
            if (line.startsWith("files-done")) {
                done = true;
                loop.quit();
            }
        }
    });
    QTimer::singleShot(std::chrono::minutes(10), &loop, &QEventLoop::quit);
    session.ScheduleStart();
    if (!done) loop.exec();
    if (!done || !elapsed.isValid()) {
        std::fprintf(stderr, "the service did not deliver every file within ten minutes\n");
        return 1;
    }
    const double clientSeconds = static_cast<double>(elapsed.nsecsElapsed()) / 1e9;
    const double cpuSeconds = CpuSeconds() - cpuBefore;
    service.terminate();
    service.waitForFinished(10000);
    // Copies after the client too, so a change of the machine's state during the run shows as a
    // spread instead of skewing the ratio unseen.
    for (const double seconds : PlainCopies(files, root / "plain")) plainSeconds.push_back(seconds);
    std::sort(plainSeconds.begin(), plainSeconds.end());

    // The same files from a fresh service to a receiver that does nothing but the protocol.
    QProcess idealService;
    const ServicePorts idealPorts = StartService(idealService, source);
    if (idealPorts.file == 0) return 1;
    fs::create_directories(root / "ideal");
    const IdealReception ideal = ReceiveLikeAnIdealClient(
        idealPorts.file, kCustomerNo, static_cast<int>(files.size()), root / "ideal");
    idealService.terminate();
    idealService.waitForFinished(10000);
    fs::remove_all(root / "ideal");

    size_t intact = 0;
    for (const fs::path& file : files) {
        intact += SameBytes(file, home / "photos" / fs::relative(file, source)) ? 1 : 0;
    }
    const double gigabytes = static_cast<double>(totalBytes) / 1e9;
    const double megabytesSent = static_cast<double>(totalBytes) / 1e6;
    // The median of the copies is the reference; the fastest and slowest show the spread.
    const double plainRate = megabytesSent / plainSeconds[plainSeconds.size() / 2];
    const double clientRate = megabytesSent / clientSeconds;
    std::printf("files intact          %zu of %zu\n", intact, files.size());
    std::printf("plain TCP copy        %8.1f MB/s (median of %zu, %.1f to %.1f)\n", plainRate,
                plainSeconds.size(), megabytesSent / plainSeconds.back(),
                megabytesSent / plainSeconds.front());
    std::printf("client reception      %8.1f MB/s (from the first file header)\n", clientRate);
    if (ideal.bytes == static_cast<long long>(totalBytes)) {
        const double idealRate = megabytesSent / ideal.seconds;
        std::printf("ideal stop-and-wait   %8.1f MB/s (answers at once, writes every block)\n",
                    idealRate);
        std::printf("ratio ideal/plain     %8.3f\n", idealRate / plainRate);
    } else {
        std::printf("ideal stop-and-wait   failed\n");
    }
    std::printf("ratio client/plain    %8.3f\n", clientRate / plainRate);
    std::printf("client CPU            %8.2f s per GB\n", cpuSeconds / gigabytes);
    return intact == files.size() ? 0 : 1;
}
