// znl-service: the photo service's login and file servers on 127.0.0.1, for the demo and the tests.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "peers/commandline.h"
#include "peers/znlservice.h"

int main(int argc, char** argv) {
    using namespace znlservice;
    CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (line.help) {
        std::fputs(UsageText(), stdout);
        return 0;
    }
    if (!line.error.empty()) {
        std::fprintf(stderr, "znl-service: %s\nTry znl-service --help.\n", line.error.c_str());
        return 2;
    }
    std::mutex outputMutex;
    line.settings.onEvent = [&outputMutex](const std::string& event) {
        const std::lock_guard lock(outputMutex);
        std::printf("%s\n", event.c_str());
        std::fflush(stdout);
    };

    // Blocked before any thread starts, so every thread inherits the mask and only sigwait sees
    // them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    ZnlService service(line.settings);
    std::string error;
    if (!service.Start(&error)) {
        std::fprintf(stderr, "znl-service: %s\n", error.c_str());
        return 1;
    }
    {
        const std::lock_guard lock(outputMutex);
        std::printf("znl-service login=%u file=%u\n", static_cast<unsigned>(service.LoginPort()),
                    static_cast<unsigned>(service.FilePort()));
        std::fflush(stdout);
    }
    int received = 0;
    sigwait(&signals, &received);
    service.Stop();
    for (const std::string& problem : service.Problems())
        std::fprintf(stderr, "problem: %s\n", problem.c_str());
    return 0;
}
