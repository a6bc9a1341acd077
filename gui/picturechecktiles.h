#pragma once
// The window program decodes each received photo once. Its picture check decodes the photo at an
// eighth of its size, and the thumbnail row's tile is scaled down from that picture rather than
// decoded from the file a second time. Only a photo too small for that is decoded again, at the
// tile's size, which costs little.
#include <QImage>
#include <QSize>
#include <QString>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

class PictureCheckTiles {
public:
    // On the check's thread: the tile of the photo at `path`.
    using TileSink = std::function<void(const QString& path, const QImage& tile)>;

    // The picture check's decoder, on its thread: why the picture at `path` does not decode;
    // nothing when it does, and then its tile goes to the sink.
    std::optional<std::string> Check(const std::string& path);
    // Tiles at most `box` big go to `sink` from now on; none when it is empty. Waits while a tile
    // is being handed over, so a sink that is taken away is not called any more.
    void SetSink(QSize box, TileSink sink);

private:
    std::mutex m_mutex;  // held while a tile is handed over
    QSize m_box;
    TileSink m_sink;
};
