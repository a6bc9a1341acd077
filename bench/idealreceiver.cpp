#include "bench/idealreceiver.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kSubBlockBytes = 100000;
constexpr int kMaxSubBlocks = 101;

bool ReadExact(int fd, char* into, size_t count) {
    while (count > 0) {
        const ssize_t got = ::recv(fd, into, count, 0);
        if (got <= 0) return false;
        into += got;
        count -= static_cast<size_t>(got);
    }
    return true;
}

bool SendAll(int fd, const std::string& bytes) {
    return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
}

long long Field(const std::vector<char>& record, size_t offset, size_t width) {
    return std::atoll(std::string(record.data() + offset, width).c_str());
}

// A record of the client: magic, length, code, body.
std::string Record(const char* magic, int code, const std::string& body) {
    char header[17];
    std::snprintf(header, sizeof header, "%s%08zu%04d", magic, 16 + body.size(), code);
    return header + body;
}

bool ReadRecord(int fd, std::vector<char>& record) {
    record.resize(12);
    if (!ReadExact(fd, record.data(), 12)) return false;
    const long long length = Field(record, 4, 8);
    if (length < 16 || length > kSubBlockBytes + 1000) return false;
    record.resize(static_cast<size_t>(length));
    return ReadExact(fd, record.data() + 12, static_cast<size_t>(length - 12));
}

}  // namespace

IdealReception ReceiveLikeAnIdealClient(int port, int customerNo, int files,
                                        const std::filesystem::path& target,
                                        const FileClosed& closed) {
    IdealReception result;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    std::vector<char> record;
    char customer[11];
    std::snprintf(customer, sizeof customer, "%10d", customerNo);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        !SendAll(fd, Record("ZNLR", 1003, customer)) || !ReadRecord(fd, record)) {
        ::close(fd);
        return result;
    }
    const auto start = std::chrono::steady_clock::now();
    const auto block = std::make_unique<char[]>(size_t{kMaxSubBlocks} * kSubBlockBytes);
    std::vector<size_t> sizes(kMaxSubBlocks, 0);
    std::filesystem::path name;
    int file = -1;
    int ended = 0;
    long long written = 0;
    long long fileBytes = 0;
    while (ended < files && ReadRecord(fd, record)) {
        const int code = static_cast<int>(Field(record, 12, 4));
        std::string answer;
        if (code == 2001) {
            name = target / ("file" + std::to_string(ended));
            file = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            fileBytes = 0;
            answer = "Y0000000000";
        } else if (code == 2002 || code == 2005) {
            const long long k = Field(record, 19, 3);
            if (k < 1 || k > kMaxSubBlocks) break;
            const size_t bytes = record.size() - 22;
            std::copy(record.begin() + 22, record.end(), block.get() + (k - 1) * kSubBlockBytes);
            sizes[static_cast<size_t>(k - 1)] = bytes;
            answer = "Y";
        } else if (code == 2003) {
            const long long count = Field(record, 19, 3);
            for (long long k = 0; k < count && k < kMaxSubBlocks; ++k) {
                const ssize_t put =
                    ::write(file, block.get() + k * kSubBlockBytes, sizes[static_cast<size_t>(k)]);
                if (put > 0) fileBytes += put;
            }
            answer = "Y000000";
        } else if (code == 2004) {
            ::close(file);
            if (closed) closed(name);
            written += fileBytes;
            ++ended;
            char count[24];
            std::snprintf(count, sizeof count, "%10lld", fileBytes);
            answer = count;
        } else if (code == 1006) {
            answer = " ";  // the first byte of the blank-padded customer number, as the client
        } else {
            answer = "N";
        }
        if (!SendAll(fd, Record("ZNLA", code, answer))) break;
    }
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (ended == files) result.bytes = written;
    ::close(fd);
    return result;
}
