#pragma once
// One running instance per user and title: the running one listens on a local socket named after
// both; a later one asks it to show its window and then ends.
#include <QLocalServer>
#include <QString>
#include <functional>

class SingleInstance {
public:
    // True when an instance is running; it has been asked to show its window.
    static bool ShowRunningInstance(const QString& title);

    // Starts answering later instances; onShowRequested runs on this thread for each of them.
    bool Listen(const QString& title, std::function<void()> onShowRequested);

private:
    QLocalServer m_server;
};
