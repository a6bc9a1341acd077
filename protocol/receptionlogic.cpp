// The answers: keep-alive, file header, sub-block, block check, file end, and the refusal of
// anything else.
#include "protocol/receptionlogic.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <utility>

#include "protocol/fileheader.h"
#include "protocol/savepath.h"
#include "protocol/showntext.h"
#include "protocol/thousands.h"
#include "protocol/wirerecord.h"

namespace {

constexpr char kAnswerMagic[] = "ZNLA";
constexpr int kAnswerBufferSize = 1000;
constexpr int kFlagOffset = 16;
constexpr int kFlagOnlyLength = 17;
constexpr int kFileHeaderCode = 2001;
constexpr int kSubBlockCode = 2002;
constexpr int kBlockCheckCode = 2003;
constexpr int kFileEndCode = 2004;
constexpr int kResentSubBlockCode = 2005;

constexpr int kCustomerNoOffset = 16;
constexpr int kCountWidth = 10;
constexpr int kStoredSizeOffset = 17;
constexpr int kFileHeaderAnswerLength = 27;
constexpr int kFileEndAnswerLength = 26;
constexpr int kFileEndCountOffset = 16;
constexpr int kSubBlockNoOffset = 19;
constexpr int kSubBlockNoWidth = 3;
constexpr int kSubBlockDataOffset = 22;

constexpr int kFileHeaderWaitMs = 200000;
constexpr int kSubBlockWaitMs = 5000;
constexpr int kBlockCheckWaitMs = 200000;
constexpr int kFileEndWaitMs = 10000;
constexpr auto kProgressPeriod = std::chrono::milliseconds(100);
// The "R" answer's ten digits: a stored file longer than this cannot be named to the server.
constexpr std::int64_t kLongestStoredCount = 9'999'999'999;

}  // namespace

ReceptionLogic::ReceptionLogic(int customerNo, FileStore& store, std::span<char> blockBuffer)
    : m_customerNo(customerNo),
      m_store(store),
      m_answer(std::make_unique<char[]>(kAnswerBufferSize)),
      m_blocks(blockBuffer) {}

ReceptionLogic::~ReceptionLogic() {
    if (m_file.isOpen) m_store.CloseOrDiscard();
}

RecordOutcome ReceptionLogic::HandleRecord(int command, std::span<char> buffer, int received,
                                           TimePoint now) {
    // Fixed fields past a short record read as NUL bytes, as in a buffer zeroed before the read;
    // only they can be read there, so only they are zeroed.
    const int end = std::max(received, 0);
    if (end < FILE_HEADER_FIXED_END) {
        std::memset(buffer.data() + end, 0, static_cast<std::size_t>(FILE_HEADER_FIXED_END - end));
    }
    const char* record = buffer.data();
    std::memset(m_answer.get(), 0, kAnswerBufferSize);
    m_endConnection = false;
    m_endReason.clear();
    switch (command) {
        case KEEP_ALIVE_CODE:
            OnKeepAlive();
            break;
        case kFileHeaderCode:
            OnFileHeader(record, received);
            break;
        case kSubBlockCode:
        case kResentSubBlockCode:
            OnSubBlock(record, received, now);
            break;
        case kBlockCheckCode:
            OnBlockCheck(record);
            break;
        case kFileEndCode:
            OnFileEnd(record);
            break;
        default:
            Refuse();
            break;
    }
    if (m_answerLength > 0) BuildHeader(m_answer.get(), kAnswerMagic, m_answerLength, command);
    return {std::span<const char>(m_answer.get(), static_cast<std::size_t>(m_answerLength)),
            m_waitMs, m_endConnection, std::move(m_endReason), std::exchange(m_reports, {})};
}

void ReceptionLogic::Refuse() {
    m_answer[kFlagOffset] = 'N';
    m_answerLength = kFlagOnlyLength;
}

void ReceptionLogic::EndConnection(std::string line, std::string reason) {
    m_endReason = std::move(reason);
    Report(ReceptionReport::Kind::Line, std::move(line));
    m_endConnection = true;
}

void ReceptionLogic::EndUnanswered(std::string line, std::string reason) {
    EndConnection(std::move(line), std::move(reason));
    m_answerLength = 0;
}

void ReceptionLogic::Report(ReceptionReport::Kind kind, std::string text, std::int64_t count) {
    m_reports.push_back({kind, std::move(text), count});
}

void ReceptionLogic::OnKeepAlive() {
    // Only the first byte of the number lies inside the 17 bytes that go out.
    PutField(m_answer.get(), kCustomerNoOffset, kCountWidth, "%10d", m_customerNo);
    m_answerLength = kFlagOnlyLength;
    m_waitMs = kIdleWaitMs;
}

