// The ideal receiver as a program of its own, so that it is started, timed and measured exactly
// like the client programs beside it.
//   bench_idealreceiver PORT CUSTOMER_NO FILES TARGET_FOLDER
// Ends with 0 once FILES files were received and written below TARGET_FOLDER.
#include <cstdio>
#include <cstdlib>

#include "bench/idealreceiver.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_idealreceiver PORT CUSTOMER_NO FILES TARGET_FOLDER\n");
        return 2;
    }
    const IdealReception reception = ReceiveLikeAnIdealClient(
        std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
    return reception.bytes >= 0 ? 0 : 1;
}
