// Reception by the programs as users run them, side by side in one run:
//   plain TCP copy   the same bytes over one loopback connection into files, no protocol;
//   ideal receiver   a process that does nothing but the file server's protocol;
//   ideal + SHA-256 + structure
//                    the same, also doing what both clients do with each file on a second
//                    thread: its SHA-256 for the delivery ledger and the structure check of its
//                    JPEG. The reference for znl-client's CPU;
//   ideal + SHA-256 + decode
//                    bench_idealreceiver_checks: that, and a decode of each picture at an eighth
//                    as the window program's check does: the reference for ZNLClient's CPU;
//   ZNLClient        the window program, its window shown on the offscreen platform;
//   znl-client       the program without a window.
// Each protocol receiver is a process of its own, receiving from a fresh znl-service process; the
// client programs are copied alone into a fresh folder beside a settings file with automatic login.
// Rounds rotate the order (backwards in every second round); each round runs every receiver with
// the files in the page cache (warm) and with the page cache dropped (cold, when the benchmark may
// drop it). Printed: rates and their ratio to the ideal receiver (median and range over rounds),
// CPU seconds per GB, how long the first file header after an idle line waits for its answer, and
// resident memory.
//   bench_realprogram [--total-mib N] [--file-mib N] [--rounds N] [--idle-samples N]
//                     [--idle-ms MS] [--keepalive-ms MS] [--settle-ms MS] [--folder DIR]
//                     [--warm-only] [--random-bytes] [--window-program PATH]
//                     [--headless-program PATH]
// The files are copies of one JPEG photo of random pixels, or random bytes with --random-bytes.
// The programs are the ones built beside the benchmark unless given (to compare two builds).
#include <signal.h>
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/benchfiles.h"
#include "bench/noisejpeg.h"
#include "bench/procstat.h"
#include "bench/serviceprocess.h"
#include "platform/privateprofile.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRescanMs = 20;
constexpr std::size_t kLateFileBytes = 150000;  // two sub-blocks
constexpr int kDeliveryWaitMs = 600000;

struct Options {
    std::size_t totalMebibytes = 512;
    std::size_t fileMebibytes = 8;
    int rounds = 5;
    int idleSamples = 3;
    int idleMs = 1000;
    int keepAliveMs = 20000;
    int settleMs = 3000;
    std::optional<fs::path> folder;
    bool cold = true;
    bool randomBytes = false;
    fs::path windowProgram = ZNL_WINDOW_CLIENT_PATH;
    fs::path headlessProgram = ZNL_HEADLESS_CLIENT_PATH;
};

std::optional<Options> ParseOptions(const QStringList& arguments) {
    Options options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        if (option == QLatin1String("--warm-only")) {
            options.cold = false;
            continue;
        }
        if (option == QLatin1String("--random-bytes")) {
            options.randomBytes = true;
            continue;
        }
        if (i + 1 >= arguments.size()) return std::nullopt;
        const QString value = arguments[++i];
        bool number = true;
        if (option == QLatin1String("--folder")) {
            options.folder = value.toStdString();
        } else if (option == QLatin1String("--window-program")) {
            options.windowProgram = value.toStdString();
        } else if (option == QLatin1String("--headless-program")) {
            options.headlessProgram = value.toStdString();
        } else if (option == QLatin1String("--total-mib")) {
            options.totalMebibytes = value.toULong(&number);
        } else if (option == QLatin1String("--file-mib")) {
            options.fileMebibytes = value.toULong(&number);
        } else if (option == QLatin1String("--rounds")) {
            options.rounds = value.toInt(&number);
        } else if (option == QLatin1String("--idle-samples")) {
            options.idleSamples = value.toInt(&number);
        } else if (option == QLatin1String("--idle-ms")) {
            options.idleMs = value.toInt(&number);
        } else if (option == QLatin1String("--keepalive-ms")) {
            options.keepAliveMs = value.toInt(&number);
        } else if (option == QLatin1String("--settle-ms")) {
            options.settleMs = value.toInt(&number);
        } else {
            return std::nullopt;
        }
        if (!number) return std::nullopt;
    }
    if (options.rounds < 1 || options.fileMebibytes < 1 || options.idleSamples < 0 ||
        options.settleMs < 0)
        return std::nullopt;
    return options;
}

