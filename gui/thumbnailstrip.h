#pragma once
// The latest received photos as a row of thumbnails in the main form, newest on the left. A photo
// received again moves to the front. Double-click or Enter on a tile opens the photo in the
// desktop's viewer; the button beside the row opens the save folder.
#include <QPixmap>
#include <QWidget>
#include <deque>
#include <memory>
#include <utility>

#include "gui/thumbnaildecode.h"
#include "gui/thumbnailloader.h"

class ClientSession;
class PictureCheckTiles;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QStackedWidget;

class ThumbnailStrip : public QWidget {
    Q_OBJECT

public:
    static constexpr int kTiles = 12;
    static constexpr QSize kThumbnailBox{120, 90};
    // The tile's picture (a QPixmap) in its item's data.
    static constexpr int kTileRole = Qt::UserRole + 1;

    // With `checkTiles`, the tiles of JPEG photos come from their picture check, which decodes
    // them anyway; other photos, or all without it, are decoded by `decode`.
    explicit ThumbnailStrip(ClientSession& session, QWidget* parent = nullptr,
                            ThumbnailLoader::Decoder decode = DecodeThumbnail,
                            std::shared_ptr<PictureCheckTiles> checkTiles = {});
    ~ThumbnailStrip() override;

    // A photo was stored at `path` (absolute).
    void ShowPhoto(const QString& path);

    QListWidget* Tiles() const { return m_tiles; }
    QPushButton* OpenFolderButton() const { return m_openFolder; }

private:
    void ShowThumbnail(const QString& path, const QImage& image);
    // A tile from the picture check, or a null image for a photo it found damaged. One that comes
    // before its photo is shown waits for it.
    void TakeCheckedTile(const QString& path, const QImage& image);
    void OpenPhoto(const QListWidgetItem* tile) const;
    QListWidgetItem* TileOf(const QString& path) const;

    ClientSession& m_session;
    QStackedWidget* m_pages;
    QListWidget* m_tiles;
    QPushButton* m_openFolder;
    // Shared by every tile that waits for its thumbnail or shows none.
    QPixmap m_waitingTile;
    QPixmap m_brokenTile;
    ThumbnailLoader m_loader;
    const std::shared_ptr<PictureCheckTiles> m_checkTiles;
    std::deque<std::pair<QString, QImage>> m_earlyTiles;  // newest last, at most a row's worth
};
