#include "headless/passwordinput.h"

#include <termios.h>
#include <unistd.h>

namespace {

std::optional<std::string> ReadLine(std::FILE* in) {
    std::string line;
    for (int c = std::fgetc(in); c != EOF && c != '\n'; c = std::fgetc(in)) {
        line += static_cast<char>(c);
    }
    if (line.empty() && std::feof(in)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

std::optional<std::string> ReadPassword(std::FILE* in, std::FILE* prompt,
                                        const std::string& userId) {
    const int fd = ::fileno(in);
    termios saved{};
    if (!::isatty(fd) || ::tcgetattr(fd, &saved) != 0) return ReadLine(in);
    std::fprintf(prompt, "Password for %s: ", userId.c_str());
    std::fflush(prompt);
    termios silent = saved;
    silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(fd, TCSAFLUSH, &silent);
    std::optional<std::string> password = ReadLine(in);
    ::tcsetattr(fd, TCSAFLUSH, &saved);
    std::fputc('\n', prompt);
    return password;
}
