#pragma once
// Makes thumbnails one at a time on a thread of its own at idle priority, so a delivery of many
// photos never slows reception nor the window. Only the newest requests wait: older ones are
// dropped as new ones come. Made thumbnails are kept, keyed by path, size and modification time,
// so showing the same file again does not decode it again.
#include <QCache>
#include <QImage>
#include <QMutex>
#include <QObject>
#include <QSize>
#include <QString>
#include <QThreadPool>
#include <deque>
#include <functional>

class ThumbnailLoader : public QObject {
    Q_OBJECT

public:
    using Decoder = std::function<QImage(const QString& path, QSize box)>;

    // At most `box` big; at most `waiting` requests wait their turn.
    ThumbnailLoader(QSize box, int waiting, Decoder decode, QObject* parent = nullptr);
    ~ThumbnailLoader() override;

    QSize Box() const { return m_box; }
    // Asks for the thumbnail of `path`, before every request still waiting.
    void Request(const QString& path);

Q_SIGNALS:
    // On the loader's thread. A null image: the file does not decode as a picture.
    void thumbnailReady(const QString& path, const QImage& image);

private:
    void WorkThroughRequests();
    QImage Thumbnail(const QString& path);

    const QSize m_box;
    const size_t m_waiting;
    const Decoder m_decode;
    QMutex m_mutex;                  // guards the requests and whether the worker runs
    std::deque<QString> m_requests;  // newest first
    bool m_working = false;
    QCache<QString, QImage> m_made;  // only the worker touches it
    QThreadPool m_pool;
};
