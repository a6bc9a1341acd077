#include "gui/picturechecktiles.h"

#include "gui/picturedecode.h"
#include "gui/thumbnaildecode.h"

std::optional<std::string> PictureCheckTiles::Check(const std::string& path) {
    PictureForCheck decoded = DecodeForCheck(path);
    if (decoded.picture.isNull()) return std::move(decoded.problem);
    QSize box;
    {
        const std::lock_guard lock(m_mutex);
        if (!m_sink) return std::nullopt;
        box = m_box;
    }
    QImage tile = ThumbnailOfDecoded(decoded.picture, decoded.storedSize, decoded.turn, box);
    // The large picture goes before a second decode, should one be needed.
    decoded.picture = QImage();
    const QString file = QString::fromStdString(path);
    if (tile.isNull()) tile = DecodeThumbnail(file, box);
    const std::lock_guard lock(m_mutex);
    if (m_sink) m_sink(file, tile);
    return std::nullopt;
}

void PictureCheckTiles::SetSink(QSize box, TileSink sink) {
    const std::lock_guard lock(m_mutex);
    m_box = box;
    m_sink = std::move(sink);
}
