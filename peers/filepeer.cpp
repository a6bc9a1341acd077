#include "peers/filepeer.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "peers/filecatalog.h"
#include "peers/filepush.h"
#include "peers/loginrules.h"
#include "peers/servicerecords.h"

namespace znlservice {
namespace {

constexpr int kGreetingWaitMs = 60000;
constexpr std::size_t kOversizedBodySent = 1000;

bool IsKnownCustomer(const ServiceSettings& settings, int customerNo) {
    return std::any_of(settings.accounts.begin(), settings.accounts.end(),
                       [&](const Account& account) { return account.customerNo == customerNo; });
}

// The customer number of the client's greeting; false when the first record is not one.
bool ReadGreeting(PeerLine& line, ServiceJournal& journal, int connection, int& customerNo) {
    std::string greeting;
    const ReadStatus status = line.ReadRecord(greeting, kGreetingWaitMs);
    if (status == ReadStatus::BadFrame) journal.AddProblem(connection, line.FrameError());
    if (status != ReadStatus::Record) return false;
    journal.AddRecord(Peer::File, connection, greeting);
    if (RecordCode(greeting) != 1003) {
        journal.AddProblem(connection,
                           "first record has code " + std::to_string(RecordCode(greeting)));
        return false;
    }
    if (greeting.compare(0, 4, "ZNLR") != 0 || greeting.size() != 26)
        journal.AddProblem(connection, "greeting is not 26 bytes under ZNLR: " + greeting);
    customerNo = static_cast<int>(ReadNumber(greeting, 16, 10));
    return true;
}

// Pushes what the customer has not received yet; how many files were offered, -1 when the
// connection ended on the way.
int PushCatalogue(PeerLine& line, const ServiceSettings& settings, ServiceJournal& journal,
                  int connection, int customerNo) {
    std::vector<std::string> problems;
    const std::vector<ServedFile> files = CatalogFiles(settings, problems);
    for (const std::string& problem : problems) journal.AddProblem(connection, problem);
    FilePusher pusher(line, settings, journal, connection);
    int offered = 0;
    for (const ServedFile& file : files) {
        if (journal.IsDelivered(customerNo, file.wireFolder, file.wireName)) continue;
        if (!pusher.Push(file, customerNo)) return -1;
        ++offered;
    }
    return offered;
}

void ReportFilesDone(const ServiceSettings& settings, int customerNo) {
    ReportEvent(settings, "files-done " + std::to_string(customerNo));
}

// The idle line: a keep-alive after each period without a record of the client and, with a
// rescan period, the files that appeared in the folder meanwhile.
void KeepIdle(PeerLine& line, const ServiceSettings& settings, ServiceJournal& journal,
              int connection, int customerNo) {
    using Clock = std::chrono::steady_clock;
    const auto dueAfter = [](int periodMs) {
        return periodMs > 0 ? Clock::now() + std::chrono::milliseconds(periodMs)
                            : Clock::time_point::max();
    };
    const OutRecord keepAlive(1006, 0);
    Clock::time_point keepAliveDue = dueAfter(settings.keepAliveMs);
    Clock::time_point rescanDue = dueAfter(settings.rescanMs);
    for (;;) {
        const Clock::time_point next = std::min(keepAliveDue, rescanDue);
        const int waitMs =
            next == Clock::time_point::max()
                ? PeerLine::kForever
                : static_cast<int>(std::max<std::int64_t>(
                      0,
                      std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now()).count()));
        std::string record;
        switch (line.ReadRecord(record, waitMs)) {
            case ReadStatus::Record:
                journal.AddRecord(Peer::File, connection, record);
                keepAliveDue = dueAfter(settings.keepAliveMs);
                break;
            case ReadStatus::TimedOut:
                break;
            case ReadStatus::BadFrame:
                journal.AddProblem(connection, line.FrameError());
                return;
            case ReadStatus::Closed:
            case ReadStatus::Stopped:
                return;
        }
        const Clock::time_point now = Clock::now();
        if (now >= keepAliveDue) {
            if (!line.Send(keepAlive.Bytes())) return;
            keepAliveDue = dueAfter(settings.keepAliveMs);
        }
        if (now >= rescanDue) {
            const int offered = PushCatalogue(line, settings, journal, connection, customerNo);
            if (offered < 0) return;
            if (offered > 0) ReportFilesDone(settings, customerNo);
            rescanDue = dueAfter(settings.rescanMs);
        }
    }
}

}  // namespace

void ServeFileConnection(PeerLine& line, const ServiceSettings& settings, ServiceJournal& journal,
                         int connection) {
    line.SetTrickle(settings.file.trickle);
    int customerNo = 0;
    if (!ReadGreeting(line, journal, connection, customerNo)) return;
    if (settings.file.silentAfterGreeting) {
        line.HoldUntilClosed();
        return;
    }
    const bool accepted = !settings.file.refuseGreeting && IsKnownCustomer(settings, customerNo);
    ReportEvent(settings, "greeting " + std::to_string(customerNo) + (accepted ? " Y" : " N"));
    if (!line.Send(BuildLetterAnswer(1003, accepted ? 'Y' : 'N'))) return;
    if (!accepted) {
        line.FinishSending();
        line.HoldUntilClosed(PeerLine::kCloseWaitMs);
        return;
    }
    if (settings.file.oversizedRecord) {
        OutRecord record(2001, kOversizedBodySent);
        record.ForgeLength(kOversizedLength);
        if (line.Send(record.Bytes())) line.HoldUntilClosed();
        return;
    }
    if (PushCatalogue(line, settings, journal, connection, customerNo) < 0) return;
    ReportFilesDone(settings, customerNo);
    KeepIdle(line, settings, journal, connection, customerNo);
}

}  // namespace znlservice
