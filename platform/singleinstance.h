#pragma once
// One receiver per settings folder and user: the first start holds a lock on the folder and
// answers later starts on a local socket named after it; a later start learns what kind of
// receiver runs (and a window shows itself) and ends.
#include <QLocalServer>
#include <QString>
#include <filesystem>
#include <functional>

enum class ReceiverKind : char { Window = 'W', Headless = 'H', Unknown = '?' };

class SingleInstance {
public:
    SingleInstance(const std::filesystem::path& settingsFolder, ReceiverKind kind);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the folder for this process (creating it when missing); false when another receiver
    // holds it. From then on later starts are answered.
    bool Claim();
    // After a refused claim: what holds the folder. A window has been asked to show itself.
    // Unknown when the holder does not answer (it is still starting, or hung).
    ReceiverKind AskHolder();
    // Runs on this thread for each later start, once the claim is held.
    void OnShowRequested(std::function<void()> show) { m_show = std::move(show); }

private:
    void Answer();

    const std::filesystem::path m_folder;
    const ReceiverKind m_kind;
    const QString m_name;
    int m_lockFd = -1;
    QLocalServer m_server;
    std::function<void()> m_show;
};
