// Throughput of the JPEG picture check on one large photo, page cache warm: the structure check
// (CheckJpegFile) and the decode at an eighth of the size (DecodeForCheck). Prints figures.
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "bench/noisejpeg.h"
#include "core/picturecheck.h"
#include "gui/picturedecode.h"

namespace {

constexpr int kRounds = 5;

template <typename Work>
double BestSeconds(Work work) {
    double best = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        best = std::min(best, spent.count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const QCoreApplication app(argc, argv);
    const auto file = std::filesystem::temp_directory_path() / "znl-bench-picture.jpg";
    const std::string bytes = NoiseJpeg(6000, 4000);  // tens of megabytes
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
    const double megabytes = static_cast<double>(bytes.size()) / (1024.0 * 1024.0);

    const double structure = BestSeconds([&] {
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (!CheckJpegFile(fd).sound) std::puts("structure: damaged?");
        ::close(fd);
    });
    const double decode = BestSeconds([&] {
        if (DecodeForCheck(file.string()).picture.isNull()) std::puts("decode: failed?");
    });
    std::printf("photo %.1f MiB\n", megabytes);
    std::printf("structure check %.3f s, %.0f MiB/s\n", structure, megabytes / structure);
    std::printf("decode at 1/8   %.3f s, %.0f MiB/s\n", decode, megabytes / decode);
    std::filesystem::remove(file);
    return 0;
}
