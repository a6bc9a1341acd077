#pragma once
// A bare loopback TCP client for talking to znl-service byte by byte, and the few record helpers
// the suites need to build a client's records by hand.
#include <cstdint>
#include <string>

namespace peertest {

class RawClient {
public:
    explicit RawClient(std::uint16_t port);
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool Connected() const { return m_fd >= 0; }
    bool Send(const std::string& bytes);
    // One whole record by its length field; empty when the line closed or the time ran out.
    std::string ReadRecord(int timeoutMs = 20000);
    // Exactly `count` bytes, or fewer when the line closed or the time ran out.
    std::string ReadBytes(std::size_t count, int timeoutMs = 20000);
    // True when the server closed the line (further bytes are dropped on the way).
    bool WaitClosed(int timeoutMs = 20000);
    // True when no byte arrives within the time.
    bool SilentFor(int timeoutMs);

private:
    int m_fd = -1;
};

// "%*lld" and "%0*lld", as the client writes them.
std::string Blanks(long long value, int width);
std::string Zeros(long long value, int width);
// magic, "%08d" of the whole length, "%04d" of the code, then the body.
std::string Record(const char* magic, int code, const std::string& body);
int CodeOf(const std::string& record);
long long NumberAt(const std::string& record, std::size_t offset, std::size_t width);

}  // namespace peertest
