// The reception thread's answers: keep-alive, file header, sub-block, block check, file end, and
// the refusal of anything else.
#include <algorithm>
#include <cstring>
#include <system_error>

#include "core/settings.h"
#include "core/clientsock.h"
#include "core/fsthread_session.h"
#include "core/timedread.h"
#include "core/windowmessages.h"
#include "protocol/wirerecord.h"
#include "platform/clock.h"
#include "protocol/cp949.h"
#include "platform/messagewindow.h"
#include "platform/trace.h"

namespace {

constexpr char kAnswerMagic[] = "ZNLA";
constexpr int kFlagOffset = 16;
constexpr int kFlagOnlyLength = 17;
constexpr int kFileHeaderCode = 2001;
constexpr int kSubBlockCode = 2002;
constexpr int kBlockCheckCode = 2003;
constexpr int kFileEndCode = 2004;
constexpr int kResentSubBlockCode = 2005;

// File header layout.
constexpr int kCustomerNoOffset = 16;
constexpr int kCountWidth = 10;
constexpr int kFolderOffset = 26;
constexpr int kFolderWidth = 250;
constexpr int kNameOffset = 276;
constexpr int kNameWidth = 100;
constexpr int kFileSizeOffset = 376;
constexpr int kCompanionOffset = 390;
constexpr int kFixedFieldsEnd = 390;  // no record has a fixed field beyond
constexpr int kStoredSizeOffset = 17;
constexpr int kFileHeaderAnswerLength = 27;
constexpr int kFileEndAnswerLength = 26;
constexpr int kFileEndCountOffset = 16;
constexpr int kSubBlockNoOffset = 19;
constexpr int kSubBlockNoWidth = 3;
constexpr int kSubBlockDataOffset = 22;

constexpr int kIdleWaitMs = 60000;
constexpr int kFileHeaderWaitMs = 200000;
constexpr int kSubBlockWaitMs = 5000;
constexpr int kBlockCheckWaitMs = 200000;
constexpr int kFileEndWaitMs = 10000;
constexpr auto kProgressPeriod = std::chrono::milliseconds(100);

// A ten-digit count read as the field reader does, but without its 32-bit limit.
std::int64_t GetCountField(const char* record, int offset) {
    const char* pos = record + offset;
    const char* end = pos + kCountWidth;
    while (pos < end && (*pos == ' ' || (*pos >= '\t' && *pos <= '\r'))) ++pos;
    const bool negative = pos < end && *pos == '-';
    if (pos < end && (*pos == '-' || *pos == '+')) ++pos;
    std::int64_t value = 0;
    for (; pos < end && *pos >= '0' && *pos <= '9'; ++pos) value = value * 10 + (*pos - '0');
    return negative ? -value : value;
}

bool IsPadding(char byte) {
    return byte == '\0' || byte == ' ' || (byte >= '\t' && byte <= '\r');
}

// A text field without its trailing padding. A NUL inside the text stays, so that the name checks
// refuse it instead of the text being cut short.
std::string TrimmedField(const char* record, int offset, int width) {
    const char* start = record + offset;
    const char* end = start + width;
    while (end > start && IsPadding(end[-1])) --end;
    return std::string(start, end);
}

std::string WithoutFolderTags(const std::string& folder) {
    std::string kept;
    for (std::size_t at = 0; at < folder.size();) {
        if (folder.compare(at, 3, "01:") == 0) {
            at += 3;
        } else {
            kept += folder[at++];
        }
    }
    while (!kept.empty() && IsPadding(kept.back())) kept.pop_back();
    return kept;
}

}  // namespace

void LogLine(HWND owner, const std::string& line) {
    SendMessage(owner, WM_LOG_MESSAGE, 0, reinterpret_cast<LPARAM>(&line));
}

std::string TraceTime() {
    return platform::FormatLocalTime(platform::Now(), "%H:%M:%S");
}

ReceptionSession::ReceptionSession(CClientSock& sock, int customerNo,
                                   const SharedText& saveFolder)
    : m_sock(sock),
      m_customerNo(customerNo),
      m_saveFolder(saveFolder),
      m_pRecv(std::make_unique<char[]>(RECV_BUFFER_SIZE)),
      m_pAnswer(std::make_unique<char[]>(ANSWER_BUFFER_SIZE)),
      m_nWaitMs(kIdleWaitMs) {}

ReceptionSession::~ReceptionSession() {
    CloseOrDiscardRecvFile(m_File);
}

int ReceptionSession::ReadRecord() {
    return TimedRead(&m_sock, m_pRecv.get(), m_sock.m_iNo, 0, &m_pauseEvent, RECV_BUFFER_SIZE);
}

