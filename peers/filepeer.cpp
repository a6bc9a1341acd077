#include "peers/filepeer.h"

#include <algorithm>

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

// Pushes what the customer has not received yet; false when the connection ended on the way.
bool PushCatalogue(PeerLine& line, const ServiceSettings& settings, ServiceJournal& journal,
                   int connection, int customerNo) {
    std::vector<std::string> problems;
    const std::vector<ServedFile> files = CatalogFiles(settings, problems);
    for (const std::string& problem : problems) journal.AddProblem(connection, problem);
    FilePusher pusher(line, settings, journal, connection);
    for (const ServedFile& file : files) {
        if (journal.IsDelivered(customerNo, file.wireFolder, file.wireName)) continue;
        if (!pusher.Push(file, customerNo)) return false;
    }
    ReportEvent(settings, "files-done " + std::to_string(customerNo));
    return true;
}

void KeepIdle(PeerLine& line, const ServiceSettings& settings, ServiceJournal& journal,
              int connection) {
    const int period = settings.keepAliveMs > 0 ? settings.keepAliveMs : PeerLine::kForever;
    const OutRecord keepAlive(1006, 0);
    for (;;) {
        std::string record;
        switch (line.ReadRecord(record, period)) {
            case ReadStatus::Record:
                journal.AddRecord(Peer::File, connection, record);
                break;
            case ReadStatus::TimedOut:
                if (!line.Send(keepAlive.Bytes())) return;
                break;
            case ReadStatus::BadFrame:
                journal.AddProblem(connection, line.FrameError());
                return;
            case ReadStatus::Closed:
            case ReadStatus::Stopped:
                return;
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
    if (PushCatalogue(line, settings, journal, connection, customerNo))
        KeepIdle(line, settings, journal, connection);
}

}  // namespace znlservice
