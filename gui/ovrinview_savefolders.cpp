// The form's save-folder list and photo save folder: the session keeps them; the form shows them
// and turns the user's edits into the session's commands.
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include "core/clientsession.h"
#include "gui/controls.h"
#include "gui/folderpicker.h"
#include "gui/formresource.h"
#include "gui/messagebox.h"
#include "gui/ovrinview.h"
#include "gui/staticnotify.h"

void COvrinView::BindFolderControls() {
    m_lstFolder = static_cast<QListWidget*>(GetDlgItem(this, form::IDC_FOLDER_LIST));
    const auto onClick = [this](int id, void (COvrinView::*handler)()) {
        connect(static_cast<QPushButton*>(GetDlgItem(this, id)), &QPushButton::clicked, this,
                [this, handler] { (this->*handler)(); });
    };
    onClick(form::IDC_ADD_FOLDER, &COvrinView::OnAddFolder);
    onClick(form::IDC_DELETE_FOLDER, &COvrinView::OnDeleteFolder);
    onClick(form::IDC_MODIFY_FOLDER, &COvrinView::OnModifyFolder);
    onClick(form::IDC_CHANGE_SAVE_FOLDER, &COvrinView::OnPickSaveFolder);
    // Enter in the edit adds what was typed, as the button beside it does.
    connect(static_cast<QLineEdit*>(GetDlgItem(this, form::IDC_FOLDER_EDIT)),
            &QLineEdit::returnPressed, this, [this] { OnAddFolder(); });
    // The list's own changes are made with its signals blocked, so this reports only the user's.
    connect(m_lstFolder, &QListWidget::itemSelectionChanged, this,
            [this] { OnSelchangeFolderList(); });
    connect(StaticNotify::Of(GetDlgItem(this, form::IDC_SAVE_FOLDER)), &StaticNotify::doubleClicked,
            this, [this] { OnPickSaveFolder(); });
}

// The list is shown anew. The selected entry stays selected while it is still there; once it is
// gone none is, as in a list box.
void COvrinView::ShowFolders() {
    const QSignalBlocker quiet(m_lstFolder);
    const int selectedRow = SelectedFolderRow();
    const QString selected = selectedRow < 0 ? QString() : m_lstFolder->item(selectedRow)->text();
    m_lstFolder->clear();
    m_lstFolder->addItems(m_session.Folders());
    m_lstFolder->setCurrentRow(-1);
    const qsizetype row = selectedRow < 0 ? -1 : m_session.Folders().indexOf(selected);
    if (row >= 0) m_lstFolder->item(static_cast<int>(row))->setSelected(true);
}

int COvrinView::SelectedFolderRow() const {
    const QList<QListWidgetItem*> selected = m_lstFolder->selectedItems();
    return selected.isEmpty() ? -1 : m_lstFolder->row(selected.front());
}

void COvrinView::OnAddFolder() {
    m_session.AddFolder(GetDlgItemText(this, form::IDC_FOLDER_EDIT).toStdString());
}

void COvrinView::OnDeleteFolder() {
    const int row = SelectedFolderRow();
    if (row < 0) {
        // No caption of our own: the platform's default, the application's name, stands there.
        MessageBox(this, QStringLiteral("삭제 할 항목을 선택 해 주세요!"), QString());
        return;
    }
    const QString question = QStringLiteral("'") + m_lstFolder->item(row)->text() +
                             QStringLiteral("' 항목을 삭제 하시겠습니까?");
    if (MessageBox(this, question, QStringLiteral("항목 삭제"), MB_YESNO) != IDYES) return;
    SetDlgItemText(form::IDC_FOLDER_EDIT, std::string());
    m_session.DeleteFolder(row);
}

void COvrinView::OnModifyFolder() {
    m_session.ModifyFolder(SelectedFolderRow(),
                           GetDlgItemText(this, form::IDC_FOLDER_EDIT).toStdString());
}

void COvrinView::OnSelchangeFolderList() {
    const int row = SelectedFolderRow();
    if (row < 0) return;
    SetDlgItemText(form::IDC_FOLDER_EDIT, m_lstFolder->item(row)->text().toStdString());
}

// The picker opens at the folder photos go to now; a cancel changes nothing.
void COvrinView::OnPickSaveFolder() {
    const std::optional<QString> chosen =
        PickFolder(this, QString::fromStdString(m_session.SaveFolder()));
    if (chosen) m_session.SetSaveFolder(chosen->toStdString());
}
