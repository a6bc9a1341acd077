#include "gui/logindlg.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

#include "gui/controls.h"
#include "gui/dialogunits.h"
#include "gui/edittrans.h"
#include "gui/formfonts.h"
#include "gui/messagebox.h"
#include "protocol/programinfo.h"

// The picture is compiled into a static library; registering it by name makes the linker keep it.
// (Outside any namespace: the macro declares the registration function.)
static void RegisterLoginAssets() {
    Q_INIT_RESOURCE(loginassets);
}

QPixmap LoadLoginBackground() {
    RegisterLoginAssets();
    return QPixmap(QStringLiteral(":/login/background.png"));
}

std::string SignInWaitingText(int seconds) {
    return "로그인 서버 연결 대기 중 (" + std::to_string(seconds) + "초 후 재시도)";
}

namespace {

constexpr int kClientWidth = 485;
constexpr int kClientHeight = 208;
constexpr UINT kStartTimer = 1;
constexpr int kStartDelayMs = 100;
constexpr int kMaxTypedChars = 10;

// The dialog template, in dialog units. The edits and the check box are moved onto the picture
// when the dialog initialises.
const QRect kUserIdDu(117, 50, 85, 9);
const QRect kPasswordDu(117, 66, 85, 9);
const QRect kAutoLoginDu(111, 77, 10, 10);
const QRect kStatusDu(86, 34, 189, 9);
const QRect kOkDu(0, 0, 50, 14);

// Where the controls sit on the picture, in client pixels.
const QPoint kUserIdAt(205, 88);
const QRect kPasswordAt(205, 115, 150, 15);
const QPoint kAutoLoginAt(195, 135);

// The painted sign-in button; the bounds themselves are outside.
bool InSignInButton(const QPoint& at) {
    return at.x() > 207 && at.x() < 269 && at.y() > 165 && at.y() < 185;
}

constexpr char kPrompt[] = "사용자 아이디와 패스워드를 입력 해 주세요!";
constexpr char kChecking[] = "로그인 검사 중 입니다. 잠시만 기다려 주세요!";
constexpr char kRefused[] = "로그인 실패!";
constexpr char kNoUserId[] = "사용자 아이디를 입력해 주세요!";
constexpr char kNoPassword[] = "사용자 패스워드를 입력해 주세요!";

// Black text straight on the picture.
void DrawOnPicture(QWidget* control) {
    QPalette colours = control->palette();
    colours.setColor(QPalette::WindowText, Qt::black);
    colours.setColor(QPalette::ButtonText, Qt::black);
    control->setPalette(colours);
    control->setAutoFillBackground(false);
}

// Typing stops at the limit. A longer value already there (remembered in the settings file) is
// kept whole, as a Windows edit keeps it, rather than cut and sent wrong.
void LimitText(QLineEdit* edit) {
    edit->setMaxLength(std::max(kMaxTypedChars, static_cast<int>(edit->text().size())));
}

}  // namespace

CLoginDlg::CLoginDlg(ClientSession& session, const SignInPrefill& prefill, QWidget* parent)
    : QDialog(parent), m_session(session), m_prefill(prefill), m_autoLogin(prefill.autoLogin) {
    CreateControls();
    m_wnd.BindTimer([this](UINT id) { OnTimer(id); });
    // Queued: the dialog may open a message box, whose loop must not run inside the session's
    // handling of the answer.
    connect(
        &m_session, &ClientSession::signInFinished, this,
        [this](SignInOutcome outcome, const QString& message) {
            OnLoginResult(outcome == SignInOutcome::Accepted, message);
        },
        Qt::QueuedConnection);
    connect(
        &m_session, &ClientSession::signInUnanswered, this,
        [this](const QString& text) { OnUnanswered(text); }, Qt::QueuedConnection);
    connect(&m_session, &ClientSession::signInWaiting, this,
            [this](int seconds) { OnWaiting(seconds); });
}

void CLoginDlg::CreateControls() {
    setWindowTitle(QStringLiteral("로그인"));
    setFont(DialogFont());
    setFixedSize(kClientWidth, kClientHeight);
    const DialogBaseUnits base = BaseUnitsOf(font());

    m_editUserId = new CEditTrans(this);
    m_editUserId->setGeometry(MapDialogRect(kUserIdDu, base));
    SetControlId(m_editUserId, IDC_USER_ID);

    m_editPassword = new CEditTrans(this);
    m_editPassword->setGeometry(MapDialogRect(kPasswordDu, base));
    m_editPassword->setEchoMode(QLineEdit::Password);
    m_editPassword->hide();
    SetControlId(m_editPassword, IDC_PASSWORD);

    auto* autoLogin = new QCheckBox(this);
    autoLogin->setGeometry(MapDialogRect(kAutoLoginDu, base));
    DrawOnPicture(autoLogin);
    SetControlId(autoLogin, IDC_AUTO_LOGIN);

    auto* status = new QLabel(this);
    status->setGeometry(MapDialogRect(kStatusDu, base));
    status->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    DrawOnPicture(status);
    SetControlId(status, IDC_STATUS);

    // The default command; the user reaches it through the painted button and the keyboard.
    auto* ok = new QPushButton(QStringLiteral("로그인"), this);
    ok->setGeometry(MapDialogRect(kOkDu, base));
    ok->hide();
    SetControlId(ok, IDOK);
    connect(ok, &QPushButton::clicked, this, [this] { OnLogin(); });

    installEventFilter(this);
    for (QWidget* control : findChildren<QWidget*>()) control->installEventFilter(this);
}

