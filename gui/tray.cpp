#include "gui/tray.h"

#include <QIcon>
#include <vector>

#include "protocol/cp949.h"
#include "protocol/programinfo.h"

std::string TrayTipText(const std::string& state, const std::string& lastDelivery) {
    const std::string title = APP_TITLE;
    std::vector<std::string> candidates;
    if (!lastDelivery.empty()) {
        candidates = {title + "\n" + state + "\n" + lastDelivery, state + "\n" + lastDelivery};
    }
    candidates.push_back(title + "\n" + state);
    for (const std::string& tip : candidates) {
        if (platform::Utf8ToCp949(tip).size() <= CTray::TIP_BYTES) return tip;
    }
    return state;
}

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
    return SetPicture(QPixmap(iconResource));
}

bool CTray::SetPicture(const QPixmap& picture) {
    if (picture.isNull()) return false;
    m_icon.setIcon(QIcon(picture));
    return true;
}

void CTray::SetTooltip(const std::string& text) {
    const QString tip = QString::fromStdString(platform::FitUtf8ToCp949Bytes(text, TIP_BYTES));
    if (tip != m_icon.toolTip()) m_icon.setToolTip(tip);
}

void CTray::RemoveIcon() {
    m_icon.hide();
    m_bShown = false;
}
