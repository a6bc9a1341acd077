// The connection table: slots, connects, the sockets' notifications and the reconnection rules.
#include "core/clientsock.h"
#include "core/windowmessages.h"
#include "platform/clock.h"
#include "platform/trace.h"
#include "gui/ovrinview.h"
#include "gui/timerids.h"

namespace {

constexpr int SLOTS_PER_GROUP = 50;
constexpr int GROUP_LOGIN = 0;
constexpr int GROUP_FILE = 1;

const char* ServerName(int group) { return group == GROUP_LOGIN ? "로그인 서버" : "파일 전송 서버"; }

std::string Format(const char* format, auto... args) {
    char text[512];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

}  // namespace

// The search wraps within the group from the hint; the group's last slot is never handed out.
// Each usable slot is probed once, so a full group gives -1 instead of searching forever.
int COvrinView::FindFreeSlot(int group, int start) {
    const int first = group * SLOTS_PER_GROUP;
    const int limit = (group + 1) * SLOTS_PER_GROUP - 1;
    int slot = (start >= limit || start < first) ? first : start;
    for (int probe = 0; probe < limit - first; ++probe) {
        platform::Trace("%s m_pClientSock[iNo] : %d\n",
                        platform::FormatLocalTime(platform::Now(), "%H:%M:%S").c_str(),
                        m_pClientSock[slot] ? 1 : 0);
        if (!m_pClientSock[slot]) {
            m_nNextSlot[group] = slot + 1;
            return slot;
        }
        if (++slot >= limit) slot = first;
    }
    return -1;
}

void COvrinView::ConnectServer(int group, int tag) {
    const int slot = FindFreeSlot(group, m_nNextSlot[group]);
    if (slot < 0) {
        AddLog(Format("%s 접속 불가! 사용할 수 있는 연결이 없습니다.", ServerName(group)));
        return;
    }
    auto* sock = new CClientSock;
    m_pClientSock[slot] = sock;
    const bool created = sock->Create();
    sock->m_hOwner = GetSafeHwnd();
    sock->m_iNo = slot;
    sock->m_nGroup = group;
    sock->m_bRefused = 0;
    sock->m_nTag = tag;
    sock->m_strName = ServerName(group);
    if (!g_hSlotEvent[slot]) {
        g_bSlotSignal[slot] = 0;
        g_hSlotEvent[slot] = std::make_unique<ManualResetEvent>();
    }
    if (created) {
        sock->Connect(m_szServerIP[group], m_nServerPort[group]);
    } else {
        // No socket: the attempt fails the way a refused connect does.
        sock->m_bConnected = 0;
        PostMessage(GetSafeHwnd(), WM_SOCK_CONNECT, static_cast<WPARAM>(slot), group);
    }
    const std::string line = Format("%s 접속시도[%d]", m_szServerIP[group].c_str(),
                                    m_nServerPort[group]);
    SendMessage(GetSafeHwnd(), WM_LOG_MESSAGE, 0, reinterpret_cast<LPARAM>(&line));
}

LRESULT COvrinView::OnSockConnect(WPARAM wParam, LPARAM) {
    const int slot = static_cast<int>(wParam);
    CClientSock* sock = m_pClientSock[slot];
    if (!sock) return 0;
    if (sock->m_bConnected) {
        if (sock->m_nGroup == GROUP_LOGIN) {
            const std::string line = Format("[%d] %s Connected!", slot, sock->m_strName.c_str());
            SendMessage(GetSafeHwnd(), WM_LOG_MESSAGE, 0, reinterpret_cast<LPARAM>(&line));
            m_nLoginSlot = slot;
            if (m_nLoginJob == 0) SendLoginRequest(slot);
            if (m_nLoginJob == 1) SendFolderList(slot);
        } else if (m_Account.bLoginOk) {
            m_Account.nFileSlot = slot;
            StartReceptionThread(sock);
        } else {
            // The user logged out while this connect was under way: nobody to receive for.
            ReleaseSocket(slot);
        }
        return 0;
    }
    const std::string line = Format("[%d] %s Connect Fail!", slot, sock->m_strName.c_str());
    SendMessage(GetSafeHwnd(), WM_LOG_MESSAGE, 0, reinterpret_cast<LPARAM>(&line));
    if (!g_bStop) {
        if (sock->m_nGroup == GROUP_LOGIN && m_nLoginJob == 1) {
            // A background upload that cannot reach the server says so; the sign-in it does not
            // belong to stays as it is, so photo reception goes on.
            AddLog("폴더 리스트 전송 에러!");
        } else if (sock->m_nGroup == GROUP_LOGIN) {
            SetLoginResult(false, "로그인 서버 접속 실패!\r\n다시 시도 해주세요!");
        } else if (m_Account.bLoginOk) {
            SetTimer(TIMER_FILE_CONNECT, 2000);
        }
    }
    delete sock;
    m_pClientSock[slot] = nullptr;
    return 0;
}

LRESULT COvrinView::OnSockReceive(WPARAM wParam, LPARAM) {
    const int slot = static_cast<int>(wParam);
    CClientSock* sock = m_pClientSock[slot];
    if (!sock || !g_hSlotEvent[slot]) return 0;
    if (sock->m_nGroup == GROUP_FILE) {
        WakeSlotThread(slot);
        return 0;
    }
    KillTimer(TIMER_REPLY_TIMEOUT);
    ReadServerReply(slot);
    // One exchange per connection: once its answer is dealt with the slot is free again, so
    // logins and uploads never run out of slots.
    ReleaseSocket(slot);
    return 0;
}

LRESULT COvrinView::OnSockClose(WPARAM wParam, LPARAM) {
    const int slot = static_cast<int>(wParam);
    CClientSock* sock = m_pClientSock[slot];
    if (!sock) return 0;
    const std::string line = Format("[%d]%s 소켓 종료 신호 받음!\n", slot, sock->m_strName.c_str());
    AddLog(line);
    platform::Trace("%s", line.c_str());
    sock->m_bStop = 1;
    WakeSlotThread(slot);
    return 0;
}

LRESULT COvrinView::OnSockRelease(WPARAM wParam, LPARAM) {
    const int slot = static_cast<int>(wParam);
    CClientSock* sock = m_pClientSock[slot];
    if (!sock) return 0;
    if (!g_bStop && sock->m_nGroup == GROUP_FILE) {
        if (sock->m_bRefused) {
            SetTimer(TIMER_RELOGIN, 1000);
        } else if (m_Account.bLoginOk && m_Account.bFileReconnect) {
            SetTimer(TIMER_FILE_CONNECT, 1000);
        } else {
            m_Account.bFileReconnect = 1;
        }
    }
    ReleaseSocket(slot);
    return 0;
}

void COvrinView::ReleaseSocket(int slot) {
    CClientSock* sock = m_pClientSock[slot];
    if (!sock) return;
    sock->ShutDown(2);
    sock->Close();
    delete sock;
    m_pClientSock[slot] = nullptr;
}

void COvrinView::WakeSlotThread(int slot) {
    if (!g_hSlotEvent[slot]) return;
    g_bSlotSignal[slot] = 1;
    g_hSlotEvent[slot]->Set();
    g_bSlotSignal[slot] = 0;
}