void CLoginDlg::showEvent(QShowEvent* event) {
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CLoginDlg::OnInitDialog() {
    m_bmpBack = LoadLoginBackground();
    m_editUserId->setText(QString::fromStdString(m_prefill.userId));
    m_editPassword->setText(QString::fromStdString(m_prefill.password));
    LimitText(m_editUserId);
    LimitText(m_editPassword);
    SetDlgItemText(this, IDC_STATUS, QString::fromUtf8(kPrompt));

    m_editUserId->move(kUserIdAt);
    m_editPassword->setGeometry(kPasswordAt);
    QWidget* autoLogin = GetDlgItem(this, IDC_AUTO_LOGIN);
    autoLogin->move(kAutoLoginAt);
    m_editUserId->show();
    m_editPassword->show();
    autoLogin->show();

    m_wnd.SetTimer(kStartTimer, kStartDelayMs);
}

void CLoginDlg::OnTimer(UINT id) {
    if (id != kStartTimer) return;
    m_wnd.KillTimer(kStartTimer);
    m_editUserId->setFocus();
    if (m_autoLogin) {
        static_cast<QCheckBox*>(GetDlgItem(this, IDC_AUTO_LOGIN))->setChecked(true);
        // Nobody may be at the keyboard: an unreachable server is waited for, not reported.
        OnLogin(SignInMode::Automatic);
    }
}

void CLoginDlg::OnLogin(SignInMode mode) {
    const std::string userId = m_editUserId->text().toStdString();
    if (userId.empty()) {
        ShowMessage(kNoUserId);
        return;
    }
    const std::string password = m_editPassword->text().toStdString();
    if (password.empty()) {
        ShowMessage(kNoPassword);
        m_editPassword->setFocus();
        return;
    }
    GetDlgItem(this, IDOK)->setEnabled(false);
    SetDlgItemText(this, IDC_STATUS, QString::fromUtf8(kChecking));
    m_autoLogin = static_cast<QCheckBox*>(GetDlgItem(this, IDC_AUTO_LOGIN))->isChecked();
    // The session only schedules the attempt here; its result comes later.
    m_session.SignIn(userId, password, m_autoLogin, mode);
}

void CLoginDlg::OnLoginResult(bool ok, const QString& message) {
    if (ok) {
        done(IDOK);
        return;
    }
    // The checking is over: the status line tells why in the message's first line, the box tells
    // it whole, and the user may try again.
    const QString why = message.section(u'\n', 0, 0).trimmed();
    SetDlgItemText(this, IDC_STATUS, why.isEmpty() ? QString::fromUtf8(kRefused) : why);
    GetDlgItem(this, IDOK)->setEnabled(true);
    ShowMessage(message.toStdString());
}

// Nothing came back that could be read: the status line says so and the user may try again.
void CLoginDlg::OnUnanswered(const QString& text) {
    SetDlgItemText(this, IDC_STATUS, text);
    GetDlgItem(this, IDOK)->setEnabled(true);
}

// The automatic attempt waits for the server. The user may still edit and sign in by hand, which
// ends the waiting.
void CLoginDlg::OnWaiting(int seconds) {
    SetDlgItemText(this, IDC_STATUS, QString::fromStdString(SignInWaitingText(seconds)));
    GetDlgItem(this, IDOK)->setEnabled(true);
}

void CLoginDlg::ShowMessage(const std::string& text) {
    MessageBox(this, QString::fromStdString(text), QString::fromUtf8(APP_TITLE));
}

void CLoginDlg::paintEvent(QPaintEvent*) {
    // The controls have no background of their own: Qt draws them over this picture afterwards.
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), m_bmpBack);
}

void CLoginDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && InSignInButton(event->position().toPoint())) OnLogin();
    QDialog::mousePressEvent(event);
}

bool CLoginDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        PreTranslateKey(static_cast<QKeyEvent*>(event)->key())) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool CLoginDlg::PreTranslateKey(int key) {
    switch (key) {
        case Qt::Key_Escape:
            return true;  // the dialog closes only by its close box or a successful login
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            break;
        default:
            return false;
    }
    QWidget* active = focusWidget();
    if (active == m_editUserId) {
        m_editPassword->setFocus();
    } else if (active == m_editPassword && !m_editPassword->text().isEmpty()) {
        OnLogin();
    }
    return true;
}
