#include "bench/benchfiles.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <random>
#include <string>
#include <thread>

namespace fs = std::filesystem;

std::vector<fs::path> MakeSourceFiles(const fs::path& folder, std::size_t totalBytes,
                                      std::size_t fileBytes, std::string_view photo) {
    std::vector<fs::path> files;
    std::mt19937_64 random(42);
    std::vector<std::uint64_t> words(photo.empty() ? fileBytes / 8 + 1 : 0);
    std::size_t made = 0;
    do {
        const fs::path sub = folder / ("roll" + std::to_string(files.size() / 8));
        fs::create_directories(sub);
        for (auto& word : words) word = random();
        const std::string_view bytes =
            photo.empty() ? std::string_view(reinterpret_cast<const char*>(words.data()), fileBytes)
                          : photo;
        const fs::path file = sub / ("photo" + std::to_string(files.size()) + ".jpg");
        std::ofstream(file, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        files.push_back(file);
        made += bytes.size();
    } while (made < totalBytes);
    return files;
}

std::uintmax_t BytesBelow(const fs::path& folder) {
    std::uintmax_t bytes = 0;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(folder, error)) {
        if (entry.is_regular_file()) bytes += entry.file_size();
    }
    return bytes;
}

double PlainCopySeconds(const std::vector<fs::path>& files, const fs::path& target) {
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, 1);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);

    const auto start = std::chrono::steady_clock::now();
    std::thread sender([&] {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        std::vector<char> buffer(1 << 20);
        for (const fs::path& file : files) {
            std::ifstream in(file, std::ios::binary);
            const std::uint64_t size = fs::file_size(file);
            ::send(fd, &size, sizeof size, MSG_NOSIGNAL);
            while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) ||
                   in.gcount() > 0) {
                const char* data = buffer.data();
                size_t left = static_cast<size_t>(in.gcount());
                while (left > 0) {
                    ssize_t sent = ::send(fd, data, left, MSG_NOSIGNAL);
                    if (sent <= 0) return;
                    data += sent;
                    left -= static_cast<size_t>(sent);
                }
            }
        }
        ::close(fd);
    });
    int fd = ::accept(listener, nullptr, nullptr);
    std::vector<char> buffer(1 << 20);
    for (size_t i = 0; i < files.size(); ++i) {
        std::uint64_t size = 0;
        ::recv(fd, &size, sizeof size, MSG_WAITALL);
        std::ofstream out(target / ("copy" + std::to_string(i)), std::ios::binary);
        while (size > 0) {
            ssize_t got = ::recv(fd, buffer.data(), std::min<size_t>(buffer.size(), size), 0);
            if (got <= 0) break;
            out.write(buffer.data(), got);
            size -= static_cast<std::uint64_t>(got);
        }
    }
    sender.join();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ::close(fd);
    ::close(listener);
    return seconds;
}