enum class Receiver {
    Plain,
    Ideal,
    IdealWithHeadlessDuties,
    IdealWithWindowDuties,
    Window,
    Headless
};
constexpr std::array kReceivers = {Receiver::Plain,
                                   Receiver::Ideal,
                                   Receiver::IdealWithHeadlessDuties,
                                   Receiver::IdealWithWindowDuties,
                                   Receiver::Window,
                                   Receiver::Headless};
constexpr std::array kProtocolReceivers = {Receiver::Ideal, Receiver::IdealWithHeadlessDuties,
                                           Receiver::IdealWithWindowDuties, Receiver::Window,
                                           Receiver::Headless};

// The order rotates from round to round, and runs backwards in every second round, so that no
// receiver always follows the same one: what the one before leaves in memory shows in the next.
Receiver ReceiverAtTurn(int round, std::size_t turn) {
    const std::size_t count = kReceivers.size();
    const std::size_t place = round % 2 ? count - 1 - turn : turn;
    return kReceivers[(place + static_cast<std::size_t>(round)) % count];
}

bool IsIdeal(Receiver receiver) {
    return receiver == Receiver::Ideal || receiver == Receiver::IdealWithHeadlessDuties ||
           receiver == Receiver::IdealWithWindowDuties;
}

// The ideal receiver that does what `receiver` does with each photo: the ledger's SHA-256 and the
// structure check for both clients, the picture decode for the window program only.
Receiver ReferenceFor(Receiver receiver) {
    switch (receiver) {
        case Receiver::Window:
            return Receiver::IdealWithWindowDuties;
        case Receiver::Headless:
            return Receiver::IdealWithHeadlessDuties;
        default:
            return receiver;
    }
}

const char* NameOf(Receiver receiver) {
    switch (receiver) {
        case Receiver::Plain:
            return "plain TCP copy";
        case Receiver::Ideal:
            return "ideal receiver";
        case Receiver::IdealWithHeadlessDuties:
            return "ideal + SHA-256 + structure";
        case Receiver::IdealWithWindowDuties:
            return "ideal + SHA-256 + decode";
        case Receiver::Window:
            return "ZNLClient";
        case Receiver::Headless:
            return "znl-client";
    }
    return "";
}

// One reception by one receiver.
struct Measure {
    double seconds = 0;
    double cpuSeconds = -1;
    double mainThreadCpuSeconds = -1;
    double ledgerCpuSeconds = -1;  // the ledger's thread: each photo's SHA-256 and its rows
    long readyKb = -1;             // at the file server's greeting, before the first photo
    long quarterKb = -1;           // once a quarter of the files were delivered
    long endKb = -1;               // once every file was delivered
    long peakKb = -1;
    std::vector<double> firstAnswerMs;  // first file header after an idle line to its answer
};

struct Bench {
    Options options;
    fs::path root;
    fs::path source;
    std::vector<fs::path> files;
    std::uintmax_t totalBytes = 0;
};

// With the page cache dropped (cold) or holding every source file (warm); either way the
// write-back of the previous reception is done. Then a pause: in a virtual machine the memory the
// previous reception's files held goes back to the host a few seconds after they were removed,
// and pages taken again from there are slow to fill. Without the pause, a receiver that starts
// quickly writes into memory still at hand and one that starts slowly does not.
void PrepareMemory(const Bench& bench, bool cold) {
    ::sync();
    if (cold) {
        std::ofstream("/proc/sys/vm/drop_caches") << "3\n";
    } else {
        std::vector<char> buffer(1 << 20);
        for (const fs::path& file : bench.files) {
            std::ifstream in(file, std::ios::binary);
            while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()))) {
            }
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(bench.options.settleMs));
}

bool MayDropPageCache() {
    std::ofstream out("/proc/sys/vm/drop_caches");
    return out.good();
}

fs::path ProgramOf(Receiver receiver, const Options& options) {
    return receiver == Receiver::Window ? options.windowProgram : options.headlessProgram;
}

