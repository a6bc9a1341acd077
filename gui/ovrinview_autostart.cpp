// The check box "로그인 시 자동 실행": it shows whether the user's autostart entry exists, and a
// click makes or removes the entry. The box always ends showing what is on disk.
#include <QCheckBox>

#include "core/autostartentry.h"
#include "gui/controls.h"
#include "gui/formresource.h"
#include "gui/messagebox.h"
#include "gui/ovrinview.h"
#include "platform/modulepath.h"
#include "protocol/programinfo.h"

void COvrinView::BindAutostartControl() {
    auto* box = static_cast<QCheckBox*>(GetDlgItem(this, form::IDC_AUTOSTART));
    // Where the entry cannot even be looked for, the box shows none; a click tells why.
    box->setChecked(QueryAutostart().present);
    connect(box, &QCheckBox::clicked, this, [this](bool checked) { OnClickAutostart(checked); });
}

void COvrinView::OnClickAutostart(bool checked) {
    const AutostartState state =
        checked ? EnableAutostart(platform::ExecutablePath()) : DisableAutostart();
    static_cast<QCheckBox*>(GetDlgItem(this, form::IDC_AUTOSTART))->setChecked(state.present);
    if (!state.failure) return;
    const QString action = checked ? QStringLiteral("자동 실행 항목을 만들 수 없습니다: ")
                                   : QStringLiteral("자동 실행 항목을 지울 수 없습니다: ");
    MessageBox(this, action + QString::fromStdString(*state.failure), QString::fromUtf8(APP_TITLE));
}
