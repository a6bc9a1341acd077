#include "core/timedread.h"

#include <poll.h>
#include <cerrno>
#include <chrono>
#include <string>

#include "core/clientsock.h"
#include "core/windowmessages.h"
#include "protocol/wirerecord.h"
#include "platform/clock.h"
#include "platform/messagewindow.h"

namespace {

// Magic and length field: what must be in before the record's size is known.
constexpr int kPrefixSize = 12;
constexpr int kLengthOffset = 4;
constexpr int kLengthWidth = 8;
// "ZNLR" and "ZNLA" share it; a piece that starts a record with any other byte is dropped.
constexpr char kMagicFirstByte = 'Z';
constexpr int kPauseMs = 40;
// The empty poll that finds this many before it ends the read (the 52nd in a row).
constexpr int kEmptyPollLimit = 51;

bool StopRequested(const CClientSock& sock, const RecordReadOptions& options) {
    return sock.RunStopped() || (options.stopsOnSocketFlag && sock.m_bStop);
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
    int expected = kPrefixSize;  // the whole record's size once its length field is in
    bool lengthKnown = false;
    bool peerGone = false;
    int emptyPolls = 0;
    while (!StopRequested(sock, options)) {
        const int missing = expected - count;
        int received = SOCKET_ERROR;
        if (missing > 0) {
            received = sock.Receive(buffer + count, missing);
            peerGone = peerGone || PeerGone(received, errno);
        }
        if (received > 0) {
            if (buffer[0] == kMagicFirstByte) count += received;
            emptyPolls = 0;
        } else {
            if (emptyPolls >= kEmptyPollLimit) {
                return {count > 0 ? RecordReadEnd::TimedOut : RecordReadEnd::Silence, count};
            }
            ++emptyPolls;
            Pause(sock, pauseEvent, missing > 0 && !peerGone);
        }
        if (!lengthKnown && count >= kPrefixSize) {
            lengthKnown = true;
            expected = GetIntField(buffer, kLengthOffset, kLengthWidth);
            if (expected > options.bufferSize) return {RecordReadEnd::TooLong, count};
        }
        if (lengthKnown && expected > kPrefixSize && count == expected) {
            return {RecordReadEnd::Complete, count};
        }
    }
    return {RecordReadEnd::Stopped, count};
}

int TimedRead(CClientSock* sock, char* buffer, int iNo, int count, ManualResetEvent* pauseEvent,
              int bufferSize) {
    const RecordReadResult result =
        ReadRecord(*sock, buffer, count, *pauseEvent, {bufferSize, true});
    if (result.end != RecordReadEnd::TimedOut && result.end != RecordReadEnd::TooLong) {
        return result.count;
    }
    std::string text = "[" + sock->m_strName + "][" + std::to_string(iNo) + "] Read TimeOut![" +
                       std::to_string(result.count) + "]";
    SendMessage(sock->m_hOwner, WM_LOG_MESSAGE, 0, reinterpret_cast<LPARAM>(&text));
    sock->m_bStop = 1;
    return 0;
}
