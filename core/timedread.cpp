#include "core/timedread.h"

#include <poll.h>
#include <cerrno>
#include <chrono>
#include <span>
#include <string>

#include "core/clientsock.h"
#include "core/windowmessages.h"
#include "platform/clock.h"
#include "platform/messagewindow.h"
#include "protocol/recordframer.h"

namespace {

constexpr int kPauseMs = 40;
// The empty poll that finds this many before it ends the read (the 52nd in a row).
constexpr int kEmptyPollLimit = 51;

bool StopRequested(const CClientSock& sock, const RecordReadOptions& options) {
    return sock.RunStopped() || (options.stopsOnSocketFlag && sock.stop);
}

bool PeerGone(int received, int error) {
    return received == 0 ||
           (received < 0 && error != EAGAIN && error != EWOULDBLOCK && error != EINTR);
}

// Data arriving may end the pause early only when it can make progress: while bytes are asked
// for and the peer is still there. Otherwise the socket may stay readable and the read would spin.
void Pause(const CClientSock& sock, ManualResetEvent& pauseEvent, bool endsOnData) {
    const int milliseconds = platform::ScaledMilliseconds(kPauseMs);
    if (endsOnData) {
        pollfd readable{sock.Handle(), POLLIN, 0};
        ::poll(&readable, 1, milliseconds);
        return;
    }
    pauseEvent.Reset();
    pauseEvent.Wait(std::chrono::milliseconds(milliseconds));
}

}  // namespace

RecordReadResult ReadRecord(CClientSock& sock, char* buffer, int count,
                            ManualResetEvent& pauseEvent, const RecordReadOptions& options) {
    RecordFramer framer(std::span(buffer, static_cast<std::size_t>(options.bufferSize)));
    framer.Start(count);
    bool peerGone = false;
    int emptyPolls = 0;
    while (!StopRequested(sock, options)) {
        const std::span<char> space = framer.Space();
        int received = SOCKET_ERROR;
        if (!space.empty()) {
            received = sock.Receive(space.data(), static_cast<int>(space.size()));
            peerGone = peerGone || PeerGone(received, errno);
        }
        if (received > 0) {
            framer.Commit(received);
            emptyPolls = 0;
        } else {
            if (emptyPolls >= kEmptyPollLimit) {
                const int size = framer.Size();
                return {size > 0 ? RecordReadEnd::TimedOut : RecordReadEnd::Silence, size};
            }
            ++emptyPolls;
            Pause(sock, pauseEvent, !space.empty() && !peerGone);
        }
        if (framer.Status() == FrameStatus::TooLong) return {RecordReadEnd::TooLong, framer.Size()};
        if (framer.Status() == FrameStatus::Complete) {
            return {RecordReadEnd::Complete, framer.Size()};
        }
    }
    return {RecordReadEnd::Stopped, framer.Size()};
}

int TimedRead(CClientSock* sock, char* buffer, int iNo, int count, ManualResetEvent* pauseEvent,
              int bufferSize) {
    const RecordReadResult result =
        ReadRecord(*sock, buffer, count, *pauseEvent, {bufferSize, true});
    if (result.end != RecordReadEnd::TimedOut && result.end != RecordReadEnd::TooLong) {
        return result.count;
    }
    std::string text = "[" + sock->serverName + "][" + std::to_string(iNo) + "] Read TimeOut![" +
                       std::to_string(result.count) + "]";
    SendMessage(sock->owner, WM_LOG_MESSAGE, 0, reinterpret_cast<LPARAM>(&text));
    sock->stop = true;
    return 0;
}
