#pragma once
// The main form's icon in the notification area: the program's picture and title, and every click
// on it handed to the form.
#include <QPixmap>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <string>

// The tip of a state: the program's title, the state and the last delivery (when there was one),
// each line whole within CTray::TIP_BYTES. The title gives way first, then the last delivery.
std::string TrayTipText(const std::string& state, const std::string& lastDelivery);

class CTray {
public:
    using NotifyHandler = std::function<void(QSystemTrayIcon::ActivationReason)>;

    // The tip holds at most this many bytes of the title's CP949 form.
    static constexpr size_t TIP_BYTES = 63;

    CTray();
    virtual ~CTray();
    CTray(const CTray&) = delete;
    CTray& operator=(const CTray&) = delete;

    // Where clicks go; without it the icon is not added.
    void SetNotifyWnd(NotifyHandler handler);
    // Puts the icon with the picture `iconResource` into the notification area. False, with
    // nothing shown, where no notification area exists, without a handler, or without the picture.
    bool AddIcon(const QString& iconResource);
    // Replaces the picture; false, keeping the old one, when the new one cannot be loaded.
    bool SetIcon(const QString& iconResource);
    // The same for a picture at hand (a state of the session drawn over the program's icon).
    bool SetPicture(const QPixmap& picture);
    // The text is cut to TIP_BYTES bytes of CP949 at a character boundary. The same text again
    // changes nothing: the tip follows every progress report, and the notification area would
    // otherwise be told at each one.
    void SetTooltip(const std::string& text);
    void RemoveIcon();

    bool IsShown() const { return m_bShown; }
    const QSystemTrayIcon& Icon() const { return m_icon; }

private:
    bool m_bShown = false;
    NotifyHandler m_notify;
    QSystemTrayIcon m_icon;
};
