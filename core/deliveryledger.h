#pragma once
// The delivery ledger: a row for every photo completed (where it lies below the save folder, its
// size, SHA-256, when it was completed and how many resumes it took) and every companion text
// written, kept in an SQLite file in the settings folder. Reception hands changes over and goes on:
// a writer thread hashes the photos and writes the changes in batches. A damaged ledger is set
// aside and made anew, a locked one waited for; either way reception never stops for it.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/fsdeclare.h"
#include "core/ledgerdatabase.h"

// The ledger's file name in the settings folder.
inline constexpr char DELIVERY_LEDGER_FILE[] = "DeliveryLedger.sqlite";

class DeliveryLedger {
public:
    // Tells the user something about the ledger (an activity line); called on the writer thread.
    using LineSink = std::function<void(const std::string& line)>;

    // The writer thread starts at once and opens the file.
    DeliveryLedger(std::string filePath, LineSink sink);
    // Writes what was handed over, then ends the writer.
    ~DeliveryLedger();
    DeliveryLedger(const DeliveryLedger&) = delete;
    DeliveryLedger& operator=(const DeliveryLedger&) = delete;

    // What the ledger holds as completed at `place`. Waits only at the start, until the writer has
    // read the file's completed photos (or failed to).
    std::optional<StoredPhoto> CompletedAt(const PhotoPlace& place) const;

    // The reception's changes; none of them waits for the file.
    void FileOpened(const PhotoPlace& place, bool resumed);
    // `file`: the completed photo, open; its SHA-256 is taken from it on the writer thread. A photo
    // that is the very file the ledger already holds as completed there (sent again whole) is no
    // new delivery and gets no row.
    void PhotoCompleted(const PhotoPlace& place, UniqueFd file);
    void CompanionWritten(const PhotoPlace& place);
    void PhotoMoved(const PhotoPlace& place, const std::string& movedTo);
    // The picture check of the completed photo `photo` at `place` (or wherever it was kept since):
    // "sound", or "damaged: " and why.
    void PictureChecked(const PhotoPlace& place, const StoredPhoto& photo, std::string verdict);

    // Has the writer write what was handed over so far at once, and waits for that attempt: true
    // when nothing is left unwritten.
    bool Flush();
    // No line is told any more: whoever took them is going.
    void Mute();

private:
    struct Handed {
        LedgerChange change;
        UniqueFd file;  // PhotoCompleted: read for its SHA-256, then closed
    };
    using Clock = std::chrono::steady_clock;

    void Hand(LedgerChange change, UniqueFd file = {});
    void Run();
    // Opens the file, setting a damaged one aside; reads what it holds into the index.
    LedgerResult OpenFile();
    // Writes what is unwritten; keeps it when the file is locked or failing, and sets the file
    // aside when it is damaged or has failed for too long.
    void WriteUnwritten();
    // Sets the file aside, says why, and opens a new one.
    LedgerResult Rebuild(const char* why, const QString& error);
    void Say(const std::string& line);
    void MarkIndexRead();

    const std::string m_filePath;
    LedgerDatabase m_database;  // the writer thread's alone

    std::mutex m_sinkMutex;  // held while a line is told, so Mute waits for it
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_indexRead;
    std::condition_variable m_wake;
    std::condition_variable m_attemptDone;
    LineSink m_sink;
    bool m_indexIsRead = false;
    std::map<std::pair<std::string, std::string>, StoredPhoto> m_completed;
    std::deque<Handed> m_handed;
    bool m_stopping = false;
    std::uint64_t m_flushWanted = 0;  // Flush calls so far
    std::uint64_t m_attempts = 0;     // write attempts finished so far
    bool m_allWritten = true;

    // The writer thread's own.
    bool m_fileOpen = false;
    std::vector<LedgerChange> m_unwritten;
    std::optional<Clock::time_point> m_failingSince;
    bool m_toldFailing = false;
    std::thread m_writer;  // last: it starts once everything above is set
};