int ReceptionSession::HandleRecord(int command, int received) {
    // Fixed fields past a short record read as NUL bytes, as in a buffer zeroed before the read;
    // only they can be read there, so only they are zeroed.
    const int end = std::max(received, 0);
    if (end < kFixedFieldsEnd) {
        std::memset(m_pRecv.get() + end, 0, static_cast<std::size_t>(kFixedFieldsEnd - end));
    }
    std::memset(m_pAnswer.get(), 0, ANSWER_BUFFER_SIZE);
    switch (command) {
        case KEEP_ALIVE_CODE:
            OnKeepAlive();
            break;
        case kFileHeaderCode:
            OnFileHeader(received);
            break;
        case kSubBlockCode:
        case kResentSubBlockCode:
            OnSubBlock(received);
            break;
        case kBlockCheckCode:
            OnBlockCheck();
            break;
        case kFileEndCode:
            OnFileEnd();
            break;
        default:
            Refuse();
            break;
    }
    BuildHeader(m_pAnswer.get(), kAnswerMagic, m_nAnswerLength, command);
    if (lcTrace().isDebugEnabled()) {
        const char* answer = m_pAnswer.get();
        platform::Trace(
            "%s 데이터 응답 전송%s\n", TraceTime().c_str(),
            std::string(answer, std::find(answer, answer + m_nAnswerLength, '\0')).c_str());
    }
    return m_nAnswerLength;
}

void ReceptionSession::Refuse() {
    m_pAnswer[kFlagOffset] = 'N';
    m_nAnswerLength = kFlagOnlyLength;
}

void ReceptionSession::EndConnection(const std::string& line) {
    LogLine(m_sock.m_hOwner, line);
    m_sock.m_bStop = 1;
}

void ReceptionSession::OnKeepAlive() {
    // Only the first byte of the number lies inside the 17 bytes that go out.
    PutField(m_pAnswer.get(), kCustomerNoOffset, kCountWidth, "%10d", m_customerNo);
    m_nAnswerLength = kFlagOnlyLength;
    m_nWaitMs = kIdleWaitMs;
}

void ReceptionSession::OnFileHeader(int received) {
    if (m_File.bOpen) {
        EndConnection("에러 수신 준비 파일 작업 있음!");
        Refuse();
        return;
    }
    m_nAnswerLength = kFileHeaderAnswerLength;
    m_nWaitMs = kFileHeaderWaitMs;
    const char* record = m_pRecv.get();
    m_File.nHeaderCustomerNo = GetIntField(record, kCustomerNoOffset, kCountWidth);
    if (m_File.nHeaderCustomerNo != m_customerNo) {
        LogLine(m_sock.m_hOwner, std::to_string(m_File.nHeaderCustomerNo) +
                " != " + std::to_string(m_customerNo) + " 고객 고유번호 이상");
        m_pAnswer[kFlagOffset] = 'N';
        return;
    }
    AcceptFileHeader(received);
}

void ReceptionSession::AcceptFileHeader(int received) {
    const char* record = m_pRecv.get();
    // Checked and opened as UTF-8: the conversion keeps every ASCII byte, separators included.
    m_File.strFolder =
        platform::Cp949ToUtf8(WithoutFolderTags(TrimmedField(record, kFolderOffset, kFolderWidth)));
    m_File.strSaveName = platform::Cp949ToUtf8(TrimmedField(record, kNameOffset, kNameWidth));
    m_File.nFileSize = GetCountField(record, kFileSizeOffset);
    platform::Trace("저장명:%s\n", m_File.strSaveName.c_str());
    platform::Trace("파일사이즈:%lld\n", static_cast<long long>(m_File.nFileSize));
    m_File.nWritten = 0;
    m_Blocks.ResetBlockBytes();
    // The folders come first, so the companion text of a new folder is not lost.
    const bool folderOpen = OpenRecvFolder(m_File, m_saveFolder.Get());
    if (folderOpen)
        WriteCompanionText(record + kCompanionOffset, received - kCompanionOffset, m_File);
    if (!folderOpen || !OpenRecvFile(m_File)) {
        CloseRecvFile(m_File);
        m_pAnswer[kFlagOffset] = 'N';
        LogLine(m_sock.m_hOwner, "파일 수신 준비 오류! [" + m_File.strFolder + "\\" + m_File.strSaveName + "]");
        return;
    }
    m_pAnswer[kFlagOffset] = m_File.nStoredSize > 0 ? 'R' : 'Y';
    PutField(m_pAnswer.get(), kStoredSizeOffset, kCountWidth, "%.10lld",
             static_cast<long long>(m_File.nStoredSize));
    LogLine(m_sock.m_hOwner, "파일 수신 준비 완료! " + m_File.strSaveName +
            "[저장된사이즈:" + FormatThousands(m_File.nStoredSize) +
            "][파일원본사이즈:" + FormatThousands(m_File.nFileSize) + "]");
    const std::string progress =
        "파일명:" + m_File.strSaveName + "  사이즈:" + FormatThousands(m_File.nFileSize);
    SendMessage(m_sock.m_hOwner, WM_RECV_PROGRESS, RECV_PROGRESS_ANNOUNCED,
                reinterpret_cast<LPARAM>(&progress));
    // The announced size, so the form can show how much of the file is there.
    PostMessage(m_sock.m_hOwner, WM_RECV_PROGRESS, RECV_PROGRESS_FILE_SIZE,
                static_cast<LPARAM>(m_File.nFileSize));
    m_bProgressDue = true;
}

