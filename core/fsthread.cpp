// The reception thread: start, greeting, the main loop of reads, idle waits and answers, and the
// end with the release of the slot.
#include "core/fsthread.h"

#include <poll.h>

#include <algorithm>
#include <memory>
#include <new>
#include <span>
#include <string>

#include "core/clientsock.h"
#include "core/fsthread_session.h"
#include "core/windowmessages.h"
#include "platform/clock.h"
#include "platform/messagewindow.h"
#include "platform/trace.h"
#include "protocol/wirerecord.h"

namespace {

constexpr int kGreetingCode = 1003;
constexpr int kGreetingLength = 26;
constexpr int kGreetingWaitMs = 1000;
constexpr int kCustomerNoOffset = 16;
constexpr int kCustomerNoWidth = 10;
constexpr int kCodeOffset = 12;
constexpr int kCodeWidth = 4;
constexpr int kAnswerFlagOffset = 16;

// An activity line to the session (WM_LOG_MESSAGE).
void LogLine(HWND session, std::string line, WPARAM kind = 0) {
    PostText(session, WM_LOG_MESSAGE, kind, std::move(line));
}

// The time in trace lines, "%H:%M:%S".
std::string TraceTime() {
    return platform::FormatLocalTime(platform::Now(), "%H:%M:%S");
}

// A report of the reception logic to the session. All are posted, in order, never sent: the
// session's thread is the window's in the window program, and waiting for it to finish painting
// at every photo would hold the line still.
void Forward(HWND session, const ReceptionReport& report) {
    switch (report.kind) {
        case ReceptionReport::Kind::Line:
            LogLine(session, report.text);
            break;
        case ReceptionReport::Kind::Announced:
            PostText(session, WM_RECV_PROGRESS, RECV_PROGRESS_ANNOUNCED, report.text);
            break;
        case ReceptionReport::Kind::FileSize:
            PostMessage(session, WM_RECV_PROGRESS, RECV_PROGRESS_FILE_SIZE,
                        static_cast<LPARAM>(report.count));
            break;
        case ReceptionReport::Kind::Receiving:
            PostMessage(session, WM_RECV_PROGRESS, RECV_PROGRESS_RECEIVING,
                        static_cast<LPARAM>(report.count));
            break;
        case ReceptionReport::Kind::Completed:
            PostMessage(session, WM_RECV_PROGRESS, RECV_PROGRESS_COMPLETE,
                        static_cast<LPARAM>(report.count));
            PostText(session, WM_RECV_PROGRESS, RECV_PROGRESS_STORED, report.text);
            break;
        case ReceptionReport::Kind::SaveFolderProblem:
            PostText(session, WM_RECV_PROGRESS, RECV_SAVE_FOLDER_PROBLEM, report.text);
            break;
        case ReceptionReport::Kind::DiskProblem:
            PostText(session, WM_RECV_PROGRESS, RECV_DISK_PROBLEM, report.text);
            break;
    }
}

bool StopRequested(const CClientSock& sock) {
    return sock.stop || sock.RunStopped();
}

bool Readable(const CClientSock& sock) {
    pollfd waiting{sock.Handle(), POLLIN, 0};
    return ::poll(&waiting, 1, 0) > 0;
}

// Resets the slot's event and waits for it at most `milliseconds`; true when the wait ended
// early. Data or a stop that came between the last read and the reset is seen here instead of
// being lost with the event, which would cost the whole wait.
bool WaitOnSlot(const ReceptionLink& link, int milliseconds) {
    CClientSock& sock = *link.sock;
    ManualResetEvent& event = link.run->slots[static_cast<std::size_t>(sock.slot)].event;
    event.Reset();
    // The thread reads the line itself while a transfer runs; only now is the session asked to
    // wake it when data comes.
    sock.ArmReadNotification();
    if (StopRequested(sock) || Readable(sock)) return true;
    return event.Wait(std::chrono::milliseconds(platform::ScaledMilliseconds(milliseconds)));
}

bool SendRecord(CClientSock& sock, const char* record, int length) {
    if (sock.Send(record, length) == length) return true;
    LogLine(sock.owner, sock.serverName + " Send Error!");
    sock.stop = true;
    return false;
}

// Why the connection ended, when the thread itself ended it; otherwise worked out at the end.
struct EndOfConnection {
    std::string reason;
    void Set(std::string why) {
        if (reason.empty()) reason = std::move(why);
    }
};

void Greet(const ReceptionLink& link, ReceptionSession& session, EndOfConnection& end) {
    CClientSock& sock = *link.sock;
    char greeting[kGreetingLength] = {};
    PutField(greeting, kCustomerNoOffset, kCustomerNoWidth, "%10d", link.customerNo);
    BuildHeader(greeting, "ZNLR", kGreetingLength, kGreetingCode);
    SendRecord(sock, greeting, kGreetingLength);
    if (!link.run->slots[static_cast<std::size_t>(sock.slot)].signalling) {
        WaitOnSlot(link, kGreetingWaitMs);
    }
    const int received = session.ReadRecord();
    // An answer cut short by a stop says nothing about whether the server accepts us.
    if (received <= 0 || StopRequested(sock)) {
        if (received <= 0) end.Set("서버가 인사에 답하지 않음");
        sock.stop = true;
    } else if (received <= kAnswerFlagOffset || session.RecvBuffer()[kAnswerFlagOffset] != 'Y') {
        end.Set("서버가 접속을 거절함");
        sock.refused = true;
        sock.stop = true;
    }
}

void TraceRecord(const char* record, int received) {
    if (!lcTrace().isDebugEnabled()) return;
    const std::string text(record, std::find(record, record + received, '\0'));
    platform::Trace("%s 클라이언트 명령어받음:%.4s,%s\n", TraceTime().c_str(), record + kCodeOffset,
                    text.c_str());
}

void TraceAnswer(std::span<const char> answer) {
    if (!lcTrace().isDebugEnabled()) return;
    platform::Trace(
        "%s 데이터 응답 전송%s\n", TraceTime().c_str(),
        std::string(answer.begin(), std::find(answer.begin(), answer.end(), '\0')).c_str());
}

void RunMainLoop(const ReceptionLink& link, ReceptionSession& session, EndOfConnection& end) {
    CClientSock& sock = *link.sock;
    // How long the thread waits for the server when the line is idle, set by the last answer.
    int waitMs = ReceptionLogic::kIdleWaitMs;
    while (!StopRequested(sock)) {
        const int received = session.ReadRecord();
        int command = 0;
        if (!sock.stop && received < 1) {
            platform::Trace("%s 파일 수신 대기\n", TraceTime().c_str());
            WaitOnSlot(link, waitMs);
            if (!link.run->signedIn) {
                end.Set("로그아웃");
                break;
            }
            command = KEEP_ALIVE_CODE;
        }
        if (StopRequested(sock)) break;
        if (received > 0) {
            command = GetIntField(session.RecvBuffer(), kCodeOffset, kCodeWidth);
            TraceRecord(session.RecvBuffer(), received);
            // The server's keep-alive is answered only when nothing else follows it in time.
            if (command == KEEP_ALIVE_CODE && WaitOnSlot(link, waitMs)) continue;
        }
        const RecordOutcome outcome = session.HandleRecord(command, received);
        for (const ReceptionReport& report : outcome.reports) Forward(sock.owner, report);
        if (outcome.endConnection) {
            end.Set(outcome.endReason);
            sock.stop = true;
        }
        waitMs = outcome.waitMs;
        // An empty answer: nothing may be said about this record, the connection just ends.
        if (outcome.answer.empty()) continue;
        TraceAnswer(outcome.answer);
        if (!SendRecord(sock, outcome.answer.data(), static_cast<int>(outcome.answer.size()))) {
            end.Set("응답 전송 오류");
        }
    }
}

// Why a connection the thread did not end itself ended.
std::string EndReason(const ReceptionLink& link) {
    if (link.run->stop) return "프로그램 종료";
    if (!link.run->signedIn) return "로그아웃";
    return "서버가 연결을 끊었거나 응답이 없음";
}

// Returns why the connection ended.
std::string Serve(const ReceptionLink& link) {
    CClientSock& sock = *link.sock;
    std::unique_ptr<ReceptionSession> session;
    try {
        session = std::make_unique<ReceptionSession>(sock, link.customerNo, *link.run);
    } catch (const std::bad_alloc&) {
        LogLine(sock.owner, "[" + sock.serverName + "][" + std::to_string(sock.slot) +
                                "] 수신 버퍼를 할당할 수 없음!");
        return "수신 버퍼 없음";
    }
    EndOfConnection end;
    if (!StopRequested(sock)) Greet(link, *session, end);
    link.run->slots[static_cast<std::size_t>(sock.slot)].signalling = false;
    // The line is up once the server has accepted the greeting: the session's reconnect loop
    // counts that as a success.
    if (!StopRequested(sock)) {
        SendMessage(sock.owner, WM_RECV_STATE, static_cast<WPARAM>(sock.tag), 1);
    }
    RunMainLoop(link, *session, end);
    end.Set(EndReason(link));
    return end.reason;
}

}  // namespace

unsigned ProcessThread(const ReceptionLink& link) {
    CClientSock* sock = link.sock;
    const HWND owner = sock->owner;
    const int iNo = sock->slot;
    const std::string prefix = "[" + sock->serverName + "][" + std::to_string(iNo) + "] ";
    LogLine(owner, prefix + "Process Thread Start!", LOG_ATTEMPT_LINE);
    // The reception's buffers and file are gone before the slot is given back.
    const std::string reason = Serve(link);
    LogLine(owner, prefix + "연결 종료: " + reason);
    SendMessage(owner, WM_RECV_STATE, static_cast<WPARAM>(sock->tag), 0);
    LogLine(owner, prefix + "Process Thread Close!", LOG_ATTEMPT_LINE);
    // The session deletes the socket while handling this: nothing may touch it afterwards.
    SendMessage(owner, WM_SOCK_RELEASE, static_cast<WPARAM>(iNo), 0);
    return 1;
}
