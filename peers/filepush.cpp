#include "peers/filepush.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <string_view>
#include <vector>

#include "peers/cp949text.h"

namespace znlservice {
namespace {

constexpr int kAnswerWaitMs = 60000;
constexpr int kMaxChecksPerBlock = 50;
constexpr int kBlockNumbers = 1000;  // the three-digit field wraps
constexpr std::int64_t kBlockBytes = kSubBlockBytes * kMaxSubBlocks;

std::string ListText(const std::set<int>& numbers) {
    std::string text;
    for (int number : numbers) text += (text.empty() ? "" : ",") + std::to_string(number);
    return "{" + text + "}";
}

std::string DisplayName(const ServedFile& file) {
    return FromCp949(file.wireFolder.empty() ? file.wireName
                                             : file.wireFolder + "\\" + file.wireName);
}

OutRecord FileHeader(const ServedFile& file, int customerNo, std::int64_t size) {
    OutRecord header(2001, 374 + file.wireCompanion.size());
    header.PutNumber(16, 10, customerNo);
    header.PutText(26, 250, file.wireFolder);
    header.PutText(276, 100, file.wireName);
    header.PutNumber(376, 10, size);
    header.PutText(386, 4, "");
    header.PutText(390, file.wireCompanion.size(), file.wireCompanion);
    return header;
}

OutRecord BlockCheck(int blockNo, int subBlocks) {
    OutRecord check(2003, 6);
    check.PutZeroNumber(16, 3, blockNo % kBlockNumbers);
    check.PutZeroNumber(19, 3, subBlocks);
    return check;
}

// Bytes of a field, empty where the answer is too short to hold it.
std::string_view Field(const std::string& answer, std::size_t offset, std::size_t width) {
    return offset < answer.size() ? std::string_view(answer).substr(offset, width)
                                  : std::string_view();
}

std::set<int> MissingList(const std::string& answer) {
    std::set<int> listed;
    for (std::size_t at = 23; at + 4 <= answer.size(); at += 4)
        listed.insert(static_cast<int>(ReadNumber(answer, at, 3)));
    return listed;
}

std::set<int> AllSubBlocks(int count) {
    std::set<int> all;
    for (int k = 1; k <= count; ++k) all.insert(k);
    return all;
}

}  // namespace

FilePusher::FilePusher(PeerLine& line, const ServiceSettings& settings, ServiceJournal& journal,
                       int connection)
    : m_line(line),
      m_settings(settings),
      m_journal(journal),
      m_connection(connection),
      m_subBlock(2002, 6 + kSubBlockBytes) {}

void FilePusher::Problem(const std::string& text) {
    m_journal.AddProblem(m_connection, text);
}

bool FilePusher::Exchange(const std::string& record, int code, std::string& answer) {
    if (!m_line.Send(record)) return false;
    for (;;) {
        const ReadStatus status = m_line.ReadRecord(answer, kAnswerWaitMs);
        if (status == ReadStatus::BadFrame) Problem(m_line.FrameError());
        if (status == ReadStatus::TimedOut) Problem("no answer to " + std::to_string(code));
        if (status != ReadStatus::Record) return false;
        m_journal.AddRecord(Peer::File, m_connection, answer);
        const int answerCode = RecordCode(answer);
        if (answerCode == 1006) continue;  // the client's keep-alive may cross our record
        if (answer.compare(0, 4, "ZNLA") != 0) Problem("answer magic " + answer.substr(0, 4));
        if (answerCode == code) return true;
        Problem("answer to " + std::to_string(code) + " carries code " +
                std::to_string(answerCode));
        return false;
    }
}

void FilePusher::ExpectLength(const std::string& answer, std::size_t length) {
    if (answer.size() != length)
        Problem("answer to " + std::to_string(RecordCode(answer)) + " of " +
                std::to_string(answer.size()) + " bytes, not " + std::to_string(length));
}

bool FilePusher::SendSubBlock(const FileSource& source, std::int64_t blockOffset,
                              std::int64_t blockBytes, int blockNo, int subBlock) {
    const std::int64_t start = (subBlock - 1) * kSubBlockBytes;
    const auto bytes = static_cast<std::size_t>(std::min(kSubBlockBytes, blockBytes - start));
    m_subBlock.SetBodySize(6 + bytes);
    m_subBlock.PutZeroNumber(16, 3, blockNo % kBlockNumbers);
    m_subBlock.PutZeroNumber(19, 3, subBlock);
    if (!source.Read(blockOffset + start, bytes, m_subBlock.Body() + 6)) {
        Problem("served file cannot be read");
        return false;
    }
    std::string answer;
    if (!Exchange(m_subBlock.Bytes(), 2002, answer)) return false;
    ExpectLength(answer, 17);
    if (answer[16] != 'Y') Problem("sub-block answered " + answer.substr(16, 1));
    ++m_subBlocksAnswered;
    return m_settings.file.dropAfterSubBlocks <= 0 ||
           m_subBlocksAnswered < m_settings.file.dropAfterSubBlocks;
}

bool FilePusher::SendSubBlocks(const FileSource& source, std::int64_t blockOffset,
                               std::int64_t blockBytes, int blockNo,
                               const std::set<int>& subBlocks) {
    for (int k : subBlocks)
        if (!SendSubBlock(source, blockOffset, blockBytes, blockNo, k)) return false;
    return true;
}

bool FilePusher::SendFirstPass(const FileSource& source, std::int64_t blockOffset,
                               std::int64_t blockBytes, int blockNo, const std::set<int>& omitted) {
    std::vector<int> order;
    const int count = static_cast<int>((blockBytes + kSubBlockBytes - 1) / kSubBlockBytes);
    for (int k = 1; k <= count; ++k)
        if (omitted.count(k) == 0) order.push_back(k);
    if (m_settings.file.order == SubBlockOrder::LastFirst && !order.empty())
        std::rotate(order.begin(), order.end() - 1, order.end());
    const int sends = m_settings.file.order == SubBlockOrder::Twice ? 2 : 1;
    for (int k : order)
        for (int i = 0; i < sends; ++i)
            if (!SendSubBlock(source, blockOffset, blockBytes, blockNo, k)) return false;
    return true;
}

bool FilePusher::SendBlock(const FileSource& source, std::int64_t offset, std::int64_t bytes,
                           int blockNo) {
    const int count = static_cast<int>((bytes + kSubBlockBytes - 1) / kSubBlockBytes);
    const std::set<int> all = AllSubBlocks(count);
    std::set<int> unsent;
    std::set_intersection(all.begin(), all.end(), m_settings.file.omitOnFirstPass.begin(),
                          m_settings.file.omitOnFirstPass.end(),
                          std::inserter(unsent, unsent.end()));
    if (!SendFirstPass(source, offset, bytes, blockNo, unsent)) return false;

    bool wrongCheckDue = m_settings.file.wrongBlockCheck;
    const std::string block = "block " + std::to_string(blockNo % kBlockNumbers);
    for (int round = 0; round < kMaxChecksPerBlock; ++round) {
        std::string answer;
        const int checkNo = wrongCheckDue ? blockNo + 1 : blockNo;
        if (!Exchange(BlockCheck(checkNo, count).Bytes(), 2003, answer)) return false;
        if (answer.size() == 20) {  // the client holds sub-blocks of another block
            if (!wrongCheckDue || answer[16] != 'N' ||
                ReadNumber(answer, 17, 3) != blockNo % kBlockNumbers)
                Problem(block + " check answered as for another block: " + answer.substr(16));
            wrongCheckDue = false;
            if (!SendSubBlocks(source, offset, bytes, blockNo, all)) return false;
            unsent.clear();
            continue;
        }
        if (wrongCheckDue) Problem(block + ": check for the next block answered as for this one");
        wrongCheckDue = false;
        const std::set<int> listed = MissingList(answer);
        if (Field(answer, 17, 3) != "000" || ReadNumber(answer, 20, 3) != std::ssize(listed) ||
            answer.size() != 23 + 4 * listed.size())
            Problem(block + " check answer malformed: " + answer.substr(16));
        if (answer[16] == 'Y') {
            if (!unsent.empty()) Problem(block + " claimed complete without " + ListText(unsent));
            return true;
        }
        if (answer[16] != 'N') {
            Problem(block + " check answered " + answer.substr(16, 1));
            return false;
        }
        if (listed != unsent)
            Problem(block + " missing list " + ListText(listed) + ", expected " + ListText(unsent));
        std::set<int> resend;
        std::set_intersection(listed.begin(), listed.end(), all.begin(), all.end(),
                              std::inserter(resend, resend.end()));
        if (!SendSubBlocks(source, offset, bytes, blockNo, resend)) return false;
        unsent.clear();
    }
    Problem(block + " still incomplete after " + std::to_string(kMaxChecksPerBlock) + " checks");
    return false;
}

bool FilePusher::Push(const ServedFile& file, int customerNo) {
    const FileSource source(file);
    if (!source.IsOpen()) {
        Problem("served file cannot be opened: " + file.source.string());
        return true;
    }
    const std::int64_t size = source.Size();
    FileTransfer transfer{.connection = m_connection,
                          .customerNo = customerNo,
                          .wireFolder = file.wireFolder,
                          .wireName = file.wireName,
                          .size = size,
                          .headerAnswer = 0,
                          .storedSize = 0,
                          .bytesSent = 0,
                          .clientCount = -1,
                          .delivered = false};
    const auto finish = [&](bool goOn, const char* outcome) {
        m_journal.AddTransfer(transfer);
        ReportEvent(m_settings, std::string("file ") + outcome + " " +
                                    std::to_string(transfer.bytesSent) + " " + DisplayName(file));
        return goOn;
    };

    const int headerCustomerNo = m_settings.file.headerCustomerNo.value_or(customerNo);
    std::string answer;
    const auto headerSent = std::chrono::steady_clock::now();
    if (!Exchange(FileHeader(file, headerCustomerNo, size).Bytes(), 2001, answer))
        return finish(false, "incomplete");
    // How long the client took to answer the header, for the benchmarks.
    ReportEvent(
        m_settings,
        "header-answer-us " + std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(
                                                 std::chrono::steady_clock::now() - headerSent)
                                                 .count()));
    ExpectLength(answer, 27);
    transfer.headerAnswer = answer[16];
    if (transfer.headerAnswer == 'N') return finish(true, "refused");
    if (transfer.headerAnswer != 'Y' && transfer.headerAnswer != 'R') {
        Problem("file header answered " + answer.substr(16, 1));
        return finish(false, "incomplete");
    }
    transfer.storedSize = ReadNumber(answer, 17, 10);
    if ((transfer.headerAnswer == 'Y') != (transfer.storedSize == 0) || transfer.storedSize > size)
        Problem("file header answered " + answer.substr(16) + " for " + std::to_string(size) +
                " bytes");
    const std::int64_t start = std::clamp<std::int64_t>(transfer.storedSize, 0, size);

    int blockNo = 1;
    for (std::int64_t offset = start; offset < size; offset += kBlockBytes, ++blockNo) {
        const std::int64_t bytes = std::min(kBlockBytes, size - offset);
        if (!SendBlock(source, offset, bytes, blockNo)) return finish(false, "incomplete");
        transfer.bytesSent += bytes;
    }

    OutRecord end(2004, 10);
    end.PutNumber(16, 10, transfer.bytesSent);
    if (!Exchange(end.Bytes(), 2004, answer)) return finish(false, "incomplete");
    ExpectLength(answer, 26);
    transfer.clientCount = ReadNumber(answer, 16, 10);
    transfer.delivered = transfer.clientCount == transfer.bytesSent;
    if (!transfer.delivered)
        Problem("file end of " + std::to_string(transfer.bytesSent) + " bytes answered " +
                std::to_string(transfer.clientCount));
    return finish(true, transfer.delivered ? "delivered" : "incomplete");
}

}  // namespace znlservice
