// The ideal receiver as a program of its own, so that it is started, timed and measured exactly
// like the client programs beside it.
//   bench_idealreceiver PORT CUSTOMER_NO FILES TARGET_FOLDER [--digest]
//   bench_idealreceiver_checks PORT CUSTOMER_NO FILES TARGET_FOLDER
// Ends with 0 once FILES files were received and written below TARGET_FOLDER. With --digest it
// also does what both clients do with each file once it is closed, on a second thread: the
// SHA-256 of their delivery ledger and the structure check of the JPEG.
// bench_idealreceiver_checks always does that and, on the same thread, decodes each picture as
// the window program's check does. It is built apart so that the plain receiver loads no image
// library and its memory is the protocol's alone.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "bench/fileduties.h"
#include "bench/idealreceiver.h"

#ifdef ZNL_BENCH_CHECK_PICTURES
#include <QCoreApplication>

#include "gui/picturedecode.h"
#endif

int main(int argc, char** argv) {
#ifdef ZNL_BENCH_CHECK_PICTURES
    if (argc != 5) {
        std::fprintf(stderr,
                     "usage: bench_idealreceiver_checks PORT CUSTOMER_NO FILES TARGET_FOLDER\n");
        return 2;
    }
    // Qt's image readers are plug-ins, found through the application object.
    const QCoreApplication app(argc, argv);
    std::optional<FileDuties> duties(
        std::in_place, [](const std::filesystem::path& file) { DecodeForCheck(file.string()); });
#else
    const bool digest = argc == 6 && std::strcmp(argv[5], "--digest") == 0;
    if (argc != 5 && !digest) {
        std::fprintf(
            stderr, "usage: bench_idealreceiver PORT CUSTOMER_NO FILES TARGET_FOLDER [--digest]\n");
        return 2;
    }
    std::optional<FileDuties> duties;
    if (digest) duties.emplace(nullptr);
#endif
    const IdealReception reception =
        ReceiveLikeAnIdealClient(std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]),
                                 argv[4], [&](const std::filesystem::path& file) {
                                     if (duties) duties->Add(file);
                                 });
    const bool done = !duties || duties->Finish();
    return reception.bytes >= 0 && done ? 0 : 1;
}
