// The ideal receiver as a program of its own, so that it is started, timed and measured exactly
// like the client programs beside it.
//   bench_idealreceiver PORT CUSTOMER_NO FILES TARGET_FOLDER [--digest]
// Ends with 0 once FILES files were received and written below TARGET_FOLDER. With --digest it
// also takes the SHA-256 of each file once it is closed, on a second thread, as the clients'
// delivery ledger does: the reference for what a receiver keeping a ledger needs.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "bench/filedigester.h"
#include "bench/idealreceiver.h"

int main(int argc, char** argv) {
    const bool digest = argc == 6 && std::strcmp(argv[5], "--digest") == 0;
    if (argc != 5 && !digest) {
        std::fprintf(
            stderr, "usage: bench_idealreceiver PORT CUSTOMER_NO FILES TARGET_FOLDER [--digest]\n");
        return 2;
    }
    std::optional<FileDigester> digester;
    if (digest) digester.emplace();
    const IdealReception reception =
        ReceiveLikeAnIdealClient(std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]),
                                 argv[4], [&](const std::filesystem::path& file) {
                                     if (digester) digester->Add(file);
                                 });
    const bool digested = !digester || digester->Finish();
    return reception.bytes >= 0 && digested ? 0 : 1;
}
