#include "gui/ovrinview.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include "core/msglog.h"
#include "protocol/programinfo.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "gui/controls.h"
#include "gui/dialogunits.h"
#include "gui/formfonts.h"
#include "gui/formresource.h"
#include "gui/staticnotify.h"

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
        case form::Kind::ProgressBar:
            return new QProgressBar(parent);
        case form::Kind::Static:
        case form::Kind::NotifyStatic:
            break;
    }
    auto* label = new QLabel(text, parent);
    if (spec.kind == form::Kind::NotifyStatic) new StaticNotify(label);
    Qt::Alignment horizontal = spec.align == form::Align::Centre  ? Qt::AlignHCenter
                               : spec.align == form::Align::Right ? Qt::AlignRight
                                                                  : Qt::AlignLeft;
    label->setAlignment(horizontal | (spec.vcentre ? Qt::AlignVCenter : Qt::AlignTop));
    return label;
}

}  // namespace

COvrinView::COvrinView(QWidget* parent)
    : QWidget(parent),
      m_fontSmall(MakeFormFont(12, QFont::Black)),
      m_fontLarge(MakeFormFont(25, QFont::Black)) {
    CreateControls();
    SetDlgItemText(form::IDC_NOTICE, NoticeText(MAKER_NAME));
    BindMessages();
    m_wnd.BindTimer([this](UINT id) { OnTimer(id); });
    BindFolderControls();
    BindNickNameControl();
    BindStatusControls();
}

COvrinView::~COvrinView() { OnDestroy(); }

void COvrinView::CreateControls() {
    setFont(DialogFont());
    const DialogBaseUnits base = BaseUnitsOf(font());
    setFixedSize(MapDialogRect(QRect(0, 0, form::WIDTH_DU, form::HEIGHT_DU), base).size());
    for (const form::ControlSpec& spec : form::Controls()) {
        QWidget* control = MakeControl(spec, this);
        control->setGeometry(MapDialogRect(spec.du, base));
        if (spec.id != form::NO_ID) SetControlId(control, spec.id);
        control->installEventFilter(this);
    }
    installEventFilter(this);
}

QListWidget* COvrinView::ActivityList() const {
    return static_cast<QListWidget*>(GetDlgItem(this, form::IDC_ACTIVITY_LIST));
}

void COvrinView::SetDlgItemText(int id, const std::string& text) {
    ::SetDlgItemText(this, id, QString::fromStdString(text));
}

void COvrinView::AddLog(const std::string& text) {
    const std::time_t now = platform::Now();
    const std::string line = FormatLogLine(now, text);
    QListWidget* list = ActivityList();
    list->insertItem(0, QString::fromStdString(line));
    while (list->count() > kActivityLines) delete list->takeItem(kActivityLines);
    // A line that cannot reach the file stays on screen; nothing else is to be done about it.
    WriteMsgLog(g_szModuleDir, now, line);
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