void ReceptionSession::OnSubBlock(int received) {
    if (!m_File.bOpen) {
        EndConnection("수신 파일이 오픈되어 있지 않음!");
        Refuse();
        return;
    }
    const char* record = m_pRecv.get();
    switch (m_Blocks.StoreSubBlock(record, received)) {
        case SubBlockFault::Number:
            EndConnection("수신 서브블럭 번호 오류! [" +
                          std::to_string(GetIntField(record, kSubBlockNoOffset, kSubBlockNoWidth)) +
                          "]");
            Refuse();
            return;
        case SubBlockFault::Size:
            EndConnection("수신 서브블럭 크기 오류! [" +
                          std::to_string(received - kSubBlockDataOffset) + "]");
            Refuse();
            return;
        case SubBlockFault::None:
            break;
    }
    m_pAnswer[kFlagOffset] = 'Y';
    m_nAnswerLength = kFlagOnlyLength;
    m_nWaitMs = kSubBlockWaitMs;
    PostProgress();
}

// The form needs no answer and no pointer, so the counts are posted, and only so often that the
// UI thread is not woken for every sub-block. The count is what the file holds so far, a resumed
// file's stored part included, so it can be set against the announced size.
void ReceptionSession::PostProgress() {
    const auto now = std::chrono::steady_clock::now();
    if (!m_bProgressDue && now - m_lastProgress < kProgressPeriod) return;
    m_bProgressDue = false;
    m_lastProgress = now;
    PostMessage(m_sock.m_hOwner, WM_RECV_PROGRESS, RECV_PROGRESS_RECEIVING,
                static_cast<LPARAM>(m_File.nStoredSize + m_File.nWritten + m_Blocks.BlockBytes()));
}

void ReceptionSession::OnBlockCheck() {
    const BlockCheckResult result = m_Blocks.BlockCheck(m_pRecv.get(), m_pAnswer.get(), m_File);
    m_nAnswerLength = result.answerLength;
    m_nWaitMs = kBlockCheckWaitMs;
    switch (result.outcome) {
        case BlockCheckResult::Outcome::Written:
        case BlockCheckResult::Outcome::Missing:
            break;
        case BlockCheckResult::Outcome::OtherBlock:
            LogLine(m_sock.m_hOwner, "수신 블럭 에러 " + std::to_string(result.heldBlock) + "<->" +
                    std::to_string(result.checkedBlock));
            break;
        case BlockCheckResult::Outcome::BadCount:
            EndConnection("수신 서브블럭 수 오류! [" + std::to_string(result.subBlocks) + "]");
            break;
        case BlockCheckResult::Outcome::NoFile:
            LogLine(m_sock.m_hOwner, "수신 파일이 오픈되어 있지 않음! [블럭 " + std::to_string(result.checkedBlock) +
                    " 버림]");
            break;
        case BlockCheckResult::Outcome::WriteFailed:
            // The file keeps its complete blocks; the next connection resumes after them.
            CloseOrDiscardRecvFile(m_File);
            EndConnection("파일 쓰기 오류! [" + m_File.strFolder + "\\" + m_File.strSaveName +
                          "] " + std::system_category().message(result.error));
            break;
    }
}

void ReceptionSession::OnFileEnd() {
    const bool fileWasOpen = m_File.bOpen;
    CloseRecvFile(m_File);
    const std::int64_t count = GetCountField(m_pRecv.get(), kFileEndCountOffset);
    const std::int64_t onDisk = m_File.nStoredSize + m_File.nWritten;
    if (count != m_File.nWritten) {
        LogLine(m_sock.m_hOwner, "파일 수신 사이즈 틀림! " + FormatThousands(count) + "<->" +
                FormatThousands(m_File.nWritten));
    } else if (fileWasOpen && onDisk != m_File.nFileSize) {
        // The server's count agrees, yet the file is not the size announced: not whole.
        LogLine(m_sock.m_hOwner, "파일 수신 사이즈 틀림! " + FormatThousands(m_File.nFileSize) + "<->" +
                FormatThousands(onDisk));
    } else if (fileWasOpen) {
        LogLine(m_sock.m_hOwner, "파일 수신 완료! [" + FormatThousands(m_File.nWritten) + "]" + m_File.strSaveName);
        SendMessage(m_sock.m_hOwner, WM_RECV_PROGRESS, RECV_PROGRESS_COMPLETE,
                    static_cast<LPARAM>(m_File.nWritten));
    }
    PutField(m_pAnswer.get(), kFileEndCountOffset, kCountWidth, "%10lld",
             static_cast<long long>(m_File.nWritten));
    m_nAnswerLength = kFileEndAnswerLength;
    m_nWaitMs = kFileEndWaitMs;
}
