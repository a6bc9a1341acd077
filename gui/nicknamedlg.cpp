#include "gui/nicknamedlg.h"

#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

#include "core/nicknametext.h"
#include "gui/controls.h"
#include "gui/dialogunits.h"
#include "gui/formfonts.h"
#include "gui/messagebox.h"

namespace {

constexpr int kCancelId = 2;  // IDCANCEL

// The dialog template, in dialog units.
const QSize kClientDu(186, 58);
const QRect kEditDu(7, 10, 172, 14);
const QRect kOkDu(36, 36, 50, 14);
const QRect kCancelDu(100, 36, 50, 14);

// Refuses an edit whose CP949 form would not fit: the keystroke or paste simply does not happen.
class NicknameLengthValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        return NicknameFits(input.toStdString()) ? Acceptable : Invalid;
    }
};

}  // namespace

CNicNameDlg::CNicNameDlg(QWidget* parent) : QDialog(parent) {
    CreateControls();
}

void CNicNameDlg::CreateControls() {
    setWindowTitle(QStringLiteral("닉네임 변경"));
    setFont(DialogFont());
    const DialogBaseUnits base = BaseUnitsOf(font());
    setFixedSize(MapDialogRect(QRect(QPoint(0, 0), kClientDu), base).size());

    m_editNick = new QLineEdit(this);
    m_editNick->setGeometry(MapDialogRect(kEditDu, base));
    m_editNick->setValidator(new NicknameLengthValidator(m_editNick));
    SetControlId(m_editNick, IDC_NICKNAME);

    auto* ok = new QPushButton(QStringLiteral("확인"), this);
    ok->setGeometry(MapDialogRect(kOkDu, base));
    ok->setDefault(true);
    SetControlId(ok, IDOK);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });

    auto* cancel = new QPushButton(QStringLiteral("취소"), this);
    cancel->setGeometry(MapDialogRect(kCancelDu, base));
    SetControlId(cancel, kCancelId);
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
}

void CNicNameDlg::showEvent(QShowEvent* event) {
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CNicNameDlg::OnInitDialog() {
    m_editNick->setText(QString::fromStdString(m_strNick));
}

void CNicNameDlg::OnOK() {
    const std::string typed = m_editNick->text().toStdString();
    // Untouched text stays exactly as it was, so that OK alone is never a change.
    if (typed != m_strNick) m_strNick = StoredNickname(typed);
    done(IDOK);
}
