#include "gui/tray.h"

#include <QIcon>
#include <QPixmap>

#include "protocol/cp949.h"

CTray::CTray() {
    QObject::connect(&m_icon, &QSystemTrayIcon::activated, &m_icon,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (m_notify) m_notify(reason);
                     });
}

CTray::~CTray() {
    RemoveIcon();
}

void CTray::SetNotifyWnd(NotifyHandler handler) {
    m_notify = std::move(handler);
}

bool CTray::AddIcon(const QString& iconResource) {
    if (!m_notify || !QSystemTrayIcon::isSystemTrayAvailable()) return false;
    // Qt shows no icon without a picture, so the picture comes first.
    if (!SetIcon(iconResource)) return false;
    m_icon.show();
    m_bShown = true;
    return true;
}

bool CTray::SetIcon(const QString& iconResource) {
    // A QIcon made from a missing file is not null; the picture itself tells.
    const QPixmap picture(iconResource);
    if (picture.isNull()) return false;
    m_icon.setIcon(QIcon(picture));
    return true;
}

void CTray::SetTooltip(const std::string& text) {
    m_icon.setToolTip(QString::fromStdString(platform::FitUtf8ToCp949Bytes(text, TIP_BYTES)));
}

void CTray::RemoveIcon() {
    m_icon.hide();
    m_bShown = false;
}
