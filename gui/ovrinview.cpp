#include "gui/ovrinview.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include "core/clientsession.h"
#include "core/sessionstatus.h"
#include "gui/controls.h"
#include "gui/desktopnotifier.h"
#include "gui/dialogunits.h"
#include "gui/elidedtext.h"
#include "gui/formfonts.h"
#include "gui/formlayout.h"
#include "gui/formresource.h"
#include "gui/receptionnotices.h"
#include "gui/staticnotify.h"
#include "gui/thumbnailstrip.h"
#include "platform/clock.h"
#include "protocol/programinfo.h"

namespace {

constexpr int kActivityLines = 30;

QWidget* MakeControl(const form::ControlSpec& spec, QWidget* parent) {
    const QString text = QString::fromUtf8(spec.text);
    switch (spec.kind) {
        case form::Kind::ListBox:
            return new QListWidget(parent);
        case form::Kind::Edit:
            return new QLineEdit(text, parent);
        case form::Kind::Button:
            return new QPushButton(text, parent);
        case form::Kind::CheckBox:
            return new QCheckBox(text, parent);
        case form::Kind::ProgressBar:
            return new QProgressBar(parent);
        case form::Kind::Value:
        case form::Kind::NotifyValue:
            break;
    }
    auto* value = new ElidedText(spec.elide, QString::fromUtf8(spec.room), parent);
    value->setText(text);
    value->setAlignment(spec.align | Qt::AlignVCenter);
    if (spec.kind == form::Kind::NotifyValue) {
        new StaticNotify(value);
        // The pointer tells that a click does something here, as the button beside it does.
        value->setCursor(Qt::PointingHandCursor);
    }
    return value;
}

}  // namespace

COvrinView::COvrinView(ClientSession& session, QWidget* parent,
                       std::shared_ptr<PictureCheckTiles> checkTiles)
    : QWidget(parent),
      m_session(session),
      m_fontSmall(MakeFormFont(12, QFont::Black)),
      m_fontLarge(MakeFormFont(25, QFont::Black)) {
    CreateControls(std::move(checkTiles));
    SetDlgItemText(form::IDC_NOTICE, NoticeText(MAKER_NAME));
    BindFolderControls();
    BindNickNameControl();
    BindStatusControls();
    BindAutostartControl();
    BindHistoryControl();
    ObserveSession();
}

COvrinView::~COvrinView() {
    OnDestroy();
}

void COvrinView::CreateControls(std::shared_ptr<PictureCheckTiles> checkTiles) {
    setFont(DialogFont());
    for (const form::ControlSpec& spec : form::Controls()) {
        QWidget* control = MakeControl(spec, this);
        if (spec.id != form::NO_ID) SetControlId(control, spec.id);
        control->installEventFilter(this);
    }
    LayOutForm(this, new ThumbnailStrip(m_session, this, DecodeThumbnail, std::move(checkTiles)));
    installEventFilter(this);
}

// The size of the Windows form in dialog units of its font, or more where the texts need it.
QSize COvrinView::sizeHint() const {
    const QSize dialog =
        MapDialogRect(QRect(0, 0, form::WIDTH_DU, form::HEIGHT_DU), BaseUnitsOf(font())).size();
    return dialog.expandedTo(QWidget::sizeHint());
}

void COvrinView::ObserveSession() {
    connect(&m_session, &ClientSession::activityLine, this,
            [this](const QString& line) { AddActivityLine(line); });
    connect(&m_session, &ClientSession::clockTicked, this,
            [this](std::time_t now) { ShowClock(now); });
    connect(&m_session, &ClientSession::signInRequested, this,
            [this](const SignInPrefill& prefill) { RunLoginDialog(prefill); });
    connect(&m_session, &ClientSession::loginStateChanged, this,
            [this](bool ok, const QString& userId, std::time_t when) {
                ShowLoginState(ok, userId, when);
            });
    connect(&m_session, &ClientSession::signedOut, this, [this] { ShowSignedOut(); });
    connect(&m_session, &ClientSession::updateNotInstalled, this,
            [this](const QString& version, UpdateHold reason) {
                ShowUpdateNotInstalled(version, reason);
            });
    connect(&m_session, &ClientSession::noticeOperatorChanged, this, [this](const QString& name) {
        SetDlgItemText(form::IDC_NOTICE, NoticeText(name.toStdString()));
    });
    connect(&m_session, &ClientSession::nicknameChanged, this, [this](const QString& nickname) {
        SetDlgItemText(form::IDC_NICKNAME, nickname.toStdString());
    });
    connect(&m_session, &ClientSession::foldersChanged, this, [this] { ShowFolders(); });
    connect(&m_session, &ClientSession::saveFolderChanged, this, [this](const QString& folder) {
        SetDlgItemText(form::IDC_SAVE_FOLDER, folder.toStdString());
    });
    // First, so that the form reads the state each report has already changed.
    ObserveStatus();
    ObserveReception();
    ObserveSignIn();
}

QListWidget* COvrinView::ActivityList() const {
    return static_cast<QListWidget*>(GetDlgItem(this, form::IDC_ACTIVITY_LIST));
}

void COvrinView::SetDlgItemText(int id, const std::string& text) {
    ::SetDlgItemText(this, id, QString::fromStdString(text));
}

void COvrinView::AddActivityLine(const QString& line) {
    QListWidget* list = ActivityList();
    // Several lines come for every photo: the list takes each at once, but after painting one it
    // waits a moment before it paints again.
    if (m_activityPause.isActive()) {
        list->setUpdatesEnabled(false);
    } else {
        m_activityPause.start(platform::ScaledMilliseconds(kRepaintPauseMs));
    }
    list->insertItem(0, line);
    while (list->count() > kActivityLines) delete list->takeItem(kActivityLines);
}

void COvrinView::ShowClock(std::time_t now) {
    SetDlgItemText(form::IDC_DATE, platform::FormatLocalTime(now, "%Y-%m-%d"));
    SetDlgItemText(form::IDC_TIME, platform::FormatLocalTime(now, "%H:%M:%S"));
}

// Escape and F1 are swallowed so that they neither close nor act on the form.
bool COvrinView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_F1) {
            event->accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
