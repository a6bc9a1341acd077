// The form's folder-list upload: the size check before connecting, the record on the fresh
// login-server connection, and the server's verdict.
#include "core/folderlistrecord.h"
#include "core/clientsock.h"
#include "protocol/cp949.h"
#include "gui/ovrinview.h"
#include "gui/timerids.h"

namespace {

constexpr int kReplyTimeoutMs = 3000;
constexpr int kVerdictOffset = 16;
constexpr char kTooLarge[] =
    "전송 폴더 사이즈가 큽니다!\r\n폴더 항목 수를 줄여 주세요!\r\n만약 현재 등록된 폴더가 전송 꼭 "
    "전송되어야 한다면 업체 담당에게 연락 해 주세요!";

}  // namespace

bool COvrinView::CheckFolderListSize() {
    if (FolderListRecordLength(FolderNames()) <= FOLDER_LIST_RECORD_SIZE) return true;
    AddLog(kTooLarge);
    return false;
}

void COvrinView::SendFolderList(int iNo) {
    const std::optional<std::string> record =
        BuildFolderListRecord(m_Account.nCustomerNo, FolderNames());
    if (!record) {
        // The list grew past the limit while the connection was being made.
        AddLog(kTooLarge);
        OnSockRelease(static_cast<WPARAM>(iNo), 0);
        return;
    }
    const int length = static_cast<int>(record->size());
    if (m_pClientSock[iNo]->Send(record->data(), length) == length) {
        SetTimer(TIMER_REPLY_TIMEOUT, kReplyTimeoutMs);
        return;
    }
    AddLog("폴더 리스트 전송 에러!");
    // No answer can come for a record that did not go out: the slot is not kept waiting.
    OnSockRelease(static_cast<WPARAM>(iNo), 0);
}

void COvrinView::HandleFolderListReply(int, const char* answer) {
    const char verdict = answer[kVerdictOffset];
    if (verdict == 'Y') {
        AddLog("폴더 리스트 서버 저장 완료!");
    } else if (verdict == 'N') {
        AddLog("폴더 리스트 서버 저장 실패!");
    } else {
        // A missing byte shows as nothing between the brackets rather than cutting the line.
        const std::string letter =
            verdict == '\0' ? std::string() : platform::Cp949ToUtf8(std::string(1, verdict));
        AddLog("알수 없는 응답[" + letter + "]!\r\n다시 시도 해주세요!");
    }
}
