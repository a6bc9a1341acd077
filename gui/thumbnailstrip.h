#pragma once
// The latest received photos as a row of thumbnails in the main form, newest on the left. A photo
// received again moves to the front. Double-click or Enter on a tile opens the photo in the
// desktop's viewer; the button beside the row opens the save folder.
#include <QWidget>

#include "gui/thumbnaildecode.h"
#include "gui/thumbnailloader.h"

class ClientSession;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QStackedWidget;

class ThumbnailStrip : public QWidget {
    Q_OBJECT

public:
    static constexpr int kTiles = 12;
    static constexpr QSize kThumbnailBox{120, 90};

    explicit ThumbnailStrip(ClientSession& session, QWidget* parent = nullptr,
                            ThumbnailLoader::Decoder decode = DecodeThumbnail);

    // A photo was stored at `path` (absolute).
    void ShowPhoto(const QString& path);

    QListWidget* Tiles() const { return m_tiles; }
    QPushButton* OpenFolderButton() const { return m_openFolder; }

private:
    void ShowThumbnail(const QString& path, const QImage& image);
    void OpenPhoto(const QListWidgetItem* tile) const;
    QListWidgetItem* TileOf(const QString& path) const;

    ClientSession& m_session;
    QStackedWidget* m_pages;
    QListWidget* m_tiles;
    QPushButton* m_openFolder;
    ThumbnailLoader m_loader;
};