void ReceptionLogic::OnFileHeader(const char* record, int received) {
    if (m_file.isOpen) {
        EndConnection("에러 수신 준비 파일 작업 있음!", "받는 중에 새 파일 헤더");
        Refuse();
        return;
    }
    m_answerLength = kFileHeaderAnswerLength;
    m_waitMs = kFileHeaderWaitMs;
    const int headerCustomerNo = GetIntField(record, kCustomerNoOffset, kCountWidth);
    if (headerCustomerNo != m_customerNo) {
        Report(ReceptionReport::Kind::Line, std::to_string(headerCustomerNo) +
                                                " != " + std::to_string(m_customerNo) +
                                                " 고객 고유번호 이상");
        m_answer[kFlagOffset] = 'N';
        return;
    }
    AcceptFileHeader(record, received);
}

void ReceptionLogic::AcceptFileHeader(const char* record, int received) {
    const FileHeader header = ReadFileHeader(record, received);
    m_file.folderText = header.folder;
    m_file.saveName = header.name;
    m_file.fileSize = header.fileSize;
    m_file.written = 0;
    m_blocks.ResetBlockBytes();
    // The folders come first, so the companion text of a new folder is not lost.
    StoreFault fault = m_store.OpenFolder(m_file.folderText, m_file.saveName);
    if (!fault.Failed()) {
        std::string companionLine = m_store.WriteCompanionText(header.companionList);
        if (!companionLine.empty()) Report(ReceptionReport::Kind::Line, std::move(companionLine));
    }
    OpenedFile opened;
    if (!fault.Failed()) {
        opened = m_store.OpenFile(
            {m_file.fileSize, std::clamp<std::int64_t>(m_file.fileSize, 0, kLongestStoredCount)});
        fault = opened.fault;
    }
    if (fault.Failed()) {
        m_store.Close();
        NotAccepted(fault);
        return;
    }
    if (!opened.note.empty()) Report(ReceptionReport::Kind::Line, std::move(opened.note));
    m_file.storedSize = opened.storedSize;
    m_file.isOpen = true;
    const std::string name = ShownText(m_file.saveName);
    m_answer[kFlagOffset] = m_file.storedSize > 0 ? 'R' : 'Y';
    PutField(m_answer.get(), kStoredSizeOffset, kCountWidth, "%.10lld",
             static_cast<long long>(m_file.storedSize));
    Report(ReceptionReport::Kind::Line,
           "파일 수신 준비 완료! " + name + "[저장된사이즈:" + FormatThousands(m_file.storedSize) +
               "][파일원본사이즈:" + FormatThousands(m_file.fileSize) + "]");
    Report(ReceptionReport::Kind::Announced,
           "파일명:" + name + "  사이즈:" + FormatThousands(m_file.fileSize));
    // The announced size, so that a face can show how much of the file is there.
    Report(ReceptionReport::Kind::FileSize, {}, m_file.fileSize);
    m_progressDue = true;
}

void ReceptionLogic::NotAccepted(const StoreFault& fault) {
    const std::string line = "파일 수신 준비 오류! [" + ShownText(m_file.folderText) + "\\" +
                             ShownText(m_file.saveName) + "] " + fault.reason;
    switch (fault.kind) {
        case StoreFault::Kind::Refused:
            m_answer[kFlagOffset] = 'N';
            Report(ReceptionReport::Kind::Line, line);
            break;
        case StoreFault::Kind::SaveFolderUnusable:
            // Said to the user once by the session, not at every connection that finds it so.
            Report(ReceptionReport::Kind::SaveFolderProblem, fault.reason);
            m_endConnection = true;
            m_endReason = "사진 저장 폴더를 쓸 수 없음";
            m_answerLength = 0;
            break;
        case StoreFault::Kind::NotNow:
        case StoreFault::Kind::None:
            EndUnanswered(line, "파일을 지금 받을 수 없음");
            break;
    }
}

bool ReceptionLogic::FileStillThere() {
    const StoreFault fault = m_store.CheckFile();
    if (!fault.Failed()) return true;
    // What was written went to a file the name no longer leads to: never claimed, and the next
    // connection receives the photo again.
    m_store.Close();
    m_file.isOpen = false;
    EndUnanswered("수신 중인 파일이 사라짐! [" + ShownText(m_file.folderText) + "\\" +
                      ShownText(m_file.saveName) + "] " + fault.reason,
                  "받던 파일의 경로가 바뀜");
    return false;
}

void ReceptionLogic::OnSubBlock(const char* record, int received, TimePoint now) {
    if (!m_file.isOpen) {
        EndConnection("수신 파일이 오픈되어 있지 않음!", "받는 파일 없이 서브블럭");
        Refuse();
        return;
    }
    switch (m_blocks.StoreSubBlock(record, received)) {
        case SubBlockFault::Number:
            EndConnection(
                "수신 서브블럭 번호 오류! [" +
                    std::to_string(GetIntField(record, kSubBlockNoOffset, kSubBlockNoWidth)) + "]",
                "잘못된 서브블럭");
            Refuse();
            return;
        case SubBlockFault::Size:
            EndConnection(
                "수신 서브블럭 크기 오류! [" + std::to_string(received - kSubBlockDataOffset) + "]",
                "잘못된 서브블럭");
            Refuse();
            return;
        case SubBlockFault::None:
            break;
    }
    m_answer[kFlagOffset] = 'Y';
    m_answerLength = kFlagOnlyLength;
    m_waitMs = kSubBlockWaitMs;
    ReportProgress(now);
}

