#include "peers/loginpeer.h"

#include "peers/loginrules.h"
#include "peers/servicerecords.h"

namespace znlservice {
namespace {

constexpr int kRequestWaitMs = 60000;
constexpr std::size_t kOversizedBytesSent = 1100;

std::string AnswerLogin(const std::string& request, const ServiceSettings& settings,
                        std::uint16_t filePort, ServiceJournal& journal, int connection) {
    const LoginJudgement judgement = JudgeLoginRequest(request, settings.accounts);
    for (const std::string& fault : judgement.faults) journal.AddProblem(connection, fault);
    const char letter = LoginLetter(judgement, settings.login);
    journal.AddLogin(
        {connection, judgement.userId, judgement.password, judgement.nickname, letter});
    ReportEvent(settings, "login " + judgement.userId + " " + std::string(1, letter));
    return BuildLoginAnswer(letter, judgement.account, settings, filePort);
}

std::string AnswerFolderList(const std::string& request, const ServiceSettings& settings,
                             ServiceJournal& journal, int connection) {
    const FolderListRequest list = ParseFolderList(request);
    const char letter = settings.refuseFolderList ? 'N' : 'Y';
    journal.AddFolderList({connection, list.customerNo, list.folders, letter});
    ReportEvent(settings, "folder-list " + std::to_string(list.customerNo) + " " +
                              std::string(1, letter) + " " + std::to_string(list.folders.size()));
    return BuildLetterAnswer(1005, letter);
}

// The answer's letter under a length field no client buffer holds.
std::string Oversized(const std::string& answer, int code) {
    OutRecord record(code, kOversizedBytesSent - kHeaderBytes);
    record.PutLetter(16, answer[16]);
    record.ForgeLength(kOversizedLength);
    return record.Bytes();
}

}  // namespace

void ServeLoginConnection(PeerLine& line, const ServiceSettings& settings, std::uint16_t filePort,
                          ServiceJournal& journal, int connection) {
    line.SetTrickle(settings.login.trickle);
    std::string request;
    const ReadStatus status = line.ReadRecord(request, kRequestWaitMs);
    if (status == ReadStatus::BadFrame) journal.AddProblem(connection, line.FrameError());
    if (status != ReadStatus::Record) return;
    journal.AddRecord(Peer::Login, connection, request);
    if (request.compare(0, 4, "ZNLR") != 0)
        journal.AddProblem(connection, "request magic " + request.substr(0, 4));

    const int code = RecordCode(request);
    std::string answer;
    if (code == 1002) {
        answer = AnswerLogin(request, settings, filePort, journal, connection);
    } else if (code == 1005) {
        answer = AnswerFolderList(request, settings, journal, connection);
    } else {
        journal.AddProblem(connection, "login server got code " + std::to_string(code));
        return;
    }
    if (settings.login.silent) {
        line.HoldUntilClosed();
        return;
    }
    if (settings.login.oversizedAnswer) {
        line.Send(Oversized(answer, code));
        line.HoldUntilClosed();
        return;
    }
    // The client closes once it has read the answer; one that does not is closed a while later.
    if (line.Send(answer)) line.HoldUntilClosed(PeerLine::kCloseWaitMs);
}

}  // namespace znlservice
