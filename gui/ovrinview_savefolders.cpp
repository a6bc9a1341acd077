// The form's save-folder list and photo save folder: loaded at start-up, edited by the user, kept
// in the settings file, and uploaded a while after the last change of the list.
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include "core/savefolders.h"
#include "core/settings.h"
#include "gui/controls.h"
#include "gui/folderpicker.h"
#include "gui/messagebox.h"
#include "gui/formresource.h"
#include "gui/ovrinview.h"
#include "gui/staticnotify.h"
#include "gui/timerids.h"

namespace {
constexpr int kFolderUploadDelayMs = 5000;
}

void COvrinView::BindFolderControls() {
    m_lstFolder = static_cast<QListWidget*>(GetDlgItem(this, form::IDC_FOLDER_LIST));
    const auto onClick = [this](int id, void (COvrinView::*handler)()) {
        connect(static_cast<QPushButton*>(GetDlgItem(this, id)), &QPushButton::clicked, this,
                [this, handler] { (this->*handler)(); });
    };
    onClick(form::IDC_ADD_FOLDER, &COvrinView::OnAddFolder);
    onClick(form::IDC_DELETE_FOLDER, &COvrinView::OnDeleteFolder);
    onClick(form::IDC_MODIFY_FOLDER, &COvrinView::OnModifyFolder);
    // The list's own changes are made with its signals blocked, so this reports only the user's.
    connect(m_lstFolder, &QListWidget::itemSelectionChanged, this,
            [this] { OnSelchangeFolderList(); });
    connect(StaticNotify::Of(GetDlgItem(this, form::IDC_SAVE_FOLDER)), &StaticNotify::doubleClicked,
            this, [this] { OnPickSaveFolder(); });
}

QStringList COvrinView::FolderNames() const {
    QStringList names;
    for (int row = 0; row < m_lstFolder->count(); ++row) names << m_lstFolder->item(row)->text();
    return names;
}

int COvrinView::SelectedFolderRow() const {
    const QList<QListWidgetItem*> selected = m_lstFolder->selectedItems();
    return selected.isEmpty() ? -1 : m_lstFolder->row(selected.front());
}

void COvrinView::InsertFolderSorted(const QString& name) {
    const QSignalBlocker quiet(m_lstFolder);
    m_lstFolder->insertItem(static_cast<int>(SortedFolderPosition(FolderNames(), name)), name);
}

// Leaves no entry selected, as a list box does once its selected entry is gone.
void COvrinView::RemoveFolderRow(int row) {
    const QSignalBlocker quiet(m_lstFolder);
    delete m_lstFolder->takeItem(row);
    m_lstFolder->clearSelection();
    m_lstFolder->setCurrentRow(-1);
}

void COvrinView::LoadSaveFolders() {
    const std::string folder = ReadSaveFolderSetting(DefaultSaveFolder());
    g_szSaveFolder.Set(folder);
    SetDlgItemText(form::IDC_SAVE_FOLDER, folder);
    CreateFolderLevels(folder);
    {
        const QSignalBlocker quiet(m_lstFolder);
        m_lstFolder->clear();
    }
    for (const QString& name : ReadFolderList()) InsertFolderSorted(name);
}

void COvrinView::StoreSaveFolders() {
    WriteFolderList(FolderNames());
    // A burst of changes leads to one upload, after the last of them.
    KillTimer(TIMER_FOLDER_UPLOAD);
    SetTimer(TIMER_FOLDER_UPLOAD, kFolderUploadDelayMs);
}

void COvrinView::OnAddFolder() {
    const std::string text =
        StoredFolderText(GetDlgItemText(this, form::IDC_FOLDER_EDIT).toStdString());
    if (text.empty()) return;
    const QString name = QString::fromStdString(text);
    if (FindFolderPrefix(FolderNames(), name) >= 0) {
        AddLog("'" + text + "' 폴더는 이미 저장되어 있음!");
        return;
    }
    AddLog("저장 폴더 '" + text + "' 추가 완료!");
    InsertFolderSorted(name);
    StoreSaveFolders();
}

void COvrinView::OnDeleteFolder() {
    const int row = SelectedFolderRow();
    if (row < 0) {
        // No caption of our own: the platform's default, the application's name, stands there.
        MessageBox(this, QStringLiteral("삭제 할 항목을 선택 해 주세요!"), QString());
        return;
    }
    const QString name = m_lstFolder->item(row)->text();
    const QString question =
        QStringLiteral("'") + name + QStringLiteral("' 항목을 삭제 하시겠습니까?");
    if (MessageBox(this, question, QStringLiteral("항목 삭제"), MB_YESNO) != IDYES) return;
    RemoveFolderRow(row);
    SetDlgItemText(form::IDC_FOLDER_EDIT, std::string());
    AddLog("저장 폴더 '" + name.toStdString() + "' 삭제 완료!");
    StoreSaveFolders();
}

void COvrinView::OnModifyFolder() {
    const int row = SelectedFolderRow();
    const std::string text =
        StoredFolderText(GetDlgItemText(this, form::IDC_FOLDER_EDIT).toStdString());
    if (row < 0 || text.empty()) return;
    RemoveFolderRow(row);
    AddLog("저장 폴더 '" + text + "' 수정 완료!");
    InsertFolderSorted(QString::fromStdString(text));
    StoreSaveFolders();
}

void COvrinView::OnSelchangeFolderList() {
    const int row = SelectedFolderRow();
    if (row < 0) return;
    SetDlgItemText(form::IDC_FOLDER_EDIT, m_lstFolder->item(row)->text().toStdString());
}

// A cancel changes nothing: the folder in use stays the one the label shows.
void COvrinView::OnPickSaveFolder() {
    const std::string start = ReadSaveFolderSetting(g_szModuleDir);
    const std::optional<QString> chosen = PickFolder(this, QString::fromStdString(start));
    if (!chosen) return;
    const std::string folder = chosen->toStdString();
    // A path the settings file would give back otherwise would move the photos at the next start.
    if (StoredFolderText(folder) != folder) {
        AddLog("'" + folder + "' 폴더는 사진 저장 폴더로 쓸 수 없음!");
        return;
    }
    g_szSaveFolder.Set(folder);
    WriteSaveFolderSetting(folder);
    SetDlgItemText(form::IDC_SAVE_FOLDER, folder);
}