// Reported only so often that the window is not woken for every sub-block. The count is what the
// file holds so far, a resumed file's stored part included, so it can be set against the
// announced size.
void ReceptionLogic::ReportProgress(TimePoint now) {
    if (!m_progressDue && now - m_lastProgress < kProgressPeriod) return;
    m_progressDue = false;
    m_lastProgress = now;
    Report(ReceptionReport::Kind::Receiving, {},
           m_file.storedSize + m_file.written + m_blocks.BlockBytes());
}

void ReceptionLogic::OnBlockCheck(const char* record) {
    const BlockCheckResult result = m_blocks.BlockCheck(record, m_answer.get(), m_file, m_store);
    m_answerLength = result.answerLength;
    m_waitMs = kBlockCheckWaitMs;
    switch (result.outcome) {
        case BlockCheckResult::Outcome::Written:
            FileStillThere();
            break;
        case BlockCheckResult::Outcome::Missing:
            break;
        case BlockCheckResult::Outcome::OtherBlock:
            Report(ReceptionReport::Kind::Line, "수신 블럭 에러 " +
                                                    std::to_string(result.heldBlock) + "<->" +
                                                    std::to_string(result.checkedBlock));
            break;
        case BlockCheckResult::Outcome::BadCount:
            EndConnection("수신 서브블럭 수 오류! [" + std::to_string(result.subBlocks) + "]",
                          "잘못된 블럭 확인");
            break;
        case BlockCheckResult::Outcome::NoFile:
            Report(ReceptionReport::Kind::Line, "수신 파일이 오픈되어 있지 않음! [블럭 " +
                                                    std::to_string(result.checkedBlock) + " 버림]");
            break;
        case BlockCheckResult::Outcome::WriteFailed:
            // The file keeps its complete blocks; the next connection resumes after them.
            m_store.CloseOrDiscard();
            m_file.isOpen = false;
            EndConnection("파일 쓰기 오류! [" + ShownText(m_file.folderText) + "\\" +
                              ShownText(m_file.saveName) + "] " +
                              std::system_category().message(result.error),
                          "파일 쓰기 실패");
            Report(ReceptionReport::Kind::DiskProblem,
                   "사진을 디스크에 쓸 수 없음: " + std::system_category().message(result.error));
            break;
        case BlockCheckResult::Outcome::PastSize:
            m_store.CloseOrDiscard();
            m_file.isOpen = false;
            EndConnection("수신 블럭이 파일 크기를 넘음! [" + ShownText(m_file.saveName) +
                              "][저장:" + FormatThousands(m_file.storedSize + m_file.written) +
                              "][블럭:" + FormatThousands(result.blockBytes) +
                              "][파일원본사이즈:" + FormatThousands(m_file.fileSize) + "]",
                          "알린 크기보다 긴 파일");
            break;
    }
}

void ReceptionLogic::OnFileEnd(const char* record) {
    const std::int64_t count = GetCountField(record, kFileEndCountOffset);
    const std::int64_t onDisk = m_file.storedSize + m_file.written;
    m_answerLength = kFileEndAnswerLength;
    m_waitMs = kFileEndWaitMs;
    const bool whole = count == m_file.written && onDisk == m_file.fileSize;
    if (m_file.isOpen && whole && !FileStillThere()) return;
    const bool fileWasOpen = m_file.isOpen;
    if (fileWasOpen && whole) {
        m_store.CloseCompleted();
    } else {
        m_store.Close();
    }
    m_file.isOpen = false;
    if (count != m_file.written) {
        Report(ReceptionReport::Kind::Line, "파일 수신 사이즈 틀림! " + FormatThousands(count) +
                                                "<->" + FormatThousands(m_file.written));
    } else if (fileWasOpen && onDisk != m_file.fileSize) {
        // The server's count agrees, yet the file is not the size announced: not whole.
        Report(ReceptionReport::Kind::Line, "파일 수신 사이즈 틀림! " +
                                                FormatThousands(m_file.fileSize) + "<->" +
                                                FormatThousands(onDisk));
    } else if (fileWasOpen) {
        Report(ReceptionReport::Kind::Line, "파일 수신 완료! [" + FormatThousands(m_file.written) +
                                                "]" + ShownText(m_file.saveName));
        Report(ReceptionReport::Kind::Completed,
               PathBelowSaveFolder(m_file.folderText, m_file.saveName), m_file.written);
    }
    PutField(m_answer.get(), kFileEndCountOffset, kCountWidth, "%10lld",
             static_cast<long long>(m_file.written));
}
