#pragma once
// What the program asks the desktop to open (QDesktopServices), caught instead of opened.
#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

class OpenedUrls : public QObject {
    Q_OBJECT

public:
    OpenedUrls() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
    ~OpenedUrls() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    QList<QUrl> urls;

public Q_SLOTS:
    void Open(const QUrl& url) { urls.append(url); }
};
