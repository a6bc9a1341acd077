#pragma once
// A TCP server on 127.0.0.1 for the client's end-to-end suites: it reads one record per
// connection, records it byte for byte, and answers the way the test's responder says.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

class ScriptedServer {
public:
    // Called on the server's thread with the connection and the record it sent. It may write,
    // sleep, or return at once; the connection is closed after the peer closes or the server stops.
    using Responder = std::function<void(int fd, const std::string& request)>;

    explicit ScriptedServer(Responder responder);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    int Port() const { return m_port; }
    std::vector<std::string> Requests() const;
    int Connections() const { return m_connections; }

private:
    void Serve();
    void Converse(int fd);

    Responder m_responder;
    int m_listenFd = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
    std::thread m_thread;
};

// A server record: "ZNLA", the total length in eight digits, the code, the body.
std::string ServerRecord(int code, const std::string& body);

// What a login answer "Y" carries, each field padded to its width.
struct LoginAcceptance {
    int customerNo = 4321;
    std::string fileServerIp = "127.0.0.1";
    int fileServerPort = 1;
    std::string latestVersion = "v.2018.04.06.02";
    std::string updateServerIp;
    std::string displayName = "TAVEN PIC";
};
// The body of that answer, before any extension items.
std::string LoginAcceptanceBody(const LoginAcceptance& fields);
void WriteAllBytes(int fd, const std::string& bytes);

}  // namespace testsupport