// The program copied alone into `run`, with a settings file that signs in by itself.
void PrepareRunFolder(const fs::path& program, const fs::path& run, int loginPort) {
    fs::copy_file(program, run / program.filename());
    const std::string settings = (run / "FsIni.ini").string();
    platform::WritePrivateProfileString("BasicInfo", "LoginServerIP", "127.0.0.1", settings);
    platform::WritePrivateProfileString("BasicInfo", "LoginServerPort", std::to_string(loginPort),
                                        settings);
    platform::WritePrivateProfileString("BasicInfo", "자동로그인", "1", settings);
    platform::WritePrivateProfileString("BasicInfo", "아이디", kBenchUserId, settings);
    platform::WritePrivateProfileString("BasicInfo", "패스워드", kBenchPassword, settings);
    platform::WritePrivateProfileString("SaveFolder", "사진저장폴더", (run / "photos").string(),
                                        settings);
}

void StartReceiver(QProcess& process, Receiver receiver, const Bench& bench, const fs::path& run,
                   const ServiceProcess& service) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The single-instance socket lives in TMPDIR: a receiver left over elsewhere is not met.
    environment.insert(QStringLiteral("TMPDIR"), QString::fromStdString((run / "tmp").string()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(QString::fromStdString(run.string()));
    process.setStandardOutputFile(QString::fromStdString((run / "output.txt").string()));
    process.setStandardErrorFile(QString::fromStdString((run / "output.txt").string()),
                                 QIODevice::Append);
    if (IsIdeal(receiver)) {
        const int files = static_cast<int>(bench.files.size()) + bench.options.idleSamples;
        QStringList arguments = {QString::number(service.FilePort()),
                                 QString::number(kBenchCustomerNo), QString::number(files),
                                 QString::fromStdString((run / "photos").string())};
        if (receiver == Receiver::IdealWithHeadlessDuties) arguments << QStringLiteral("--digest");
        process.start(receiver == Receiver::IdealWithWindowDuties
                          ? QStringLiteral(ZNL_IDEAL_RECEIVER_CHECKS_PATH)
                          : QStringLiteral(ZNL_IDEAL_RECEIVER_PATH),
                      arguments);
    } else {
        const fs::path program = ProgramOf(receiver, bench.options);
        process.start(QString::fromStdString((run / program.filename()).string()), {});
    }
}

// The ideal receiver numbers its files; the clients keep the served tree.
bool ReceivedIntact(Receiver receiver, const Bench& bench, const fs::path& photos) {
    if (IsIdeal(receiver)) {
        return BytesBelow(photos) ==
               bench.totalBytes +
                   kLateFileBytes * static_cast<std::size_t>(bench.options.idleSamples);
    }
    return std::all_of(bench.files.begin(), bench.files.end(), [&](const fs::path& file) {
        std::error_code error;
        return fs::file_size(photos / fs::relative(file, bench.source), error) ==
               fs::file_size(file);
    });
}

// A file appears in the served folder whole, the way a new photo reaches the service.
void DropLateFile(const Bench& bench, int number) {
    const fs::path made = bench.root / "late.part";
    std::ofstream(made, std::ios::binary) << std::string(kLateFileBytes, static_cast<char>(number));
    fs::create_directories(bench.source / "zz-late");
    fs::rename(made, bench.source / "zz-late" / ("late" + std::to_string(number) + ".jpg"));
}

// The idle line: the time from each late file's header to its answer.
bool MeasureFirstAnswers(const Bench& bench, ServiceProcess& service, Measure& measure) {
    for (int sample = 0; sample < bench.options.idleSamples; ++sample) {
        std::this_thread::sleep_for(std::chrono::milliseconds(bench.options.idleMs));
        DropLateFile(bench, sample);
        const auto answer = service.WaitFor("header-answer-us ", kDeliveryWaitMs);
        if (!answer || !service.WaitFor("files-done ", kDeliveryWaitMs)) return false;
        measure.firstAnswerMs.push_back(std::stod(answer->line.substr(17)) / 1000);
    }
    return true;
}

void EndReceiver(QProcess& process, Receiver receiver) {
    if (!IsIdeal(receiver)) ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    if (!process.waitForFinished(20000)) {
        std::fprintf(stderr, "%s did not end; killed\n", NameOf(receiver));
        process.kill();
        process.waitForFinished(5000);
    }
}

std::optional<Measure> ReceiveByProgram(Receiver receiver, const Bench& bench, bool cold) {
    const fs::path run = bench.root / "run";
    fs::create_directories(run / "photos");
    fs::create_directories(run / "tmp");
    ServiceProcess service;
    if (!service.Start(bench.source, bench.options.keepAliveMs, kRescanMs)) return std::nullopt;
    if (!IsIdeal(receiver))
        PrepareRunFolder(ProgramOf(receiver, bench.options), run, service.LoginPort());
    PrepareMemory(bench, cold);

    QProcess process;
    StartReceiver(process, receiver, bench, run, service);
    const auto greeting = service.WaitFor("greeting ", 60000);
    if (!greeting || !greeting->line.ends_with(" Y")) {
        std::fprintf(stderr, "%s was not greeted (see %s)\n", NameOf(receiver),
                     (run / "output.txt").c_str());
        return std::nullopt;
    }
    const auto pid = static_cast<pid_t>(process.processId());
    Measure measure;
    const double cpuBefore = ProcessCpuSeconds(pid);
    const double mainThreadCpuBefore = MainThreadCpuSeconds(pid);
    const double ledgerCpuBefore = NamedThreadsCpuSeconds(pid, "ledger");
    measure.readyKb = ReadProcessMemory(pid).residentKb;
    std::size_t delivered = 0;
    const std::size_t quarter = std::max<std::size_t>(1, bench.files.size() / 4);
    const auto done = service.WaitFor("files-done ", kDeliveryWaitMs, [&](const std::string& line) {
        if (line.starts_with("file delivered ") && ++delivered == quarter)
            measure.quarterKb = ReadProcessMemory(pid).residentKb;
    });
    if (!done) {
        std::fprintf(stderr, "%s: not every file was delivered\n", NameOf(receiver));
        return std::nullopt;
    }
    measure.seconds = std::chrono::duration<double>(done->at - greeting->at).count();
    measure.cpuSeconds = SettledCpuSeconds(pid) - cpuBefore;
    measure.mainThreadCpuSeconds = MainThreadCpuSeconds(pid) - mainThreadCpuBefore;
    measure.ledgerCpuSeconds = NamedThreadsCpuSeconds(pid, "ledger") - ledgerCpuBefore;
    measure.endKb = ReadProcessMemory(pid).residentKb;
    // The late files only where the ideal receiver expects them: in the warm rounds.
    const bool late = !cold && MeasureFirstAnswers(bench, service, measure);
    // VmHWM read at the end was seen below a VmRSS read before it (14.7 against 14.9 MB; the
    // kernel keeps both counts only roughly): the peak is the highest of all.
    const ProcessMemory last = ReadProcessMemory(pid);
    measure.peakKb = std::max({last.peakKb, last.residentKb, measure.quarterKb, measure.endKb});
    if (IsIdeal(receiver) && !late) process.kill();
    EndReceiver(process, receiver);
    const bool intact =
        delivered == bench.files.size() && ReceivedIntact(receiver, bench, run / "photos");
    fs::remove_all(bench.source / "zz-late");
    if (!intact && (!IsIdeal(receiver) || late)) {
        std::fprintf(stderr, "%s: the received files are not intact (kept in %s)\n",
                     NameOf(receiver), run.c_str());
        return std::nullopt;
    }
    fs::remove_all(run);
    return measure;
}

std::optional<Measure> ReceiveByPlainCopy(const Bench& bench, bool cold) {
    const fs::path target = bench.root / "plain";
    fs::create_directories(target);
    PrepareMemory(bench, cold);
    Measure measure;
    measure.seconds = PlainCopySeconds(bench.files, target);
    const bool intact = BytesBelow(target) == bench.totalBytes;
    fs::remove_all(target);
    if (!intact) return std::nullopt;
    return measure;
}

struct Spread {
    double median = 0, low = 0, high = 0;
};

Spread SpreadOf(std::vector<double> values) {
    if (values.empty()) return {};
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

void PrintSpread(const char* format, const std::vector<double>& values) {
    const Spread spread = SpreadOf(values);
    std::printf(format, spread.median, spread.low, spread.high);
}

using Results = std::map<Receiver, std::vector<Measure>>;

void PrintRates(const Bench& bench, const Results& results, const char* memory) {
    const std::vector<Measure>& ideal = results.at(Receiver::Ideal);
    std::printf("\n%s: MB/s median (range) | ratio to the ideal receiver of the same round\n",
                memory);
    const double megabytes = static_cast<double>(bench.totalBytes) / 1e6;
    for (Receiver receiver : kReceivers) {
        std::vector<double> rates, ratios;
        const std::vector<Measure>& measures = results.at(receiver);
        for (std::size_t round = 0; round < measures.size(); ++round) {
            rates.push_back(megabytes / measures[round].seconds);
            ratios.push_back(ideal[round].seconds / measures[round].seconds);
        }
        std::printf("  %-28s", NameOf(receiver));
        PrintSpread("%9.1f (%.1f-%.1f)", rates);
        PrintSpread(" | ratio %.3f (%.3f-%.3f)\n", ratios);
    }
}

void PrintCpu(const Bench& bench, const std::vector<Results>& byMemory) {
    const double gigabytes = static_cast<double>(bench.totalBytes) / 1e9;
    std::printf(
        "\nCPU seconds per GB, until the receiver is at rest (all rounds) | ratio to the ideal"
        " receiver of the same round | ratio to the ideal receiver with the same duties | of it "
        "the main"
        " thread | of it the ledger's thread | ratio to the ideal receiver without the ledger's"
        " thread\n");
    for (Receiver receiver : kProtocolReceivers) {
        std::vector<double> perGigabyte, ratios, dutyRatios, mainThread, ledger,
            ratiosWithoutLedger;
        for (const Results& results : byMemory) {
            const std::vector<Measure>& measures = results.at(receiver);
            for (std::size_t round = 0; round < measures.size(); ++round) {
                perGigabyte.push_back(measures[round].cpuSeconds / gigabytes);
                ratios.push_back(measures[round].cpuSeconds /
                                 results.at(Receiver::Ideal)[round].cpuSeconds);
                dutyRatios.push_back(measures[round].cpuSeconds /
                                     results.at(ReferenceFor(receiver))[round].cpuSeconds);
                mainThread.push_back(measures[round].mainThreadCpuSeconds / gigabytes);
                ledger.push_back(measures[round].ledgerCpuSeconds / gigabytes);
                ratiosWithoutLedger.push_back(
                    (measures[round].cpuSeconds - measures[round].ledgerCpuSeconds) /
                    results.at(Receiver::Ideal)[round].cpuSeconds);
            }
        }
        std::printf("  %-28s", NameOf(receiver));
        PrintSpread("%6.2f (%.2f-%.2f)", perGigabyte);
        PrintSpread(" | ratio %.2f (%.2f-%.2f)", ratios);
        PrintSpread(" | ratio %.2f (%.2f-%.2f)", dutyRatios);
        PrintSpread(" | %.2f (%.2f-%.2f)", mainThread);
        PrintSpread(" | %.2f (%.2f-%.2f)", ledger);
        PrintSpread(" | ratio %.2f (%.2f-%.2f)\n", ratiosWithoutLedger);
    }
}

void PrintFirstAnswersAndMemory(const std::vector<Results>& byMemory) {
    std::printf("\nFirst file after an idle line, header to answer: ms median (range), samples\n");
    for (Receiver receiver : kProtocolReceivers) {
        std::vector<double> all;
        for (const Measure& measure : byMemory.front().at(receiver))
            all.insert(all.end(), measure.firstAnswerMs.begin(), measure.firstAnswerMs.end());
        std::printf("  %-28s", NameOf(receiver));
        PrintSpread("%7.2f (%.2f-%.2f)", all);
        std::printf(", %zu\n", all.size());
    }
    std::printf(
        "\nResident memory, MB: at ready | a quarter delivered | all delivered | peak"
        " (medians; peak: highest)\n");
    for (Receiver receiver : kProtocolReceivers) {
        std::vector<double> ready, quarter, end;
        double peak = 0;
        for (const Results& results : byMemory) {
            for (const Measure& measure : results.at(receiver)) {
                ready.push_back(static_cast<double>(measure.readyKb) / 1024);
                quarter.push_back(static_cast<double>(measure.quarterKb) / 1024);
                end.push_back(static_cast<double>(measure.endKb) / 1024);
                peak = std::max(peak, static_cast<double>(measure.peakKb) / 1024);
            }
        }
        std::printf("  %-28s%6.1f | %6.1f | %6.1f | %6.1f\n", NameOf(receiver),
                    SpreadOf(ready).median, SpreadOf(quarter).median, SpreadOf(end).median, peak);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::optional<Options> options = ParseOptions(QCoreApplication::arguments());
    if (!options) {
        std::fprintf(stderr,
                     "usage: bench_realprogram [--total-mib N] [--file-mib N] [--rounds N]"
                     " [--idle-samples N] [--idle-ms MS] [--keepalive-ms MS] [--settle-ms MS]"
                     " [--folder DIR] [--warm-only] [--random-bytes] [--window-program PATH]"
                     " [--headless-program PATH]\n");
        return 2;
    }
    QTemporaryDir work =
        options->folder
            ? QTemporaryDir(QString::fromStdString((*options->folder / "bench-XXXXXX").string()))
            : QTemporaryDir();
    if (!work.isValid()) {
        std::fprintf(stderr, "cannot make a work folder: %s\n", qPrintable(work.errorString()));
        return 1;
    }
    Bench bench;
    bench.options = *options;
    bench.root = work.path().toStdString();
    bench.source = bench.root / "source";
    // Photos as users receive them: the picture check finds them sound and their thumbnails are
    // decoded. Random bytes named .jpg take the damaged-photo path instead, at every photo.
    const std::size_t fileBytes = options->fileMebibytes * 1024 * 1024;
    const std::string photo = options->randomBytes ? std::string() : NoiseJpegOfAbout(fileBytes);
    if (!options->randomBytes && photo.empty()) {
        std::fprintf(stderr, "cannot make a JPEG photo (is Qt's JPEG plugin installed?)\n");
        return 1;
    }
    bench.files =
        MakeSourceFiles(bench.source, options->totalMebibytes * 1024 * 1024, fileBytes, photo);
    for (const fs::path& file : bench.files) bench.totalBytes += fs::file_size(file);
    std::vector<bool> memories = {false};
    if (options->cold && MayDropPageCache()) {
        memories.push_back(true);
    } else if (options->cold) {
        std::printf("note: the page cache cannot be dropped here (needs root): warm rounds only\n");
    }
    std::printf("%zu files, %.1f MB, %d rounds, in %s\n", bench.files.size(),
                static_cast<double>(bench.totalBytes) / 1e6, options->rounds, bench.root.c_str());

    std::vector<Results> byMemory(memories.size());
    for (int round = 0; round < options->rounds; ++round) {
        for (std::size_t m = 0; m < memories.size(); ++m) {
            for (std::size_t turn = 0; turn < kReceivers.size(); ++turn) {
                const Receiver receiver = ReceiverAtTurn(round, turn);
                const std::optional<Measure> measure =
                    receiver == Receiver::Plain ? ReceiveByPlainCopy(bench, memories[m])
                                                : ReceiveByProgram(receiver, bench, memories[m]);
                if (!measure) return 1;
                std::printf("round %d %-4s %-28s %8.1f MB/s\n", round + 1,
                            memories[m] ? "cold" : "warm", NameOf(receiver),
                            static_cast<double>(bench.totalBytes) / 1e6 / measure->seconds);
                byMemory[m][receiver].push_back(*measure);
            }
        }
    }
    for (std::size_t m = 0; m < memories.size(); ++m)
        PrintRates(bench, byMemory[m], memories[m] ? "cold memory" : "warm memory");
    PrintCpu(bench, byMemory);
    PrintFirstAnswersAndMemory(byMemory);
    return 0;
}
