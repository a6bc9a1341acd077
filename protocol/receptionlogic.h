#pragma once
// The answers of one file-server connection, without I/O: a record in; the answer, how long to
// wait for the next record and what to report out. The file store and the time are handed to it,
// so it runs the same under a reception thread, a test or a fuzzer.
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "protocol/blockassembly.h"
#include "protocol/filestore.h"

// Room for the largest record, a full sub-block with its header.
inline constexpr int RECV_BUFFER_SIZE = 100500;
inline constexpr int KEEP_ALIVE_CODE = 1006;

struct ReceptionReport {
    enum class Kind {
        Line,       // an activity line: text
        Announced,  // an accepted file, "파일명:...  사이즈:...": text
        FileSize,   // the size its file header announced: count
        Receiving,  // bytes of the file on hand, a resumed file's stored part included: count
        // bytes received of the whole file: count; where it lies below the save folder, its
        // folders and name joined with "/": text
        Completed,
        // The photo save folder cannot be used now: text says why. Said each time it happens;
        // the session tells the user once.
        SaveFolderProblem,
        // A photo could not be written to the disk (full, failing, read-only): text says why.
        // Said each time; a photo completed after it says the disk takes photos again.
        DiskProblem,
    };
    Kind kind;
    std::string text;
    std::int64_t count = 0;

    bool operator==(const ReceptionReport&) const = default;
};

struct RecordOutcome {
    // The whole answer record, valid until the next record. Empty when nothing may be answered:
    // the connection then ends without a word, so the server claims nothing and keeps the file.
    std::span<const char> answer;
    int waitMs;                            // how long to wait for the server while the line is idle
    bool endConnection;                    // the connection ends once the answer is sent
    std::string endReason;                 // why, when it ends
    std::vector<ReceptionReport> reports;  // in the order they happened
};

class ReceptionLogic {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    // The wait before the first record.
    static constexpr int kIdleWaitMs = 60000;

    // customerNo: the signed-in user's, answered in keep-alives and required in file headers.
    // The store must outlive the logic; blockBuffer (BLOCK_BUFFER_SIZE bytes) too, and is the
    // block assembly's alone while the logic lives.
    ReceptionLogic(int customerNo, FileStore& store, std::span<char> blockBuffer);
    // Closes a file still open, removing it when it is empty and nothing was written to it.
    ~ReceptionLogic();
    ReceptionLogic(const ReceptionLogic&) = delete;
    ReceptionLogic& operator=(const ReceptionLogic&) = delete;

    // Handles the `received` bytes at the start of `buffer` as a record of `command`
    // (KEEP_ALIVE_CODE, with nothing received, also for the connection's own keep-alive). Fixed
    // fields beyond the record's end read as NUL bytes: `buffer` holds at least
    // FILE_HEADER_FIXED_END bytes and is zeroed from `received` up to there. `now` paces the
    // progress counts.
    RecordOutcome HandleRecord(int command, std::span<char> buffer, int received, TimePoint now);

    const ReceiveFile& File() const { return m_file; }

private:
    void OnKeepAlive();
    void OnFileHeader(const char* record, int received);
    void AcceptFileHeader(const char* record, int received);
    void OnSubBlock(const char* record, int received, TimePoint now);
    void OnBlockCheck(const char* record);
    void OnFileEnd(const char* record);
    // A header whose file the store did not open: "N" for a name that can never be stored, the
    // end of the connection without an answer for anything that may pass.
    void NotAccepted(const StoreFault& fault);
    // The file is open and its name still leads to it; otherwise the connection ends unanswered.
    bool FileStillThere();
    // The answer to a record that is not handled: the received code and "N".
    void Refuse();
    // The connection ends after this record; the line says what happened, the reason in short
    // why the connection ended.
    void EndConnection(std::string line, std::string reason);
    // The connection ends at once, with no answer to this record.
    void EndUnanswered(std::string line, std::string reason);
    void Report(ReceptionReport::Kind kind, std::string text, std::int64_t count = 0);
    void ReportProgress(TimePoint now);

    const int m_customerNo;
    FileStore& m_store;
    std::unique_ptr<char[]> m_answer;
    int m_answerLength = 0;
    int m_waitMs = kIdleWaitMs;
    bool m_endConnection = false;
    std::string m_endReason;
    std::vector<ReceptionReport> m_reports;
    ReceiveFile m_file;
    BlockAssembly m_blocks;
    // The receiving count is reported at most once per period; the first of a file at once.
    TimePoint m_lastProgress;
    bool m_progressDue = false;
};
