// The save-folder list and the photo save folder: loaded at start-up, edited by the user, kept in
// the settings file, and uploaded to the login server a while after the last change of the list.
#include "core/clientsession.h"

#include <filesystem>
#include "core/clientsock.h"
#include "core/folderlistrecord.h"
#include "core/missingdrive.h"
#include "core/savefolders.h"
#include "core/sessiontimers.h"
#include "core/settings.h"
#include "protocol/cp949.h"

namespace {

constexpr int kFolderUploadDelayMs = 5000;
constexpr int kReplyTimeoutMs = 3000;
constexpr int kVerdictOffset = 16;
constexpr char kTooLarge[] =
    "전송 폴더 사이즈가 큽니다!\r\n폴더 항목 수를 줄여 주세요!\r\n만약 현재 등록된 폴더가 전송 꼭 "
    "전송되어야 한다면 업체 담당에게 연락 해 주세요!";

void InsertSorted(QStringList& names, const QString& name) {
    names.insert(SortedFolderPosition(names, name), name);
}

}  // namespace

void ClientSession::LoadSaveFolders() {
    const SaveFolderSetting setting = ReadSaveFolderSetting(m_settings, DefaultSaveFolder());
    if (setting.setAside) {
        Log("설정 파일의 사진 저장 폴더 '" + *setting.setAside +
            "' 는 이 시스템의 절대 경로가 아니어서 쓰지 않습니다. 사진은 " + setting.folder +
            " 에 저장합니다.");
    }
    m_run->saveFolder.Set(setting.folder);
    Q_EMIT saveFolderChanged(QString::fromStdString(setting.folder));
    MakeSaveFolder(setting.folder);
    m_folders.clear();
    for (const QString& name : ReadFolderList(m_settings)) InsertSorted(m_folders, name);
    Q_EMIT foldersChanged(m_folders);
}

// A missing save folder is made, except on the mount point of a drive that is not there: that
// would fill the disk below it. Reception waits for the folder meanwhile.
void ClientSession::MakeSaveFolder(const std::string& folder) {
    std::error_code ignored;
    if (std::filesystem::exists(folder, ignored)) return;
    const std::filesystem::path drive = MissingDriveFor(folder, DriveMountPlaces::OfSystem());
    if (drive.empty()) {
        CreateFolderLevels(folder);
        return;
    }
    Log("사진 저장 폴더 " + folder + " 를 만들지 않습니다: 드라이브가 연결되어 있지 않습니다 (" +
        drive.string() + ")");
}

// The list on screen is the one the next start reads: a change the file did not take is undone.
bool ClientSession::StoreSaveFolders(const QStringList& changed) {
    if (!WriteFolderList(m_settings, changed)) {
        ReportUnwritableSettings();
        return false;
    }
    m_folders = changed;
    Q_EMIT foldersChanged(m_folders);
    // A burst of changes leads to one upload, after the last of them.
    KillTimer(TIMER_FOLDER_UPLOAD);
    SetTimer(TIMER_FOLDER_UPLOAD, kFolderUploadDelayMs);
    return true;
}

void ClientSession::AddFolder(const std::string& typed) {
    const std::string text = StoredFolderText(typed);
    if (text.empty()) return;
    const QString name = QString::fromStdString(text);
    if (FindFolderName(m_folders, name) >= 0) {
        Log("'" + text + "' 폴더는 이미 저장되어 있음!");
        return;
    }
    QStringList changed = m_folders;
    InsertSorted(changed, name);
    Log("저장 폴더 '" + text + (StoreSaveFolders(changed) ? "' 추가 완료!" : "' 추가 실패!"));
}

void ClientSession::DeleteFolder(int row) {
    if (row < 0 || row >= m_folders.size()) return;
    QStringList changed = m_folders;
    const std::string text = changed.takeAt(row).toStdString();
    Log("저장 폴더 '" + text + (StoreSaveFolders(changed) ? "' 삭제 완료!" : "' 삭제 실패!"));
}

void ClientSession::ModifyFolder(int row, const std::string& typed) {
    const std::string text = StoredFolderText(typed);
    if (row < 0 || row >= m_folders.size() || text.empty()) return;
    QStringList changed = m_folders;
    changed.removeAt(row);
    InsertSorted(changed, QString::fromStdString(text));
    Log("저장 폴더 '" + text + (StoreSaveFolders(changed) ? "' 수정 완료!" : "' 수정 실패!"));
}

void ClientSession::SetSaveFolder(const std::string& folder) {
    // A path the settings file would give back otherwise, or that the next start would set aside,
    // would move the photos at the next start.
    if (StoredFolderText(folder) != folder || !IsUsableSaveFolder(folder)) {
        Log("'" + folder + "' 폴더는 사진 저장 폴더로 쓸 수 없음!");
        return;
    }
    // The photos keep going where the next start would send them.
    if (!WriteSaveFolderSetting(m_settings, folder)) {
        ReportUnwritableSettings();
        Log("사진 저장 폴더 '" + folder + "' 변경 실패!");
        return;
    }
    m_run->saveFolder.Set(folder);
    Q_EMIT saveFolderChanged(QString::fromStdString(folder));
}

bool ClientSession::CheckFolderListSize() {
    if (FolderListRecordLength(m_folders) <= FOLDER_LIST_RECORD_SIZE) return true;
    Log(kTooLarge);
    return false;
}

void ClientSession::SendFolderList(int slot) {
    const std::optional<std::string> record =
        BuildFolderListRecord(m_account.customerNo, m_folders);
    if (!record) {
        // The list grew past the limit while the connection was being made.
        Log(kTooLarge);
        OnSockRelease(slot);
        return;
    }
    const int length = static_cast<int>(record->size());
    if (m_sockets[slot]->Send(record->data(), length) == length) {
        SetTimer(TIMER_REPLY_TIMEOUT, kReplyTimeoutMs);
        return;
    }
    Log("폴더 리스트 전송 에러!");
    // No answer can come for a record that did not go out: the slot is not kept waiting.
    OnSockRelease(slot);
}

void ClientSession::HandleFolderListReply(const char* answer) {
    const char verdict = answer[kVerdictOffset];
    if (verdict == 'Y') {
        Log("폴더 리스트 서버 저장 완료!");
    } else if (verdict == 'N') {
        Log("폴더 리스트 서버 저장 실패!");
    } else {
        // A missing byte shows as nothing between the brackets rather than cutting the line.
        const std::string letter =
            verdict == '\0' ? std::string() : platform::Cp949ToUtf8(std::string(1, verdict));
        Log("알수 없는 응답[" + letter + "]!\r\n다시 시도 해주세요!");
    }
}
