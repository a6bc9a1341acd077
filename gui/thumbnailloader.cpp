#include "gui/thumbnailloader.h"

#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <algorithm>

#include <sys/stat.h>

namespace {

// Thumbnails kept, by their bytes in KiB: twice as many as may wait, so a photo received again
// while its tile is still in view is not decoded again, and a long delivery does not add to the
// program's memory.
int MadeKiB(QSize box, int waiting) {
    return std::max(1, 2 * waiting * box.width() * box.height() * 4 / 1024);
}

// Size and modification time straight from the file: a time in local time would have this thread
// touch the C library's time-zone state, which the session's threads use too. Empty when the file
// is gone.
QString CacheKey(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return {};
    }
    return path + QLatin1Char('\n') + QString::number(status.st_size) + QLatin1Char('\n') +
           QString::number(status.st_mtim.tv_sec) + QLatin1Char('.') +
           QString::number(status.st_mtim.tv_nsec);
}

}  // namespace

ThumbnailLoader::ThumbnailLoader(QSize box, int waiting, Decoder decode, QObject* parent)
    : QObject(parent),
      m_box(box),
      m_waiting(static_cast<size_t>(std::max(waiting, 1))),
      m_decode(std::move(decode)),
      m_made(MadeKiB(box, std::max(waiting, 1))) {
    m_pool.setMaxThreadCount(1);
    // The idle class on Linux: the reception thread and the window always go first.
    m_pool.setThreadPriority(QThread::IdlePriority);
}

ThumbnailLoader::~ThumbnailLoader() {
    {
        QMutexLocker lock(&m_mutex);
        m_requests.clear();
    }
    m_pool.waitForDone();
}

void ThumbnailLoader::Request(const QString& path) {
    QMutexLocker lock(&m_mutex);
    std::erase(m_requests, path);
    m_requests.push_front(path);
    if (m_requests.size() > m_waiting) m_requests.pop_back();
    if (m_working) return;
    m_working = true;
    m_pool.start([this] { WorkThroughRequests(); });
}

void ThumbnailLoader::WorkThroughRequests() {
    for (;;) {
        QString path;
        {
            QMutexLocker lock(&m_mutex);
            if (m_requests.empty()) {
                m_working = false;
                return;
            }
            path = m_requests.front();
            m_requests.pop_front();
        }
        const QImage image = Thumbnail(path);
        // Queued to the loader: dropped if it is gone by then (it waits for this thread first).
        QMetaObject::invokeMethod(
            this, [this, path, image] { Q_EMIT thumbnailReady(path, image); },
            Qt::QueuedConnection);
    }
}

QImage ThumbnailLoader::Thumbnail(const QString& path) {
    const QString key = CacheKey(QFileInfo(path).absoluteFilePath());
    if (key.isEmpty()) return {};
    if (const QImage* made = m_made.object(key)) return *made;
    QImage image = m_decode(path, m_box);
    const auto kib = static_cast<int>(image.sizeInBytes() / 1024) + 1;
    m_made.insert(key, new QImage(image), kib);
    return image;
}
