#pragma once
// The reference for the client in the throughput benchmark: a receiver that does nothing but the
// file server's protocol. It answers every record at once on a blocking socket, takes every block
// as complete and writes it into its file, so it shows what stop-and-wait itself allows here.
#include <filesystem>
#include <functional>

struct IdealReception {
    long long bytes = -1;  // written into files; -1 when the exchange failed
    double seconds = 0;    // from the greeting's answer to the last file end
};

// Called with each file once it is written whole and closed.
using FileClosed = std::function<void(const std::filesystem::path&)>;

// Receives `files` files from the file server at 127.0.0.1:`port` as customer `customerNo`,
// writing them as target/file<N>.
IdealReception ReceiveLikeAnIdealClient(int port, int customerNo, int files,
                                        const std::filesystem::path& target,
                                        const FileClosed& closed = {});
