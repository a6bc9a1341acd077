#include "gui/formlayout.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/controls.h"
#include "gui/formresource.h"
#include "gui/thumbnailstrip.h"

namespace {

QLabel* Caption(QWidget* form, const char* text, Qt::Alignment align = Qt::AlignRight) {
    auto* label = new QLabel(QString::fromUtf8(text), form);
    label->setAlignment(align | Qt::AlignVCenter);
    return label;
}

QWidget* Item(QWidget* form, int id) {
    return GetDlgItem(form, id);
}

// User, logout, automatic start, and the clock on the right.
QLayout* TopRow(QWidget* form) {
    auto* row = new QHBoxLayout;
    row->addWidget(Caption(form, "사용자 ID"));
    row->addWidget(Item(form, form::IDC_USER_ID));
    row->addWidget(Item(form, form::IDC_LOGOUT));
    row->addSpacing(12);
    row->addWidget(Item(form, form::IDC_AUTOSTART));
    row->addStretch(1);
    row->addWidget(Item(form, form::IDC_DATE));
    row->addWidget(Item(form, form::IDC_TIME));
    return row;
}

// One line per row: caption, value, what stands beside the value, and the time it was written.
QLayout* StatusRows(QWidget* form) {
    auto* grid = new QGridLayout;
    enum Column { CaptionColumn, ValueColumn, BesideColumn, TimeColumn };
    const struct {
        const char* caption;
        int value, beside, time;
    } rows[] = {
        {"닉네임", form::IDC_NICKNAME, form::IDC_CHANGE_NICKNAME, form::NO_ID},
        {"로그인", form::IDC_LOGIN_INFO, form::NO_ID, form::IDC_LOGIN_TIME},
        {"파일수신명", form::IDC_RECEIVE_INFO, form::IDC_RECEIVE_SIZE, form::IDC_RECEIVE_TIME},
        {"수신진행정보", form::IDC_PROGRESS_INFO, form::IDC_BURST_COUNT, form::IDC_PROGRESS_TIME},
    };
    int line = 0;
    for (const auto& row : rows) {
        grid->addWidget(Caption(form, row.caption), line, CaptionColumn);
        grid->addWidget(Item(form, row.value), line, ValueColumn);
        if (row.beside != form::NO_ID) {
            grid->addWidget(Item(form, row.beside), line, BesideColumn, Qt::AlignLeft);
        }
        if (row.time != form::NO_ID) grid->addWidget(Item(form, row.time), line, TimeColumn);
        ++line;
    }
    grid->addWidget(Item(form, form::IDC_RECEIVE_BAR), line, ValueColumn);
    grid->addWidget(Item(form, form::IDC_RECEIVE_RATE), line, BesideColumn, 1, 2);
    grid->setColumnStretch(ValueColumn, 1);
    return grid;
}

// The list uploaded to the service, with its edit and buttons above it.
QLayout* FolderColumn(QWidget* form) {
    auto* column = new QVBoxLayout;
    column->addWidget(Caption(form, "서비스에 전송되는 폴더 목록", Qt::AlignLeft));
    column->addWidget(Item(form, form::IDC_FOLDER_EDIT));
    auto* buttons = new QHBoxLayout;
    for (const int id : {form::IDC_ADD_FOLDER, form::IDC_DELETE_FOLDER, form::IDC_MODIFY_FOLDER}) {
        buttons->addWidget(Item(form, id));
    }
    column->addLayout(buttons);
    column->addWidget(Item(form, form::IDC_FOLDER_LIST), 1);
    return column;
}

QLayout* SaveFolderRow(QWidget* form) {
    auto* row = new QHBoxLayout;
    row->addWidget(Caption(form, "사진 저장 폴더"));
    row->addWidget(Item(form, form::IDC_SAVE_FOLDER), 1);
    row->addWidget(Item(form, form::IDC_CHANGE_SAVE_FOLDER));
    // What arrived in that folder.
    row->addWidget(Item(form, form::IDC_HISTORY));
    return row;
}

QLayout* BottomRow(QWidget* form) {
    auto* row = new QHBoxLayout;
    row->addWidget(Item(form, form::IDC_NOTICE), 1);
    row->addWidget(Item(form, form::IDC_VERSION));
    return row;
}

// Tab goes through the form as it reads: top row, status rows, lists, photos, save folder,
// history.
void OrderForKeyboard(QWidget* form, const ThumbnailStrip* photos) {
    const int ids[] = {
        form::IDC_LOGOUT,        form::IDC_AUTOSTART,     form::IDC_CHANGE_NICKNAME,
        form::IDC_ACTIVITY_LIST, form::IDC_FOLDER_EDIT,   form::IDC_ADD_FOLDER,
        form::IDC_DELETE_FOLDER, form::IDC_MODIFY_FOLDER, form::IDC_FOLDER_LIST,
    };
    QList<QWidget*> order;
    for (const int id : ids) order << Item(form, id);
    order << photos->Tiles() << photos->OpenFolderButton()
          << Item(form, form::IDC_CHANGE_SAVE_FOLDER) << Item(form, form::IDC_HISTORY);
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

}  // namespace

void LayOutForm(QWidget* form, ThumbnailStrip* photos) {
    auto* grid = new QGridLayout(form);
    grid->addLayout(TopRow(form), 0, 0, 1, 2);
    grid->addLayout(StatusRows(form), 1, 0);
    grid->addWidget(Item(form, form::IDC_ACTIVITY_LIST), 2, 0);
    grid->addLayout(FolderColumn(form), 1, 1, 2, 1);
    grid->addWidget(photos, 3, 0, 1, 2);
    grid->addLayout(SaveFolderRow(form), 4, 0, 1, 2);
    grid->addLayout(BottomRow(form), 5, 0, 1, 2);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);
    grid->setRowStretch(2, 1);
    // Lies below the form's area and is never written: kept, never shown.
    Item(form, form::IDC_BELOW_FORM)->hide();
    OrderForKeyboard(form, photos);
}
