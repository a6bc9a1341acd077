// The form's side of a login exchange: the request, the answer and the recorded result.
#include <cstring>

#include "protocol/programinfo.h"
#include "core/settings.h"
#include "protocol/loginreply.h"
#include "protocol/loginrequest.h"
#include "core/clientsock.h"
#include "core/timedread.h"
#include "core/windowmessages.h"
#include "platform/clock.h"
#include "protocol/cp949.h"
#include "gui/formresource.h"
#include "gui/ovrinview.h"
#include "gui/timerids.h"

void COvrinView::SendLoginRequest(int iNo) {
    const std::string record =
        BuildLoginRequest(m_Account.strUserId, m_Account.strPassword, m_strNickName);
    const int length = static_cast<int>(record.size());
    if (m_pClientSock[iNo]->Send(record.data(), length) == length) {
        SetTimer(TIMER_REPLY_TIMEOUT, 3000);
        return;
    }
    AddLog("로그인 전송 에러!");
    SetLoginResult(false, "로그인 전송 에러!\r\n다시 시도해 주세요!");
}

void COvrinView::ReadServerReply(int iNo) {
    KillTimer(TIMER_REPLY_TIMEOUT);
    char answer[LOGIN_REPLY_SIZE] = {};
    const RecordReadResult read = ReadRecord(*m_pClientSock[iNo], answer, 0, m_hWaitEvent,
                                             {LOGIN_REPLY_SIZE, /*stopsOnSocketFlag=*/false});
    // A stop while waiting ends the read without a time-out: what arrived is interpreted.
    if (read.end != RecordReadEnd::Complete && read.end != RecordReadEnd::Stopped) {
        const std::string text =
            platform::Cp949ToUtf8(std::string_view(answer, strnlen(answer, sizeof answer)));
        char line[LOGIN_REPLY_SIZE + 64];
        std::snprintf(line, sizeof line, "로그인 소켓 Read TimeOut![%d][%s]", read.count,
                      text.c_str());
        AddLog(line);
        const std::string failure = m_nLoginJob == 0
                                        ? "로그인 응답 읽기 오류!\r\n다시 시도 해주세요!"
                                        : "폴더 전송 응답 읽기 오류!\r\n다시 시도 해주세요!";
        SendMessage(GetSafeHwnd(), WM_LOG_MESSAGE, 0, reinterpret_cast<LPARAM>(&failure));
        return;
    }
    if (m_nLoginJob == 0) HandleLoginReply(iNo, answer, read.count);
    if (m_nLoginJob == 1) HandleFolderListReply(iNo, answer);
}

void COvrinView::HandleLoginReply(int, const char* answer, int received) {
    const LoginReply reply = ParseLoginReply(answer, received);
    m_Account.chLoginResult = reply.chResult;
    if (reply.chResult != 'Y') {
        SetLoginResult(false, LoginResultMessage(reply.chResult));
        return;
    }
    m_Account.nCustomerNo = reply.nCustomerNo;
    m_Account.strFileServerIp = reply.strFileServerIp;
    m_Account.nFileServerPort = reply.nFileServerPort;
    m_Account.strLatestVersion = reply.strLatestVersion;
    m_Account.strUpdateServerIp = reply.strUpdateServerIp;
    // An empty display name names nobody: the notice keeps its operator.
    if (!reply.strDisplayName.empty() && reply.strDisplayName != MAKER_NAME) {
        SetDlgItemText(form::IDC_NOTICE, NoticeText(reply.strDisplayName));
    }
    for (const std::string& item : reply.extensionItems) {
        if (ExtensionCode(item) != EXTENSION_NICKNAME || !m_strNickName.empty()) continue;
        // The server's nickname is taken only while the user has none of their own.
        m_strNickName = platform::FitUtf8ToCp949Bytes(ExtensionValue(item), ini::NICKNAME_SIZE - 1);
        SetDlgItemText(form::IDC_NICKNAME, m_strNickName);
        ini::WriteText(ini::BASIC_INFO, ini::NICKNAME, m_strNickName);
    }
    if (IsUpdateDue(m_Account.strLatestVersion, m_Account.strUpdateServerIp)) {
        RunUpdater();
    } else {
        KillTimer(TIMER_FOLDER_UPLOAD);
        SetTimer(TIMER_FOLDER_UPLOAD, 5000);
    }
    SetLoginResult(true, "");
}

void COvrinView::SetLoginResult(bool ok, const std::string& message) {
    m_Account.bLoginOk = ok ? 1 : 0;
    m_Account.strLoginMsg = message;
    PostMessage(m_Account.hLoginDlg, WM_LOGIN_EVENT, 0, 0);
    SetDlgItemText(form::IDC_USER_ID, ok ? m_Account.strUserId : std::string());
    SetDlgItemText(form::IDC_LOGIN_INFO, ok ? "정상 로그인" : "로그인 실패");
    SetDlgItemText(form::IDC_LOGIN_TIME,
                   platform::FormatLocalTime(platform::Now(), "%Y-%m-%d %H:%M:%S"));
}
